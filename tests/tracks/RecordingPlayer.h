// A player for the track tests that plays nothing and remembers every range it was asked to play.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "devices/TrackPlayer.h"

class CRecordingPlayer : public ITrackPlayer {
public:
    bool PlayRange(CWaveFile&, uint32_t start, uint32_t end) override {
        ranges.emplace_back(start, end);
        return true;
    }
    bool IsPlaying() const override { return false; }
    void Stop() override {}
    std::vector<std::pair<uint32_t, uint32_t>> ranges;  // bytes [start, end) of each request
};
