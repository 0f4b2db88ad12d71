// Start-up phase log: with EMBERHOLD_TIMINGS=1 in the environment, each phase of a run's
// start (window and video, device, loading screen, media, first frame) prints one line to
// stderr: "start: <phase> <ms since main> (+<ms since the previous mark>)" and, on Linux,
// the main thread's CPU time so far; on Linux
// the first line also gives the time the process spent before main (loader, relocations,
// static constructors). Nothing is printed or measured otherwise. scripts/bench and
// anyone looking for where a slow start goes read these lines.
#pragma once

namespace eh::shell {

// Starts the clock (main calls it first thing). Reads EMBERHOLD_TIMINGS once.
void StartTimingsBegin();
// Prints the mark `phase` when timings are on.
void StartTimingsMark(const char* phase);
// True when EMBERHOLD_TIMINGS=1.
bool StartTimingsOn();

}  // namespace eh::shell
