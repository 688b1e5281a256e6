#pragma once

#include <csignal>
#include <cstddef>
#include <iterator>
#include <signal.h>

// Ctrl-C, SIGTERM and SIGHUP ask the command to stop for as long as the guard lives; the
// previous handlers come back with it.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that arrived, 0 while none did.
    static int Caught();

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_previous[std::size(kSignals)]{};
};

// "中断しました。(SIGTERM)" and the status of the signal.
int Stopped(int signal);
// After a failure: the status of a stop that caused it, else `status`.
int StoppedOr(int status);
