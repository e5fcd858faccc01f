// The inputs the benchmarks work on: settings files with templates of any size and earlier
// profiles of a given number of lines, written once into a scratch folder.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "profile/new_profile_writer.h"
#include "settings/command_template.h"

namespace wingcall::bench {

// The template sizes: the shipped one's order, a tenth of the largest, and the largest a
// template may have.
inline constexpr std::size_t kSmall = 40;
inline constexpr std::size_t kTenth = 3277;
inline constexpr std::size_t kLargest = 32765;

// The push-to-talk block every written profile carries.
inline const PushToTalkValues kPushToTalk{true, L"hold", L"on", L"LControl", L"3", L"RControl"};

// A path as the settings routines take it.
std::wstring Wide(const std::filesystem::path& path);

// A settings file as a used installation holds it, with `count` commands in three families of
// equal length; the phrases carry the three placeholders.
std::string SettingsWithTemplate(std::size_t count);

// Command tables of `count` commands, as a template load leaves them.
CommandTables TablesWith(std::size_t count);

// Tables of `count` commands with their phrases personalised, as Generate hands them to a writer.
CommandTables PersonalisedTables(std::size_t count);

// A profile document of at least `lines` lines, as the new-profile writer makes them.
std::string ProfileOfLines(std::size_t lines);

// A scratch folder removed with its content at the end of the run.
class Workspace {
  public:
    Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;
    ~Workspace();

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& file, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& file);

}  // namespace wingcall::bench
