// CTrackIndexer: automatic placement of a song's track dividers. It measures
// the song's RMS level, runs CMarkSilence over the whole song through the
// document's filter runner with a threshold 12 dB under that level, names the
// dividers after the song and saves them where the document keeps them.
#pragma once

#include <string>

class CSongDocument;

class CTrackIndexer {
public:
    // How the last IndexTracks ended.
    enum Result : int {
        kIndexed = 0,    // the whole song was scanned; dividers named and saved
        kDeclined = 1,   // the user kept the existing dividers (message 215)
        kCancelled = 2,  // cancelled while scanning: the dividers placed so far are named and saved
        kFailed = 3,     // the song could not be read; the dividers are as they were
    };

    // The indexer's minimum silence (tenths of a second) and minimum track (hundredths).
    static constexpr int kMinSilence = 20;
    static constexpr int kMinTrack = 1000;

    // Indexes the open song. confirm: with dividers present, message 215 asks first; clear: all
    // dividers go before the scan. True when the whole song was indexed; the caller then shows
    // message 216 (ShowIndexed). LastResult tells the other outcomes apart.
    bool IndexTracks(CSongDocument& doc, bool confirm, bool clear);
    Result LastResult() const { return m_result; }

    // Message 216, that the song has been re-indexed.
    static void ShowIndexed();

    // The RMS level of the song's current audio (the session stream in session mode), 24-bit scale;
    // -1 when it could not be read or the scan was cancelled.
    static double SongRms(CSongDocument& doc);
    // The silence threshold in dB for RMS level rms (24-bit scale): 12 dB under it, whole dB. A level
    // that is zero or not a number gives a threshold no envelope falls below.
    static int ThresholdFor(double rms);

private:
    Result m_result = kIndexed;
};
