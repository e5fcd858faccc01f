// The writes of [General] that one step of the flow makes, and the one report of those that
// stored nothing.
#pragma once

#include <QString>

#include <optional>
#include <string>

#include "settings/settings_file.h"

namespace wingcall::app {

// Every write is made, in the order asked, whatever became of the ones before: a key that could
// be stored is stored. Why the first failed write stored nothing is kept for the pilot, so that a
// folder Wingcall cannot write to is reported once for the step rather than once per key.
class GeneralSettingsStep {
  public:
    explicit GeneralSettingsStep(std::wstring settingsPath);

    void write(const QString& key, const QString& value);

    // The message for the pilot when a write stored nothing; none when every write held.
    std::optional<QString> failureMessage() const;

  private:
    std::wstring settingsPath_;
    std::optional<SettingsWriteFailure> firstFailure_;
};

}  // namespace wingcall::app
