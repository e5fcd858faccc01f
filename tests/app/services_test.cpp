// The pieces under the windows: filters, initial folders, stored buttons, files, starting programs.
#include <gtest/gtest.h>

#include <QTest>

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#endif

#include <set>

#include "app/joystick_button_setting.h"
#include "app/services/file_dialogs.h"
#include "app/services/qt_host_files.h"
#include "app/services/qt_program_starter.h"
#include "app/termination_signals.h"
#include "support/temp_folder.h"

namespace wingcall::app {
namespace {

TEST(FileDialogSettingsTest, StoredFiltersAndFoldersBecomeQtOnes) {
    EXPECT_EQ(QtNameFilter(QStringLiteral("voxtrel.exe|voxtrel.exe")),
              QStringLiteral("voxtrel.exe (voxtrel.exe)"));
    EXPECT_EQ(QtNameFilter(QStringLiteral("A|*.a|B|*.b")), QStringLiteral("A (*.a);;B (*.b)"));
    EXPECT_TRUE(QtNameFilter(QString()).isEmpty());

    // Only the text before the first NUL of the stored folder is the initial folder.
    QString padded = QStringLiteral("/sim/profiles");
    padded.append(QString(241, QChar(u'\0')));
    EXPECT_EQ(EffectiveInitialFolder(padded), QStringLiteral("/sim/profiles"));
    EXPECT_TRUE(EffectiveInitialFolder(QString(255, QChar(u'\0'))).isEmpty());
}

TEST(JoystickButtonSettingTest, StoredValuesSelectTheirEntry) {
    const std::pair<const char*, const char*> cases[] = {
        {"None", "None"},  {"vuoto", "None"},
        {"", "None"},      {"1", "1"},
        {"32", "32"},      {"33", "None"},
        {"0", "None"},     {"-5", "None"},
        {" 12 ", "12"},    {"07", "7"},
        {"3.0", "3"},      {"2.5", "2"},
        {"3.5", "4"},      {"0.5", "None"},
        {"1.5", "2"},      {"+4", "4"},
        {"1e1", "10"},     {"4abc", "4"},
        {"abc4", "None"},  {"32767", "None"},
        {"32768", "None"}, {"99999999999999999999", "None"},
        {".5e1", "5"},
    };
    for (const auto& [stored, entry] : cases) {
        EXPECT_EQ(JoystickEntryForStoredButton(QString::fromLatin1(stored)),
                  QString::fromLatin1(entry))
            << "stored \"" << stored << "\"";
    }
}

TEST(HostFilesTest, OnlyOrdinaryVisibleFilesExist) {
    wingcall::testing::TempFolder folder;
    wingcall::testing::WriteBytes(folder / "Wingcall.ini", "[General]\r\n");
    wingcall::testing::WriteBytes(folder / ".hidden.ini", "");
    std::filesystem::create_directory(folder / "folder.ini");
    const QtHostFiles files;
    const auto at = [&](const char* name) {
        return QString::fromStdString((folder / name).string());
    };
    EXPECT_TRUE(files.isOrdinaryFile(at("Wingcall.ini")));
#ifdef _WIN32
    // Windows hides a file by its attribute. (Wine hides a leading dot's file as well, Windows
    // does not: no expectation either way for .hidden.ini.)
    wingcall::testing::WriteBytes(folder / "hidden.ini", "");
    ASSERT_TRUE(SetFileAttributesW((folder / "hidden.ini").c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(files.isOrdinaryFile(at("hidden.ini")));
#else
    EXPECT_FALSE(files.isOrdinaryFile(at(".hidden.ini")));
#endif
    EXPECT_FALSE(files.isOrdinaryFile(at("folder.ini")));
    EXPECT_FALSE(files.isOrdinaryFile(at("absent.ini")));
}

TEST(ProgramStarterTest, TheArgumentArrivesWholeWithoutAShellAndAMissingProgramIsNamed) {
    QtProgramStarter starter;
    const StartResult missing = starter.start(QStringLiteral("/no/such/voxtrel.exe"), {});
    EXPECT_FALSE(missing.started);
    EXPECT_TRUE(missing.reason.contains(QStringLiteral("/no/such/voxtrel.exe")));

    wingcall::testing::TempFolder folder;
    // A program that writes its arguments to a file; the argument holds blanks, quotes, a
    // backslash before a quote and a semicolon, which a shell, or a Windows command line built
    // carelessly, would split, unquote or run.
    const auto recorder =
        folder.path() / std::filesystem::path(WINGCALL_ARGUMENT_RECORDER).filename();
    std::filesystem::copy_file(WINGCALL_ARGUMENT_RECORDER, recorder);
    const QString argument = QStringLiteral("C:\\p\\my \"best\\\" profile; rm -rf x.xml");
    const StartResult result = starter.start(QString::fromStdString(recorder.string()), {argument});
    ASSERT_TRUE(result.started) << result.reason.toStdString();
    auto output = recorder;
    output += ".out";
    for (int waited = 0; waited < 5000 && !(std::filesystem::exists(output) &&
                                            std::filesystem::file_size(output) > 0);
         waited += 50) {
        QTest::qWait(50);
    }
    EXPECT_EQ(wingcall::testing::ReadBytes(output), "1|" + argument.toStdString());
}

#ifdef __linux__
// The descriptors open now; the one that lists them is closed again before this returns.
std::set<int> OpenDescriptors() {
    std::set<int> listed;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        listed.insert(std::stoi(entry.path().filename().string()));
    }
    std::erase_if(listed, [](int descriptor) { return ::fcntl(descriptor, F_GETFD) < 0; });
    return listed;
}

// The signal sockets live as long as the program, so a started Voxtrel would inherit them unless
// they close on exec.
TEST(TerminationSignalsTest, ItsSocketsAreNotInheritedByAStartedProgram) {
    const std::set<int> before = OpenDescriptors();
    const TerminationSignals handlers([] {});
    int opened = 0;
    for (int descriptor : OpenDescriptors()) {
        if (!before.contains(descriptor)) {
            ++opened;
            EXPECT_TRUE(::fcntl(descriptor, F_GETFD) & FD_CLOEXEC) << "descriptor " << descriptor;
        }
    }
    EXPECT_EQ(opened, 2);
}
#endif

}  // namespace
}  // namespace wingcall::app
