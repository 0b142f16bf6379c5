// CCdToc: a disc's table of contents as the ripper uses it: the tracks with
// their start address, length and kind, and the texts the track list shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr uint32_t kCdFrameBytes = 2352;  // one frame: 1/75 s of 16-bit stereo at 44100 Hz
inline constexpr uint32_t kCdFramesPerSecond = 75;
inline constexpr uint32_t kCdPregapFrames = 150;  // LBA of LSN 0

struct CdTrack {
    int number = 0;        // 1..99
    int32_t startLsn = 0;  // first frame, counted from the start of the program area
    uint32_t frames = 0;   // up to the next track's start (the lead-out for the last)
    bool audio = true;     // control bit 2 clear
};

class CCdToc {
public:
    std::vector<CdTrack> tracks;  // in track order
    int32_t leadOutLsn = 0;

    // Length in seconds, from the difference of the minute/second/frame addresses.
    static double Seconds(const CdTrack& track) { return track.frames / static_cast<double>(kCdFramesPerSecond); }
    // "Audio Track 03" or "Data track 03".
    static std::string RowName(const CdTrack& track);
    // "m:ss" for audio; for data tracks the size as "%8.1f KB" or, above 1000 KB, "%8.1f MB".
    static std::string RowTime(const CdTrack& track);
    // "Total Time m:ss" over every track.
    std::string TotalText() const;
    // The track with this number, or null.
    const CdTrack* Find(int number) const;
    // The disc's length in whole seconds as title lookup counts it (lead-out LBA / 75).
    uint32_t DiscSeconds() const { return (static_cast<uint32_t>(leadOutLsn) + kCdPregapFrames) / kCdFramesPerSecond; }
};
