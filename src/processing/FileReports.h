// How the file, session and peak-file layers reach the user. Those layers
// show nothing: they return faults, leave their questions to a decision and
// their progress to a callback. This is where the callers (the runner, the
// track tools, the command line, the window) turn them into the program's
// messages, questions and progress window.
#pragma once

#include <string>

#include "audiofile/FileFault.h"
#include "audiofile/JobProgress.h"

class CEditQueue;
class CWaveFile;

// Shows each fault's message, oldest first.
void ReportFileFaults(const FileFaults& faults);
// Asks message 376 (Yes, No, Cancel): true (Yes) keeps the readable steps of a damaged session.
bool AskRecoverSession(const std::string& songPath);
// Progress in the progress window that is open: the position of every percent; answers whether to go
// on (the cancel flag).
JobProgress ProgressInWindow();
// After wave was opened or reopened with result rc: reports what its session met on the way, and rc
// itself when it is a file error other than a session that could not be opened. Returns rc.
int ReportOpening(CWaveFile& wave, int rc, const std::string& path);
// Lets queue ask its questions and show its peak builds in the window.
void UseWindowFor(CEditQueue& queue);
// Commits queue into target with "Please Wait, Saving file %1", then "Creating Peak File", in the
// progress window (opened for the time of the commit when none is open), and reports what went
// wrong. True when target now holds the stream.
bool CommitInWindow(CEditQueue& queue, const std::string& target);
