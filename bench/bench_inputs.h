// The inputs the benchmarks work on: settings files with templates of any size and earlier
// profiles of a given number of lines, written once into a scratch folder.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "settings/command_template.h"

namespace wingcall::bench {

// A settings file as a used installation holds it, with `count` commands in three families of
// equal length; the phrases carry the three placeholders.
std::string SettingsWithTemplate(std::size_t count);

// Command tables of `count` commands, as a template load leaves them.
CommandTables TablesWith(std::size_t count);

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
