#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "base/AppSettings.h"
#include "base/IniFile.h"
#include "base/ProgramPaths.h"
#include "base/SettingsStore.h"
#include "support/TempDir.h"

namespace {

// Every stored field differs from its built-in value, with the awkward cases a
// real user produces: spaces, quotes, non-ASCII names, negative and high-bit numbers.
AppSettings Unusual(const std::string& programFolder) {
    AppSettings s(programFolder, "/share");
    s.TempPath = " /tmp/lead space";
    s.PresetPath = "/p/\"Presets\"";
    s.Bin1Path = "/music/Bin 1 é";
    s.Bin2Path = "/music/b2;x=y";
    s.Bin3Path = "/music/b3#";
    s.MP3EncPath = "/usr/lib/libmp3lame.so.0";
    s.Zarvo6Path = "";
    s.BtnFont = "DejaVu Sans";
    s.RecordMixer = "x-terminal-emulator -e alsamixer -V capture";
    s.BtnFontSize = 125;
    s.BtnFontColor = 0xFF123456u;
    for (int i = 0; i < 16; ++i) {
        s.GuidDevIn[i] = static_cast<uint8_t>(i * 17);
        s.GuidDevOut[i] = static_cast<uint8_t>(255 - i);
    }
    s.MMERecDev = 3;
    s.MMEPlayDev = 2;
    s.AutoCDDB = s.CDRipJitter = s.HiResRecording = s.MonoRecording = s.FlatPreamp = s.ReInitOnPlay = 1;
    s.UseSounds = s.UseWDM = s.AutoSaveDefaultPreset = s.LoopPreview = s.UseVOX = s.ShowWMAProfile = 0;
    s.VOXLevel = -45;
    s.WMACodecIdx = 4;
    s.WMAFormatIdx = 7;
    return s;
}

}  // namespace

// What is loaded back saves to the same text, so every field made the trip; the chime path is never
// written.
TEST(AppSettings, EveryFieldSurvivesSaveAndLoad) {
    TempDir dir;
    CSettingsStore store(dir.File("cfg/Parlowe/Restova.ini")), again(dir.File("again.ini"));
    ASSERT_TRUE(Unusual(dir.Path()).Save(store));  // the folder is created
    AppSettings read(dir.Path(), "/share");
    read.Load(store);
    ASSERT_TRUE(read.Save(again));
    const std::string text = ReadText(store.Path());
    EXPECT_EQ(ReadText(again.Path()), text);
    EXPECT_EQ(read.Bin1Path, "/music/Bin 1 é");
    // A new file holds the keys in their stated order.
    std::string keys;
    for (size_t at = text.find('\n'); at != std::string::npos && at + 1 < text.size(); at = text.find('\n', at + 1))
        keys += text.substr(at + 1, text.find('=', at) - at - 1) + ' ';
    EXPECT_EQ(
        keys,
        "PresetPath TempPath AutoSaveDefaultPreset UseWDM MMERecDev MMEPlayDev GuidDevIn GuidDevOut AutoCDDB "
        "CDRipJitter LoopPreview HiResRecording MonoRecording FlatPreamp UseVOX AdaptiveHum VOXLevel ReInitOnPlay "
        "ShowWMAProfile WMACodecIdx WMAFormatIdx BtnFontSize BtnFontColor UseSounds Bin1Path Bin2Path Bin3Path "
        "MP3EncPath Zarvo6Path BtnFont RecordMixer ");
    EXPECT_EQ(text.find("ChimeSndPath"), std::string::npos);
    EXPECT_NE(text.find("GuidDevIn=00112233445566778899AABBCCDDEEFF\n"), std::string::npos);
}

TEST(AppSettings, SaveKeepsForeignKeysAndLoadReadsTheChime) {
    TempDir dir;
    const std::string path = dir.File("Restova.ini");
    WriteText(path,
              "; hand-edited\n[restova]\nfirsttime=1\nChimeSndPath=/x/ding.wav\nLastPath=/songs\n"
              "[CDRip]\nSpeed=4\n");
    CSettingsStore store(path);
    AppSettings s(dir.Path(), "/share");
    s.Load(store);
    EXPECT_EQ(s.ChimeSndPath, "/x/ding.wav");
    s.ChimeSndPath = "/elsewhere.wav";
    ASSERT_TRUE(s.Save(store));
    EXPECT_EQ(store.GetProfileString("Restova", "ChimeSndPath"), "/x/ding.wav");
    EXPECT_EQ(store.GetProfileString("Restova", "LastPath"), "/songs");
    EXPECT_EQ(store.GetProfileInt("CDRip", "Speed", 0), 4);
    EXPECT_EQ(ReadText(path).rfind("; hand-edited\n[restova]\nfirsttime=1\n", 0), 0u);
}

TEST(AppSettings, MalformedValuesFallBackToBuiltIns) {
    TempDir dir;
    const std::string path = dir.File("Restova.ini");
    WriteText(path,
              "[Restova]\nVOXLevel=loud\nBtnFontSize=\nGuidDevIn=0011\nGuidDevOut="
              "zz112233445566778899AABBCCDDEEFF\nUseWDM=4294967295\n");
    CSettingsStore store(path);
    AppSettings s(dir.Path(), "/share");
    s.GuidDevIn.fill(9);
    s.Load(store);
    EXPECT_EQ(s.VOXLevel, -55);
    EXPECT_EQ(s.BtnFontSize, 100);
    EXPECT_EQ(s.GuidDevIn, AppSettings::Guid{});  // wrong length: zeroed, not partly copied
    EXPECT_EQ(s.GuidDevOut, AppSettings::Guid{});
    EXPECT_EQ(s.UseWDM, -1);  // the DWORD 0xFFFFFFFF
}

TEST(SettingsStore, WritesAreStoredAtOnceAndNeverClobberAnUnreadableFile) {
    TempDir dir;
    CSettingsStore store(dir.File("a/b/Restova.ini"));
    ASSERT_TRUE(store.WriteProfileInt("Restova", "FirstTime", 1));
    EXPECT_EQ(CSettingsStore(store.Path()).GetProfileInt("RESTOVA", "firsttime", 0), 1);
    const uint8_t bytes[] = {0, 1, 0xAB, 0xFF};
    ASSERT_TRUE(store.WriteProfileBinary("Restova", "Blob", bytes, sizeof bytes));
    std::vector<uint8_t> back;
    ASSERT_TRUE(store.GetProfileBinary("Restova", "Blob", back));
    EXPECT_EQ(back, std::vector<uint8_t>(bytes, bytes + 4));
    EXPECT_FALSE(store.GetProfileBinary("Restova", "FirstTime", back));  // "1": odd length

    // A folder where the file should be: reads give defaults, writes fail, nothing is replaced.
    CSettingsStore blocked(dir.Path());
    EXPECT_EQ(blocked.GetProfileInt("Restova", "FirstTime", 7), 7);
    EXPECT_FALSE(blocked.WriteProfileInt("Restova", "FirstTime", 1));
    EXPECT_FALSE(AppSettings(dir.Path(), "/share").Save(blocked));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path()));
}

TEST(SettingsStore, UpdateSavesOnceAndReadsItsOwnWrites) {
    TempDir dir;
    CSettingsStore store(dir.File("Restova.ini"));
    store.BeginUpdate();
    EXPECT_TRUE(store.WriteProfileString("Restova", "A", "1"));
    EXPECT_FALSE(store.WriteProfileString("Restova", "Bad", "x\ny"));
    EXPECT_TRUE(store.WriteProfileInt("Restova", "B", 2));
    EXPECT_EQ(store.GetProfileInt("Restova", "A", 0), 1);
    EXPECT_FALSE(std::filesystem::exists(store.Path()));   // nothing written before the end
    EXPECT_FALSE(store.EndUpdate());                       // one write was refused...
    EXPECT_EQ(store.GetProfileInt("Restova", "B", 0), 2);  // ...the others are stored
}

TEST(ProgramPaths, FoldersComeFromTheEnvironment) {
    const char* const names[] = {"HOME", "XDG_CONFIG_HOME", "RESTOVA_HOME"};
    std::optional<std::string> saved[3];
    for (int i = 0; i < 3; ++i) {
        if (const char* v = std::getenv(names[i])) saved[i] = v;
    }
    ::setenv("HOME", "/home/u/", 1);
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("RESTOVA_HOME");
    EXPECT_EQ(CProgramPaths::SettingsFile(), "/home/u/.config/Parlowe/Restova.ini");
    EXPECT_EQ(CProgramPaths::ProgramFolder(), "/home/u/Restova");
    ::setenv("XDG_CONFIG_HOME", "relative/cfg", 1);  // not absolute: ignored
    EXPECT_EQ(CProgramPaths::SettingsFile(), "/home/u/.config/Parlowe/Restova.ini");
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    ::setenv("RESTOVA_HOME", "/data/rv/", 1);
    EXPECT_EQ(CSettingsStore().Path(), "/cfg/Parlowe/Restova.ini");
    EXPECT_EQ(AppSettings().Bin1Path, "/data/rv/Bin1_My_Song_Files");
    EXPECT_TRUE(std::filesystem::is_directory(CProgramPaths::ShareFolder()));
    ::setenv("RESTOVA_HOME", "./rv/", 1);  // relative: from the current folder
    EXPECT_EQ(CProgramPaths::ProgramFolder(), std::filesystem::current_path().string() + "/rv");
    for (int i = 0; i < 3; ++i) saved[i] ? ::setenv(names[i], saved[i]->c_str(), 1) : ::unsetenv(names[i]);
}

// The advanced editor defaults to the desktop's wave editor when one is installed, else to none.
TEST(ProgramPaths, TheWaveEditorDefaultIsFoundOnThePath) {
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    TempDir dir;
    ASSERT_TRUE(WriteText(dir.File("audacity"), "#!/bin/sh\n"));
    ::setenv("PATH", ("/nonexistent:" + dir.Path().string()).c_str(), 1);
    EXPECT_EQ(AppSettings().Zarvo6Path, "");  // not executable
    std::filesystem::permissions(dir.File("audacity"), std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(AppSettings().Zarvo6Path, "audacity");
    ::setenv("PATH", "/nonexistent", 1);
    EXPECT_EQ(AppSettings().Zarvo6Path, "");
    ::setenv("PATH", savedPath.c_str(), 1);
}
