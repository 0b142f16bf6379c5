// What restova-cli says and asks on its own account: notes and warnings on
// stderr that --quiet silences, the questions before it destroys anything,
// and the checks an OUT must pass before any audio is processed.
#pragma once

#include <string>

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

// True when OUT may be written: its folder exists and is writable, it is no folder itself, and when it
// exists it may be replaced (asked; without a terminal only --yes replaces it). Says why not otherwise.
bool OutMayBeWritten(const char* command, const std::string& out);

// A level on the 24-bit scale in dB below full scale (8388608), two decimals; "-inf" for 0.
std::string DbFs(double level);

// Reports file error rc of path as the engine does, after "restova-cli: PATH: REASON" when the system
// cannot open path for reading; returns rc.
int ReportUnreadable(int rc, const std::string& path);
