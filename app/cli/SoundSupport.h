// What the play and record commands share: choosing the sound device from
// the command line and drawing a level meter with the time on a terminal.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class AppSettings;
class CAudioHost;

// Makes the engine use the device named (or, with a WAV file or fast mode and no name, the virtual
// card, which then plays into or records from file at real time or as fast as it can). Prints the
// reason and returns false when the name is unknown or fast is asked of a real card.
bool ChooseDevice(const char* command, CAudioHost& host, AppSettings& settings, bool capture, const std::string& name,
                  const std::string& file, bool fast);

// A one-line meter: both channels' peaks in dB and the time, redrawn in place.
class CTerminalMeter {
public:
    // Draws only when stream is a terminal.
    explicit CTerminalMeter(std::FILE* stream);
    ~CTerminalMeter();
    // Peaks on the 24-bit scale; seconds of sound so far (of total when total > 0).
    void Draw(int32_t left, int32_t right, double seconds, double total = 0);
    // Ends the line.
    void Finish();

private:
    std::FILE* m_stream;
    bool m_drawn = false;
};
