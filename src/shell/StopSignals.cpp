#include "StopSignals.h"

#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace qv {

namespace {

int signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t signalsSeen = 0;

// Only async-signal-safe calls: the event loop does the work.
extern "C" void onStopSignal(int)
{
    if (signalsSeen != 0)
        _exit(2);
    signalsSeen = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

void onStopSignals(QObject* owner, std::function<void()> stop)
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [stop = std::move(stop)] {
        char byte = 0;
        while (::read(signalPipe[0], &byte, 1) > 0) {
        }
        stop();
    });
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // A call into the client libraries goes on (its own time limit still
    // holds); the stop is acted on between calls.
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

}  // namespace qv
