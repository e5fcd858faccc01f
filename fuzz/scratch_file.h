// A fresh file name for every fuzz input, in a scratch folder of this process.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace wingcall::fuzz {

// Each input gets a file name of its own, so that the settings routines' cache of parsed files
// (keyed by name, size and time stamps) never mistakes one input's file for the last one's:
// two inputs of one size written within one tick of the file system clock would look alike.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "wingcall-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    std::filesystem::path Fresh(std::string_view bytes) {
        std::error_code ignored;
        if (!previous_.empty()) {
            std::filesystem::remove(previous_, ignored);
        }
        previous_ = path_ / ("input" + std::to_string(counter_++) + ".ini");
        std::ofstream out(previous_, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return previous_;
    }

  private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
    unsigned long counter_ = 0;
};

inline std::filesystem::path FreshScratchFile(std::string_view bytes) {
    static ScratchFolder folder;
    return folder.Fresh(bytes);
}

inline std::string ReadScratchFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace wingcall::fuzz
