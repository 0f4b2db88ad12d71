#include "shell/start_timings.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifndef _WIN32
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#endif

namespace eh::shell {
namespace {

using Clock = std::chrono::steady_clock;

struct State {
    bool on = false;
    bool begun = false;
    Clock::time_point start;
    Clock::time_point last;
};

State& state() {
    static State s;
    return s;
}

double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

#ifndef _WIN32
// Milliseconds from the process's creation (its start time in /proc, in clock ticks since
// boot) to now on the boot clock; negative when it cannot be read.
double msSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string line;
    if (!std::getline(stat, line)) return -1.0;
    // Fields after the command name (which may hold spaces) start after the last ')'.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) return -1.0;
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    unsigned long long startTicks = 0;
    for (int i = 3; i <= 22 && rest >> field; ++i) {
        if (i == 22) startTicks = std::strtoull(field.c_str(), nullptr, 10);
    }
    const long hz = sysconf(_SC_CLK_TCK);
    timespec now{};
    if (startTicks == 0 || hz <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1.0;
    const double nowMs = static_cast<double>(now.tv_sec) * 1000.0 + now.tv_nsec / 1.0e6;
    return nowMs - static_cast<double>(startTicks) * 1000.0 / static_cast<double>(hz);
}
#endif

}  // namespace

void StartTimingsBegin() {
    State& s = state();
    if (s.begun) return;
    s.begun = true;
    const char* env = std::getenv("EMBERHOLD_TIMINGS");
    s.on = env != nullptr && std::strcmp(env, "1") == 0;
    s.start = s.last = Clock::now();
    if (!s.on) return;
#ifndef _WIN32
    const double before = msSinceProcessStart();
    if (before >= 0.0)
        std::fprintf(stderr, "start: before-main %.1f (process start to main, 10 ms ticks)\n",
                     before);
#endif
}

void StartTimingsMark(const char* phase) {
    State& s = state();
    if (!s.on) return;
    const Clock::time_point now = Clock::now();
#ifndef _WIN32
    // The main thread's own CPU time: on a busy machine the wall clock mostly measures
    // the wait for a core, this what the start-up itself costs on its critical path.
    timespec cpu{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    std::fprintf(stderr, "start: %-22s %8.1f (+%.1f) main-thread cpu %.1f\n", phase,
                 msBetween(s.start, now), msBetween(s.last, now),
                 static_cast<double>(cpu.tv_sec) * 1000.0 + cpu.tv_nsec / 1.0e6);
#else
    std::fprintf(stderr, "start: %-22s %8.1f (+%.1f)\n", phase, msBetween(s.start, now),
                 msBetween(s.last, now));
#endif
    s.last = now;
}

bool StartTimingsOn() {
    return state().on;
}

}  // namespace eh::shell
