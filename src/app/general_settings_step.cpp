// Writes keys of [General] for one step of the flow and keeps why the first that failed did.
#include "app/general_settings_step.h"

#include <utility>

#include "app/app_messages.h"
#include "app/text_conversion.h"
#include "files/settings_lock.h"

namespace wingcall::app {

GeneralSettingsStep::GeneralSettingsStep(std::wstring settingsPath)
    : settingsPath_(std::move(settingsPath)) {}

void GeneralSettingsStep::write(const QString& key, const QString& value) {
    // Once another program kept the settings lock through a whole wait, the step's later writes
    // try it once each: the window waits once for the step, not once a key.
    const SettingsLockWait wait = firstFailure_ && firstFailure_->lockStayedBusy
                                      ? SettingsLockWait::TryOnce
                                      : SettingsLockWait::Full;
    SettingsWriteOutcome written =
        WriteSetting(settingsPath_, kGeneralSection, ToWide(key), ToWide(value), wait);
    if (!written && !firstFailure_) {
        firstFailure_ = std::move(written.failure);
    }
}

std::optional<QString> GeneralSettingsStep::failureMessage() const {
    if (!firstFailure_) {
        return std::nullopt;
    }
    return SettingsNotSavedText(FromWide(settingsPath_), *firstFailure_);
}

}  // namespace wingcall::app
