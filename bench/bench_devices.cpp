// The sound engine on the virtual card, for both back-ends:
//  1. streamed preview latency: from a block handed to the device to its last
//     frame leaving the card, producer paced at real time (goal: the engine
//     adds at most 100 ms to the audio queued ahead of the block, once the
//     pre-roll has filled; the start-up wait is printed on its own);
//  2. CPU while a wave plays at real time (goal: under 2 % of a core);
//  3. capture drop-outs over 10 minutes of input delivered at 20x real time,
//     the card losing what the engine has no room for (goal: none).
// Usage: bench_devices [DIR] (default: a new folder under $TMPDIR).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "BenchTimer.h"
#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "base/HeadlessServices.h"
#include "devices/AudioDevice.h"
#include "devices/Player.h"
#include "devices/VirtualCard.h"

namespace {

namespace fs = std::filesystem;

bool WriteNoise(const std::string& path, uint32_t seconds) {
    CWaveFile wave;
    WAVEFORMATEX fmt = MakeWaveFormat(1, 2, 44100, 16);
    if (wave.OpenWrite(path, fmt, kWriteCreate) != kFileOk) return false;
    std::vector<uint8_t> block(176400);
    uint32_t x = 1;
    for (uint32_t s = 0; s < seconds; ++s) {
        for (auto& b : block) b = static_cast<uint8_t>((x = x * 1664525u + 1013904223u) >> 24);
        if (wave.Write(block.data(), static_cast<int64_t>(block.size())) != static_cast<int64_t>(block.size())) {
            return false;
        }
    }
    return wave.FinishWrite() == kFileOk;
}

// Streams 200 blocks of 2048 frames at real time; prints the median and worst time from hand-over to
// the block's last frame leaving the card, and the same less the audio queued ahead of the block.
void Latency(CAudioHost& host, AppSettings& settings, bool wdm) {
    constexpr uint32_t kBlock = 4096;  // samples, stereo: 2048 frames, 46 ms
    constexpr int kBlocks = 200;
    settings.UseWDM = wdm;
    CVirtualCard& card = host.VirtualCard();
    card.SetPace(1);
    card.SetSink("");
    auto device = CreateAudioDevice(settings, host);
    CPlayer player(*device);
    player.SetLoop(false);
    CWaveFile block(kBlock, kBlock);
    block.SetFormat(kWaveFormatPcm, 2, 44100, 16);
    if (!player.StartStream(block, block.Format(), kBlocks * kBlock * 2)) return;
    const uint64_t base = card.FramesPlayed();
    std::vector<BenchClock::time_point> handed(kBlocks), left(kBlocks);
    std::vector<uint64_t> aheadFrames(kBlocks);
    int next = 0;
    auto watch = [&] {
        const uint64_t played = card.FramesPlayed() - base;
        while (next < kBlocks && played >= uint64_t(next + 1) * kBlock / 2) left[next++] = BenchClock::now();
    };
    const auto start = BenchClock::now();
    for (int k = 0; k < kBlocks; ++k) {
        // The producer keeps to real time, as a filter that is just fast enough would.
        const auto due = start + std::chrono::microseconds(int64_t{k} * kBlock / 2 * 1000000 / 44100);
        while (BenchClock::now() < due) {
            Services().WaitMessages(1);
            watch();
        }
        std::fill(block.BlockStart(), block.BlockStart() + kBlock, 1000);
        handed[k] = BenchClock::now();
        aheadFrames[k] =
            uint64_t(k) * kBlock / 2 - std::min<uint64_t>(uint64_t(k) * kBlock / 2, card.FramesPlayed() - base);
        player.TakeBlock(block.BlockStart(), kBlock);
        watch();
    }
    while (next < kBlocks && player.State() != kPlayerStopped) {
        Services().WaitMessages(1);
        watch();
    }
    // The first kStreamPreRoll blocks wait, by design, for the pre-roll to fill before anything
    // sounds; they are reported as start-up. The goal applies to the blocks after them.
    constexpr int kPre = CPlayer::kStreamPreRoll;
    std::vector<double> total, added;
    for (int k = kPre; k < next; ++k) {
        const double ms = std::chrono::duration<double, std::milli>(left[k] - handed[k]).count();
        total.push_back(ms);
        // What the audio ahead of the block and the block itself account for.
        added.push_back(ms - (aheadFrames[k] + kBlock / 2) * 1000.0 / 44100);
    }
    std::sort(total.begin(), total.end());
    std::sort(added.begin(), added.end());
    if (total.empty()) return;
    const double firstOut = std::chrono::duration<double, std::milli>(left[0] - handed[0]).count();
    const double preRollMs = kPre * (kBlock / 2) * 1000.0 / 44100;
    std::printf(
        "%s streamed preview: start-up %.0f ms from the first block to its last frame out (the %d-block "
        "pre-roll alone is %.0f ms); after it, hand-over to sink median %.0f ms, worst %.0f ms; beyond the "
        "audio queued ahead: median %.0f ms, worst %.0f ms (%d blocks)\n",
        wdm ? "WDM" : "MME", firstOut, kPre, preRollMs, total[total.size() / 2], total.back(),
        added[added.size() / 2], added.back(), next - kPre);
    player.StopPlayback();
}

// Plays 10 s of a wave at real time; prints the CPU time per wall time.
void Cpu(CAudioHost& host, AppSettings& settings, bool wdm, const std::string& wave) {
    settings.UseWDM = wdm;
    CVirtualCard& card = host.VirtualCard();
    card.SetPace(1);
    card.SetSink("");
    auto device = CreateAudioDevice(settings, host);
    CPlayer player(*device);
    const double cpu0 = CpuSeconds();
    const auto wall0 = BenchClock::now();
    if (!player.PlayFile(wave, 0, 10 * 176400)) return;
    while (player.State() != kPlayerStopped) {
        Services().WaitMessages(CPlayer::kPositionPeriodMs);
        player.OnTimer();
    }
    const double cpu = CpuSeconds() - cpu0;
    const double wall = Seconds(wall0);
    std::printf("%s file playback: %.2f %% of a core (%.3f s CPU over %.1f s)\n", wdm ? "WDM" : "MME",
                100.0 * cpu / wall, cpu, wall);
}

// Records 10 minutes of input delivered at 20x real time; prints the frames lost.
void DropOuts(CAudioHost& host, AppSettings& settings, bool wdm, const std::string& folder) {
    settings.UseWDM = wdm;
    CVirtualCard& card = host.VirtualCard();
    card.SetPace(20);
    card.SetSource("");
    auto device = CreateAudioDevice(settings, host);
    CPlayer player(*device);
    const std::string take = folder + "/take.wav";
    player.SetState(kPlayerRecording);
    if (!player.StartRecording(take, MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16), true)) return;
    const auto wall0 = BenchClock::now();
    while (player.InputMs() < 10 * 60 * 1000) Services().WaitMessages(CPlayer::kPositionPeriodMs);
    player.StopRecording();
    std::printf("%s capture: 10 min at 20x real time in %.1f s: %llu frames lost, %.1f s written\n",
                wdm ? "WDM" : "MME", Seconds(wall0), static_cast<unsigned long long>(device->DroppedFrames()),
                static_cast<double>(player.TakeBytes()) / 176400);
    fs::remove(take);
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "restova_bench_devices";
    fs::create_directories(folder);
    CHeadlessServices services;
    SetServices(&services);
    AppSettings settings(folder.string(), folder.string());
    SetSettings(&settings);
    CAudioHost host(false);
    const std::string wave = (folder / "noise.wav").string();
    if (!WriteNoise(wave, 11)) {
        std::fprintf(stderr, "cannot write %s\n", wave.c_str());
        return 1;
    }
    for (bool wdm : {true, false}) Latency(host, settings, wdm);
    for (bool wdm : {true, false}) Cpu(host, settings, wdm, wave);
    for (bool wdm : {true, false}) DropOuts(host, settings, wdm, folder.string());
    fs::remove(wave);
    SetSettings(nullptr);
    SetServices(nullptr);
    return 0;
}
