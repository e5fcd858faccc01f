// Starting a program of the benchmark (a start-up probe, or the benchmark itself in a fresh
// process) and waiting for it within a time limit.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace wingcall::bench {

// Runs `program` with `arguments`, its standard output into `output` when given; returns its
// exit status, or -1 when it had to be killed after `limit`.
int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               std::chrono::seconds limit, std::string* output = nullptr);

}  // namespace wingcall::bench
