// Settings files of one section of many keys, for the name index's hash: one whose key names are
// chosen to crowd into a few slots of a hash known in advance, and an ordinary one of the same
// size and shape beside it.
#pragma once

#include <cstddef>
#include <string>

namespace wingcall::bench {

// About 1.6 MB, like the file that showed the fault.
inline constexpr std::size_t kCollidingFileBytes = 1'600'000;

// Key names all of one length ("c" and eight digits), each "=1": the crafted file keeps the
// names whose hash under the index's former fixed hash falls in the first 4,096 slots of any
// table up to 2^20 slots, so that with that hash every key would be put in one run of slots.
std::string CollidingNamesSettings();
std::string OrdinaryNamesSettings();

// The file's last key, which the benchmarks read and write.
std::string LastKeyOf(const std::string& settings);

}  // namespace wingcall::bench
