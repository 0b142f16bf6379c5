#include "FileBatch.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <thread>

#include "CliArgs.h"
#include "CliOutput.h"
#include "CliSupport.h"
#include "JobPool.h"
#include "audiofile/FileNames.h"
#include "base/ProgramPaths.h"
#include "base/Services.h"
#include "processing/FilterRunner.h"

void AddFileBatch(CLI::App& sub, FileBatch& batch, const std::string& inHelp) {
    sub.add_option("FILES", batch.files, "IN OUT: " + inHelp + " and the wave to write; with --to, the waves to take")
        ->required()
        ->type_name("");
    sub.add_option("--to", batch.to, "write each IN into this folder, under its own name")->type_name("DIR");
    AddWhole(sub, "--jobs", batch.jobs, 1, 64, "with --to, files to work on at once (default: one per core)");
}

int RunFileBatch(const char* command, const FileBatch& batch, const OneFile& one) {
    if (batch.to.empty()) {
        if (batch.jobs != 0) return UsageError(command, "--jobs needs --to DIR");
        if (batch.files.size() != 2) return UsageError(command, "give IN OUT, or IN... --to DIR");
        return one(batch.files[0], batch.files[1], false);
    }
    // Each output takes its input's name, so two inputs of one name would write one file.
    std::set<std::string> titles;
    std::vector<std::string> outs;
    for (const std::string& in : batch.files) {
        const std::string title = FileTitle(in);
        if (!titles.insert(title).second) {
            return UsageError(command, "two inputs are named " + title + "; give them one at a time");
        }
        outs.push_back((std::filesystem::path(batch.to) / (title + ".wav")).string());
    }
    CProgramPaths::MakeDirectories(batch.to);
    if (!FolderIsWritable(command, batch.to, "the waves")) return 1;

    // Questions come here, one by one, before any job starts; a job asks nothing more.
    std::vector<bool> go(outs.size());
    for (size_t i = 0; i < outs.size(); ++i) {
        go[i] =
            !Interrupted().load() && !OutIsIn(command, batch.files[i], outs[i]) && OutMayBeWritten(command, outs[i]);
    }
    const size_t count = outs.size();
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const int jobs = static_cast<int>(std::min<size_t>(batch.jobs > 0 ? batch.jobs : cores, count));

    size_t ended = 0;
    size_t failed = 0;
    // One bar for the files when they run side by side; a file at a time shows its own run's bar.
    IServices& ui = Services();
    if (jobs > 1) ui.ProgressOpen(0, static_cast<int>(count), std::string("restova-cli ") + command);
    JobSteps steps;
    steps.prepare = [&](size_t i) {
        if (go[i]) return true;
        ++failed;
        if (jobs > 1) ui.ProgressSetPos(static_cast<int>(++ended));
        return false;
    };
    auto runOne = [&](size_t i) {
        std::printf("in: %s\nout: %s\n", batch.files[i].c_str(), outs[i].c_str());
        return one(batch.files[i], outs[i], true) == 0;
    };
    steps.work = [&](size_t i) {
        // The processes fill the cores already; one more thread each would only compete.
        if (jobs > 1) CFilterRunner::SetRunThreads(1);
        SetConsentPolicy(ConsentPolicy::No);
        return runOne(i);
    };
    steps.done = [&](size_t, bool ok) {
        if (!ok) ++failed;
        if (jobs > 1) ui.ProgressSetPos(static_cast<int>(++ended));
        return ok;
    };
    if (jobs > 1) {
        RunJobsInProcesses(command, count, jobs, steps);
    } else {
        for (size_t i = 0; i < count && !Interrupted().load(); ++i) {
            if (steps.prepare(i)) steps.done(i, runOne(i));
        }
    }
    if (jobs > 1 && ui.ProgressIsOpen()) ui.ProgressClose();
    if (failed > 0) {
        Tell(std::string("restova-cli ") + command + ": " + std::to_string(failed) + " of " + std::to_string(count) +
             " files failed");
    }
    return failed > 0 || Interrupted().load() ? 1 : 0;
}
