// A main window over a prepared program folder, with scripted services.
#pragma once

#include <gtest/gtest.h>

#include <QString>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/form1.h"
#include "app/wingcall_state.h"
#include "fake_services.h"
#include "support/temp_folder.h"

namespace wingcall::app::testing {

// The settings file's bytes as far as they are the program's doing. On Windows the file goes
// through the platform's private-profile routine, which lays out what it writes its own way (Wine's
// drops the blank line before the next section when it adds a key), so blank lines are left out
// there; every section, key, value and their order still count.
inline std::string SettingsLayout(std::string bytes) {
#ifdef _WIN32
    for (std::string::size_type at; (at = bytes.find("\r\n\r\n")) != std::string::npos;) {
        bytes.erase(at, 2);
    }
#endif
    return bytes;
}

class ProgramFolderTest : public ::testing::Test {
  protected:
    std::filesystem::path settingsFile() const { return folder_ / "Wingcall.ini"; }
    QString pathIn(std::string_view name) const {
        return QString::fromStdString((folder_ / name).string());
    }

    void writeSettings(std::string_view bytes) {
        wingcall::testing::WriteBytes(settingsFile(), bytes);
    }
    std::string settingsBytes() const { return wingcall::testing::ReadBytes(settingsFile()); }

    // The main window as built, before its start-up.
    Form1& freshWindow() {
        window_ = std::make_unique<Form1>(state_, services_);
        return *window_;
    }

    // Builds the main window (as the program does) and runs its start-up, over `settings` when
    // given. What the fakes recorded before is forgotten; their scripted answers stay.
    Form1& startProgram(std::optional<std::string_view> settings = std::nullopt) {
        if (settings) {
            writeSettings(*settings);
        }
        dialogs_.showings.clear();
        messages_.shown.clear();
        starter_.requests.clear();
        freshWindow().Form_Load();
        return *window_;
    }

    wingcall::testing::TempFolder folder_;
    FakeFileDialogs dialogs_;
    FakeMessageBoxes messages_;
    FakeProgramStarter starter_;
    FolderHostFiles hostFiles_{QString::fromStdString(folder_.path().string())};
    AppServices services_{dialogs_, messages_, starter_, hostFiles_};
    WingcallState state_;
    std::unique_ptr<Form1> window_;
};

}  // namespace wingcall::app::testing
