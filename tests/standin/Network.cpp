#include "Network.h"

#include "Handles.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace qv::standin {

namespace {

std::mutex networkMutex;
std::condition_variable networkChanged;
std::atomic<unsigned long long> trips{0};
std::atomic<int> held{0};
volatile std::sig_atomic_t interrupted = 0;  // set by the client's SIGINT handler

long long environmentNumber(const char* name)
{
    const char* text = std::getenv(name);
    return text && *text ? std::atoll(text) : 0;
}

// Writes the count where the benchmark reads it, as the library unloads.
struct RoundTripReport {
    ~RoundTripReport()
    {
        if (const char* path = std::getenv("QV_OCI_STANDIN_ROUND_TRIPS_FILE"); path && *path) {
            if (std::FILE* file = std::fopen(path, "w")) {
                std::fprintf(file, "%llu\n", trips.load());
                std::fclose(file);
            }
        }
    }
} report;

extern "C" void onClientInterrupt(int)
{
    interrupted = 1;
}

}  // namespace

CallOnServer::CallOnServer(Connection& connection) : connection_(connection)
{
    std::lock_guard lock(networkMutex);
    connection_.inCall = true;
    connection_.breakRequested = false;
}

CallOnServer::~CallOnServer()
{
    std::lock_guard lock(networkMutex);
    connection_.inCall = false;
    connection_.breakRequested = false;
}

void roundTrip(Connection& connection, ub4 timeoutMs, bool hold)
{
    ++trips;
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto delay = std::chrono::microseconds(environmentNumber("QV_OCI_STANDIN_ROUND_TRIP_US"));
    if (hold) {
        if (const char* marker = std::getenv("QV_OCI_STANDIN_HOLD_MARKER"); marker && *marker)
            if (std::FILE* file = std::fopen(marker, "w"))
                std::fclose(file);
        ++held;
    }
    enum class Ending { Answered, Broken, TimedOut } ending = Ending::Answered;
    if (!hold && delay.count() == 0) {
        std::lock_guard lock(networkMutex);
        if (connection.breakRequested || (interrupted && connection.inCall)) {
            interrupted = 0;
            ending = Ending::Broken;
        }
    } else {
        // Nothing of the library is touched while the "network" waits.
        libraryLock().unlock();
        std::unique_lock lock(networkMutex);
        for (;;) {
            if (interrupted && connection.inCall) {
                interrupted = 0;
                connection.breakRequested = true;
            }
            if (connection.breakRequested) {
                ending = Ending::Broken;
                break;
            }
            const auto now = Clock::now();
            if (timeoutMs > 0 && now - start >= std::chrono::milliseconds(timeoutMs)) {
                ending = Ending::TimedOut;
                break;
            }
            if (!hold && now - start >= delay)
                break;
            // A signal handler cannot notify: its flag is looked at often.
            networkChanged.wait_for(lock, std::chrono::milliseconds(1));
        }
        lock.unlock();
        libraryLock().lock();
    }
    if (hold)
        --held;
    if (ending == Ending::Broken)
        fail(1013, "user requested cancel of current operation");
    if (ending == Ending::TimedOut)
        fail(3156, "OCI call timed out");
}

void requestBreak(Connection& connection)
{
    std::lock_guard lock(networkMutex);
    if (connection.inCall)
        connection.breakRequested = true;
    networkChanged.notify_all();
}

void resetBreak(Connection& connection)
{
    std::lock_guard lock(networkMutex);
    if (!connection.inCall)
        connection.breakRequested = false;
}

void installClientSignalHandler()
{
    struct sigaction action {};
    action.sa_handler = onClientInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

unsigned long long roundTripCount()
{
    return trips.load();
}

bool holding()
{
    return held.load() > 0;
}

}  // namespace qv::standin
