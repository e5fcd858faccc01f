// A main window over a prepared program folder, with scripted services, and the data tables the
// window tests read. Includes what every window test uses: the window's controls and messages.
#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_messages.h"
#include "app/main_window.h"
#include "app/wingcall_state.h"
#include "fake_services.h"
#include "support/data_table.h"
#include "support/temp_folder.h"

namespace wingcall::app::testing {

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The rows of tests/data/`name`, each of which must have `fields` fields: a row that has not
// fails the test and is left out, so a typo in a table never passes as a shorter case.
inline std::vector<std::vector<std::string>> Rows(const std::string& name, std::size_t fields) {
    std::vector<std::vector<std::string>> rows = wingcall::testing::ReadDataTable(name);
    std::erase_if(rows, [&](const std::vector<std::string>& row) {
        if (row.size() == fields) {
            return false;
        }
        ADD_FAILURE() << name << ": " << row.size() << " fields in the row " << row[0];
        return true;
    });
    return rows;
}

inline QStringList Entries(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) {
        entries << list->itemText(i);
    }
    return entries;
}

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

    // An opened program's window, shown.
    Form1& shownWindow() {
        Form1& window = startProgram(
            "[General]\r\nOpenedOnce=1\r\nVoxtrelProfilesPath=/sim/voxtrel/profiles\r\n");
        window.show();
        return window;
    }

    wingcall::testing::TempFolder folder_;
    FakeFileDialogs dialogs_;
    FakeMessageBoxes messages_;
    FakeProgramStarter starter_;
    FolderHostFiles hostFiles_{QString::fromStdString(folder_.path().string())};
    FakeUrlOpener urlOpener_;
    AppServices services_{dialogs_, messages_, starter_, hostFiles_, urlOpener_};
    WingcallState state_;
    std::unique_ptr<Form1> window_;
};

}  // namespace wingcall::app::testing
