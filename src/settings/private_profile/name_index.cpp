// The process's key for the settings file's name index, drawn once from the system's random
// source.
#include "settings/private_profile/name_index.h"

#include <chrono>
#include <cstdint>
#include <random>

namespace wingcall {

NameHashKey ProcessNameHashKey() {
    static const NameHashKey key = [] {
        NameHashKey drawn{0, 0};
        try {
            std::random_device random;
            drawn.first = (std::uint64_t{random()} << 32) ^ random();
            drawn.second = (std::uint64_t{random()} << 32) ^ random();
        } catch (...) {
            // No random source: the clock and where this process was loaded still differ
            // from one start to the next, which is all the index needs.
        }
        drawn.first ^= static_cast<std::uint64_t>(
            std::chrono::high_resolution_clock::now().time_since_epoch().count());
        drawn.second ^= static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&drawn));
        return drawn;
    }();
    return key;
}

}  // namespace wingcall
