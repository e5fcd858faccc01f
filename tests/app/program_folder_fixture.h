// A main window over a prepared program folder, with scripted services.
#pragma once

#include <gtest/gtest.h>

#include <QString>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "app/form1.h"
#include "app/wingcall_state.h"
#include "fake_services.h"
#include "support/temp_folder.h"

namespace wingcall::app::testing {

// A small template of two calls, enough to see the personalisation in a profile.
inline constexpr std::string_view kTwoCallTemplate =
    "[Commands]\r\n"
    "Command(1)= Rejoin \r\n"
    "Phrase(1)=callsign$ flightnumber$ number$ rejoin\r\n"
    "Keys(1)=Backslash F3 F1 F1\r\n"
    "Command(2)=Break Left\r\n"
    "Phrase(2)=callsign$ number$ break left\r\n"
    "Keys(2)=Backslash F3 F2 F1\r\n";

class ProgramFolderTest : public ::testing::Test {
  protected:
    std::filesystem::path settingsFile() const { return folder_ / "Wingcall.ini"; }
    QString settingsPath() const { return QString::fromStdString(settingsFile().string()); }
    QString pathIn(std::string_view name) const {
        return QString::fromStdString((folder_ / name).string());
    }

    void writeSettings(std::string_view bytes) {
        wingcall::testing::WriteBytes(settingsFile(), bytes);
    }
    std::string settingsBytes() const { return wingcall::testing::ReadBytes(settingsFile()); }

    // Builds the main window (as the program does) and runs its start-up.
    Form1& startProgram() {
        window_ = std::make_unique<Form1>(state_, services_);
        window_->Form_Load();
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
