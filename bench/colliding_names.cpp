// Settings files of colliding and of ordinary key names (see colliding_names.h).
#include "colliding_names.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace wingcall::bench {
namespace {

// The hash the name index used before it was keyed per process: FNV-1a with a fixed start and a
// fixed final mix, the same in every process, so anyone could choose names against it. Key
// names here are small letters and digits already.
std::uint32_t FormerFixedHash(std::size_t scope, std::string_view name) {
    std::uint64_t hash = 0xCBF29CE484222325u ^ (scope * 0x9E3779B97F4A7C15u);
    for (char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3u;
    }
    hash ^= hash >> 29;
    hash *= 0xBF58476D1CE4E5B9u;
    return static_cast<std::uint32_t>(hash >> 32);
}

template <typename Keep>
std::string SettingsOfNames(const Keep& keep) {
    std::string text = "[Keys]\r\n";
    char name[16];
    for (std::uint32_t number = 0; text.size() < kCollidingFileBytes; ++number) {
        std::snprintf(name, sizeof name, "c%08u", static_cast<unsigned>(number));
        if (keep(std::string_view(name))) {
            text.append(name).append("=1\r\n");
        }
    }
    return text;
}

}  // namespace

std::string CollidingNamesSettings() {
    // The first section is scope 0. Slots are the hash's low bits: bits 12 to 19 at zero put a
    // name in slots 0 to 4,095 of every table from 2^12 to 2^20 slots.
    return SettingsOfNames(
        [](std::string_view name) { return (FormerFixedHash(0, name) & 0xFF000u) == 0; });
}

std::string OrdinaryNamesSettings() {
    return SettingsOfNames([](std::string_view) { return true; });
}

std::string LastKeyOf(const std::string& settings) {
    const std::size_t lastLine = settings.rfind("\r\n", settings.size() - 3) + 2;
    return settings.substr(lastLine, settings.find('=', lastLine) - lastLine);
}

}  // namespace wingcall::bench
