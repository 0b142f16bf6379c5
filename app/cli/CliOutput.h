// What restova-cli says and asks on its own account: notes and warnings on
// stderr that --quiet silences, the questions before it destroys anything,
// and the checks an OUT must pass before any audio is processed.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

// Set by Ctrl-C (and SIGTERM) for the whole run; unlike the engine's cancel flag, no job clears it.
std::atomic<bool>& Interrupted();

// Says text on stderr as the engine's messages are said (nothing with --quiet).
void Tell(const std::string& text);

// How questions of restova-cli's own are answered: --yes, --no, or by asking on a terminal.
enum class ConsentPolicy { Ask, Yes, No };
void SetConsentPolicy(ConsentPolicy policy);

// The answer to a yes/no question: given, refused, or not asked because there is no terminal to ask on.
enum class Consent { Given, Refused, NotAsked };
// Asks question (on stderr, reading the answer from stdin) when both are a terminal and neither
// --yes nor --no was given.
Consent Ask(const std::string& question);

// True when folder is a folder we may write into; else says why, naming what cannot be written.
bool FolderIsWritable(const char* command, const std::string& folder, const std::string& what);

// True when OUT may be written: its folder exists and is writable, it is no folder itself, and when it
// exists it may be replaced (asked; without a terminal only --yes replaces it). Says why not otherwise.
bool OutMayBeWritten(const char* command, const std::string& out);

// A level on the 24-bit scale in dB below full scale (8388608), two decimals; "-inf" for 0.
std::string DbFs(double level);

// Prints "clipped-samples: N" and "clipped-max-db: X.XX" (the largest overshoot above full scale) for a
// run over total samples, and warns on stderr when more than a trace (0.001 %) was clipped.
struct ClipStats;
bool ClippedMoreThanATrace(const ClipStats& clipped, uint64_t total);
void ReportClipping(const char* command, const ClipStats& clipped, uint64_t total, const std::string& hint = "");

// Reports file error rc of path as the engine does, after "restova-cli: PATH: REASON" when the system
// cannot open path for reading; returns rc.
int ReportUnreadable(int rc, const std::string& path);
