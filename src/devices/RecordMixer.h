// The sound card's recording mixer, started as a program of its own so that
// the user can set the line input's level while the meters run: the
// RecordMixer setting when it names one, else pavucontrol on its input tab,
// else alsamixer's capture view in a terminal. Interface thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CRecordMixer {
public:
    CRecordMixer() = default;
    ~CRecordMixer() { Close(); }
    CRecordMixer(const CRecordMixer&) = delete;
    CRecordMixer& operator=(const CRecordMixer&) = delete;

    // Ends a mixer started before, then starts one. False, with the reason shown, when none is
    // installed or it cannot start.
    bool Open(const std::string& setting);
    // Ends the mixer if it still runs.
    void Close();
    bool IsOpen() const { return m_handle > 0; }

    // The command line Open runs for a setting: the setting split at blanks, else the first
    // installed of pavucontrol and a terminal with alsamixer; empty when there is none.
    static std::vector<std::string> CommandFor(const std::string& setting);

private:
    int64_t m_handle = -1;
};
