// A self-pipe: the signal handler writes one byte, a socket notifier reads it in the event loop;
// while a settings write waits for another writer's lock, the handler ends the program itself.
#include "app/termination_signals.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "app/main_window.h"
#include "files/settings_lock.h"
#endif

namespace wingcall::app {

#ifdef Q_OS_UNIX
namespace {

int signalWriteEnd = -1;

extern "C" void WriteSignalByte(int) {
    // The event loop does not run while a settings write waits for the lock another writer
    // holds, which can last seconds. Nothing of that write has happened yet, so the program ends
    // here and now, as "&Exit" would. Any wait that starts after this gives up at once.
    if (AbandonSettingsLockWaits()) {
        ::_exit(kExitNormal);
    }
    const int interruptedError = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalWriteEnd, &byte, 1);
    errno = interruptedError;
}

}  // namespace

struct TerminationSignals::Handlers {
    int sockets[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
    struct sigaction previousTerm {};
    struct sigaction previousInt {};
    bool installed = false;
};

TerminationSignals::TerminationSignals(std::function<void()> onTermination)
    : handlers_(std::make_unique<Handlers>()) {
    // Close-on-exec, so that Voxtrel, started from this process, inherits neither end; where the
    // socket call cannot set it at once, it is set before anything can be started.
#ifdef SOCK_CLOEXEC
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, handlers_->sockets) != 0) {
        return;
    }
#else
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, handlers_->sockets) != 0) {
        return;
    }
    for (int socket : handlers_->sockets) {
        ::fcntl(socket, F_SETFD, FD_CLOEXEC);
    }
#endif
    signalWriteEnd = handlers_->sockets[0];
    handlers_->notifier =
        std::make_unique<QSocketNotifier>(handlers_->sockets[1], QSocketNotifier::Read);
    const int readEnd = handlers_->sockets[1];
    QObject::connect(handlers_->notifier.get(), &QSocketNotifier::activated,
                     [readEnd, onTermination = std::move(onTermination)] {
                         char byte = 0;
                         [[maybe_unused]] const ssize_t read = ::read(readEnd, &byte, 1);
                         onTermination();
                     });
    struct sigaction action {};
    action.sa_handler = WriteSignalByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &handlers_->previousTerm);
    ::sigaction(SIGINT, &action, &handlers_->previousInt);
    handlers_->installed = true;
}

TerminationSignals::~TerminationSignals() {
    if (handlers_->installed) {
        ::sigaction(SIGTERM, &handlers_->previousTerm, nullptr);
        ::sigaction(SIGINT, &handlers_->previousInt, nullptr);
    }
    handlers_->notifier.reset();
    signalWriteEnd = -1;
    for (int socket : handlers_->sockets) {
        if (socket >= 0) {
            ::close(socket);
        }
    }
}

#else

struct TerminationSignals::Handlers {};

TerminationSignals::TerminationSignals(std::function<void()>)
    : handlers_(std::make_unique<Handlers>()) {}

TerminationSignals::~TerminationSignals() = default;

#endif

}  // namespace wingcall::app
