#include "JobPool.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "CliOutput.h"
#include "base/HeadlessServices.h"
#include "base/Services.h"

bool RunJobsInProcesses(const char* command, size_t count, int jobs, const JobSteps& steps) {
    std::map<pid_t, size_t> running;
    bool failed = false;
    bool forwarded = false;
    size_t next = 0;
    for (;;) {
        while (static_cast<int>(running.size()) < jobs && next < count && !Interrupted().load()) {
            const size_t i = next++;
            if (!steps.prepare(i)) {
                failed = true;
                continue;
            }
            std::fflush(nullptr);  // a child must not write out what the parent has buffered
            const pid_t pid = ::fork();
            if (pid == 0) {
                // Bars of several jobs would overwrite each other; each job's lines say enough.
                if (auto* headless = dynamic_cast<CHeadlessServices*>(&Services())) headless->SetProgressBar(nullptr);
                const bool ok = steps.work(i);
                std::fflush(nullptr);
                ::_exit(ok ? 0 : 1);  // the parent owns the working folders: no destructors here
            }
            if (pid < 0) {
                Tell(std::string("restova-cli ") + command + ": cannot start a job: " + std::strerror(errno));
                failed = true;
                continue;
            }
            running[pid] = i;
        }
        if (running.empty()) break;
        int status = 0;
        const pid_t pid = ::waitpid(-1, &status, 0);
        if (pid < 0) {
            if (errno != EINTR) break;
            // Ctrl-C reaches the children of a terminal by itself; a signal sent to us alone is passed on.
            if (Interrupted().load() && !forwarded) {
                for (const auto& [child, index] : running) ::kill(child, SIGINT);
                forwarded = true;
            }
            continue;
        }
        const auto it = running.find(pid);
        if (it == running.end()) continue;
        const bool ran = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !Interrupted().load();
        if (!steps.done(it->second, ran)) failed = true;
        running.erase(it);
    }
    return !failed && !Interrupted().load();
}
