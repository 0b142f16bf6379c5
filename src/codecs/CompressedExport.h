// "Create MP3" and "Create WMA" of the CD writer: the selected songs encoded
// into Bin3's "Mp3Files" or "WmaFiles" folder (or "FlacFiles" when the
// OutputFlac setting asks for lossless files instead of WMA), with the
// progress window, the cancel flag and the closing question.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "codecs/AudioTags.h"

class AppSettings;
class CSettingsStore;

struct ExportSong {
    std::string path;  // a finished wave
    AudioTags tags;    // its title (divider or track name) and what the CD lookup gave
};

struct ExportResult {
    int written = 0;
    int failed = 0;
    bool cancelled = false;
    std::string folder;
};

// Asked once per run before the first WMA: codec and format indexes in, the user's choice out;
// false keeps the stored choice. Without one the stored choice is used.
using WmaCodecChooser = std::function<bool(int& codecIdx, int& formatIdx)>;

// The workflow's actions. A failed song does not stop the batch; cancel does (its file is removed)
// and then no question is asked.
ExportResult CreateMp3Files(const std::vector<ExportSong>& songs, const AppSettings& settings, CSettingsStore& store);
ExportResult CreateWmaFiles(const std::vector<ExportSong>& songs, AppSettings& settings, CSettingsStore& store,
                            const WmaCodecChooser& chooser = nullptr);

// "Show MP3" / "Show WMA": opens the output folder with the desktop's handler.
bool ShowMp3Folder(const AppSettings& settings);
bool ShowWmaFolder(const AppSettings& settings, const CSettingsStore& store);
