#include "app/StopSignals.h"

#include <atomic>
#include <cstdio>

#include "app/HeadlessTypes.h"
#include "base/TextFile.h"

namespace {

std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

extern "C" void OnStopSignal(int signal)
{
    g_signal = signal;
    g_stopReading = 1;
}

const char* SignalName(int signal)
{
    switch (signal) {
        case SIGTERM: return "SIGTERM";
        case SIGHUP: return "SIGHUP";
        default: return "SIGINT";
    }
}

}  // namespace

StopSignals::StopSignals()
{
    g_signal = 0;
    g_stopReading = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &action, &m_previous[i]);
    }
}

StopSignals::~StopSignals()
{
    g_stopReading = 0;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &m_previous[i], nullptr);
    }
}

int StopSignals::Caught()
{
    return g_signal;
}

int Stopped(int signal)
{
    std::fprintf(stderr, "nestrix: 中断しました。(%s)\n", SignalName(signal));
    return kExitSignalBase + signal;
}

int StoppedOr(int status)
{
    return StopSignals::Caught() != 0 ? Stopped(StopSignals::Caught()) : status;
}
