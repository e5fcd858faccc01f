// Peak memory of single operations, each measured in a fresh process of the benchmark.
#pragma once

#include <filesystem>
#include <string>

namespace wingcall::bench {

// Child side: runs the case `what` on the inputs in `workspace` and prints the resident set
// before the operation and the peak during it, in kilobytes.
int MeasurePeakMemory(const std::string& what, const std::filesystem::path& workspace);

// Parent side: prepares the cases that need inputs of their own, runs each in a fresh process of
// `self` and prints its peak beside the size of its file.
void PrintPeakMemory(const std::filesystem::path& self, const std::filesystem::path& workspace);

}  // namespace wingcall::bench
