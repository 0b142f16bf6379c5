// The window's road for one recording, without the window: speed correction
// and RIAA where asked, Clean, Enhance, indexing and the Final Touches
// maximise, each a step of one session on a working copy, committed once and
// then split into songs or kept whole. The working copy lives in a hidden
// folder inside the output folder; the results move out of it only when all
// of the road went through, so a failure or Ctrl-C leaves nothing half-written.
#pragma once

#include <cstdint>
#include <memory>
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

class CWorkFolder;

// One recording's road. Prepare and Finish run in the command's own process; RunRoad, the long part,
// may run in a child process of its own, which hands its results over through SaveResults.
class CSongRestorer {
public:
    // in is file number of count, for the progress lines.
    CSongRestorer(const RestoreSettings& settings, const std::string& in, int number, int count);
    ~CSongRestorer();
    CSongRestorer(const CSongRestorer&) = delete;
    CSongRestorer& operator=(const CSongRestorer&) = delete;

    // Checks the recording and copies it into a working folder of its own; false (told) when it cannot
    // be restored.
    bool Prepare();
    // The road over the working copy; false when it failed or was cancelled.
    bool RunRoad();
    // Writes the files the road made into the working folder, or reads them back; false when it cannot.
    bool SaveResults() const;
    bool LoadResults();
    // Moves the results into the folder after asking about files they replace, and appends the songs
    // written. False when they may not replace files of the same names (told) or cannot be moved.
    bool Finish(std::vector<RestoredSong>& songs);

private:
    bool RunStages(CSongDocument& doc);
    // "restova-cli restore: [n/count] title: what" on stderr.
    void Say(const std::string& what) const;
    std::string ResultsList() const;

    const RestoreSettings& m_settings;
    const std::string m_in;
    const std::string m_label;
    std::unique_ptr<CWorkFolder> m_work;
    std::string m_song;                  // the working copy
    std::vector<std::string> m_results;  // what the road made, in the working folder
};

// The song's length in seconds and its largest sample magnitude; false when it cannot be read.
bool MeasureSong(const std::string& path, RestoredSong& song);
