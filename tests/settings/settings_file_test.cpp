// Wide-text settings access: conversions at the call boundary and the file's location.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include "files/wide_path.h"
#include "support/temp_folder.h"

namespace wingcall {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

TEST(SettingsFile, ReadsAndWritesInAFolderNamedOutsideTheCodePage) {
    TempFolder root;
    const std::filesystem::path folder =
        root.path() / PathFromWide(L"\u0141ukasz \u041f\u0438\u043b\u043e\u0442");
    std::filesystem::create_directory(folder);
    const std::wstring path = WideFromPath(folder / "Wingcall.ini");
    EXPECT_EQ(PathFromWide(path), folder / "Wingcall.ini");
    const std::string commands = "[Commands]\r\nPhrase(1)=" + std::string(300, 'x') + "\r\n";
    WriteBytes(folder / "Wingcall.ini", "[General]\r\nOpenedOnce=1\r\n" + commands);

    EXPECT_EQ(ReadSetting(path, L"General", L"OpenedOnce", L""), L"1");
    EXPECT_EQ(ReadSetting(path, L"Commands", L"Phrase(1)", L"vuoto"), std::wstring(254, L'x'));
    EXPECT_EQ(ReadSetting(path, L"Commands", L"Phrase(2)", L"vuoto"), L"vuoto");
    // Stored as Windows-1252 bytes; a character the code page lacks is stored as "?".
    EXPECT_TRUE(WriteSetting(path, L"General", L"LastPTT1", L"\u00e9\u20ac\u0141"));
    EXPECT_EQ(ReadBytes(folder / "Wingcall.ini"),
              "[General]\r\nOpenedOnce=1\r\nLastPTT1=\xE9\x80?\r\n" + commands);
    EXPECT_EQ(ReadSetting(path, L"General", L"LastPTT1", L""), L"\u00e9\u20ac?");
}

}  // namespace
}  // namespace wingcall
