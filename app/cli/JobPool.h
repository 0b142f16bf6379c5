// Work on many files at once, each job in a child process of its own: the
// engine keeps one cancel flag and one progress window per process, so
// processes, not threads, are what keep every core busy over many files.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

struct JobSteps {
    // In the parent before job i starts; false counts it failed and skips it.
    std::function<bool(size_t)> prepare = [](size_t) { return true; };
    // In the child: the job itself; true when it succeeded.
    std::function<bool(size_t)> work;
    // In the parent after job i ended, with whether its child succeeded; false counts it failed.
    std::function<bool(size_t, bool)> done = [](size_t, bool ok) { return ok; };
};

// Runs count jobs, up to jobs at a time. Ctrl-C reaches the children (and is passed on when only this
// process got it); no new job starts then. False when any job failed or the run was interrupted.
bool RunJobsInProcesses(const char* command, size_t count, int jobs, const JobSteps& steps);
