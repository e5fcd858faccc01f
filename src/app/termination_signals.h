// Turns SIGTERM and SIGINT into an ordinary event of the user-interface thread.
#pragma once

#include <functional>
#include <memory>

namespace wingcall::app {

// While an instance lives, SIGTERM and SIGINT call `onTermination` from the event loop instead of
// killing the process; one that arrives while a settings write waits for its lock ends the process
// at once, with the status of "&Exit". The previous handlers come back when it is destroyed. Does
// nothing where POSIX signals do not exist.
class TerminationSignals {
  public:
    explicit TerminationSignals(std::function<void()> onTermination);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    struct Handlers;
    std::unique_ptr<Handlers> handlers_;
};

}  // namespace wingcall::app
