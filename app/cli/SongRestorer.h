// The window's road for one recording, without the window: speed correction
// and RIAA where asked, Clean, Enhance, indexing and the Final Touches
// maximise, each a step of one session on a working copy, committed once and
// then split into songs or kept whole. The working copy lives in a hidden
// folder inside the output folder; the results move out of it only when all
// of the road went through, so a failure or Ctrl-C leaves nothing half-written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CSongDocument;

struct RestoreSettings {
    std::string folder;                      // where the results go
    std::optional<double> speedRatio;        // speed correction, when the turntable ran at another speed
    bool riaa = false;                       // RIAA equalisation, for a flat preamp
    std::optional<std::string> cleanPreset;  // none: "Default", else the Clean pane's start values
    std::string enhancePreset = "Default";
    bool enhance = true;
    bool index = false;  // place the dividers anew in the silences
    bool split = false;  // one wave per song, named after its divider
};

struct RestoredSong {
    std::string path;
    double seconds = 0;
    uint32_t peak = 0;  // largest sample magnitude, 24-bit scale
};

class CSongRestorer {
public:
    explicit CSongRestorer(const RestoreSettings& settings) : m_settings(settings) {}

    // Restores the wave in (file number of count, for the progress lines) and appends the songs written
    // into the folder. False when it failed, was cancelled or the results may not replace files of the
    // same names (each told).
    bool Restore(const std::string& in, int number, int count, std::vector<RestoredSong>& songs);

private:
    // The road over the working copy song; results receives the files to move into the folder.
    bool RunRoad(const std::string& song, std::vector<std::string>& results);
    bool RunStages(CSongDocument& doc);
    // Moves results into the folder after asking about files they replace.
    bool MoveIntoFolder(const std::vector<std::string>& results, std::vector<RestoredSong>& songs);
    // "restova-cli restore: [n/count] title: what" on stderr.
    void Say(const std::string& what) const;

    const RestoreSettings& m_settings;
    std::string m_in;
    std::string m_label;
};

// The song's length in seconds and its largest sample magnitude; false when it cannot be read.
bool MeasureSong(const std::string& path, RestoredSong& song);
