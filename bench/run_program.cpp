// Starts a program with posix_spawn, its standard output through a pipe when asked for, and
// kills it when it outlives its time limit.
#include "run_program.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

namespace wingcall::bench {

int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               std::chrono::seconds limit, std::string* output) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    int pipeDescriptors[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output != nullptr && ::pipe(pipeDescriptors) == 0) {
        posix_spawn_file_actions_adddup2(&actions, pipeDescriptors[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipeDescriptors[0]);
    }
    pid_t child = -1;
    const int spawned =
        posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (pipeDescriptors[1] >= 0) {
        ::close(pipeDescriptors[1]);
    }
    if (spawned != 0) {
        return -1;
    }
    if (output != nullptr && pipeDescriptors[0] >= 0) {
        char chunk[4096];
        ssize_t count = 0;
        while ((count = ::read(pipeDescriptors[0], chunk, sizeof chunk)) > 0) {
            output->append(chunk, static_cast<std::size_t>(count));
        }
        ::close(pipeDescriptors[0]);
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace wingcall::bench
