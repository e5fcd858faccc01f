// Runs a piece of work in a forked child process, so that a test can kill it part-way, starve it
// of disk space or watch it for hangs without risking the test process itself.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

namespace wingcall::testing {

// How a child ended and what it wrote to its report pipe.
struct ChildOutcome {
    bool exited = false;  // ended through _exit (false: killed by a signal)
    int exitCode = -1;
    int signal = 0;
    std::string report;
};

// A child process running `work`. Whatever `work` writes to the descriptor it is given reaches
// report(); its return value becomes the exit code. The child never returns into the test
// framework: it leaves through _exit, so no destructor or atexit handler of the parent runs twice.
class ChildProcess {
  public:
    explicit ChildProcess(const std::function<int(int reportDescriptor)>& work) {
        int descriptors[2];
        if (::pipe(descriptors) != 0 || (pid_ = ::fork()) < 0) {
            throw std::runtime_error("pipe or fork failed");
        }
        if (pid_ == 0) {
            ::close(descriptors[0]);
            int code = 125;
            try {
                code = work(descriptors[1]);
            } catch (...) {
                code = 124;
            }
            ::_exit(code);
        }
        ::close(descriptors[1]);
        readDescriptor_ = descriptors[0];
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (!reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(readDescriptor_);
    }

    void Kill() { ::kill(pid_, SIGKILL); }
    void Signal(int signal) { ::kill(pid_, signal); }

    // Waits until the child has reported something (or ended), up to `limit`.
    void WaitForFirstReport(std::chrono::milliseconds limit) {
        pollfd poller{readDescriptor_, POLLIN, 0};
        ::poll(&poller, 1, static_cast<int>(limit.count()));
    }

    // Waits for the child to end, gathering its report, and kills it when it runs past `limit`
    // (a hang).
    ChildOutcome Wait(std::chrono::milliseconds limit) {
        ChildOutcome outcome;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) != pid_) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            if (!ReadReport(outcome.report, 10)) {  // the pipe is closed, or nothing came
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        reaped_ = true;
        while (ReadReport(outcome.report, 0)) {
        }
        outcome.exited = WIFEXITED(status);
        outcome.exitCode = outcome.exited ? WEXITSTATUS(status) : -1;
        outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        return outcome;
    }

  private:
    // Appends what the pipe gives within `timeoutMs`; false when it gave nothing.
    bool ReadReport(std::string& report, int timeoutMs) {
        pollfd poller{readDescriptor_, POLLIN, 0};
        char chunk[4096];
        ssize_t count = 0;
        if (::poll(&poller, 1, timeoutMs) <= 0 ||
            (count = ::read(readDescriptor_, chunk, sizeof chunk)) <= 0) {
            return false;
        }
        report.append(chunk, static_cast<std::size_t>(count));
        return true;
    }

    pid_t pid_ = -1;
    int readDescriptor_ = -1;
    bool reaped_ = false;
};

// Writes `text` to a child's report descriptor.
inline void Report(int descriptor, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t written = ::write(descriptor, text.data() + done, text.size() - done);
        if (written <= 0) {
            return;
        }
        done += static_cast<std::size_t>(written);
    }
}

}  // namespace wingcall::testing
