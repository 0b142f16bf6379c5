#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "audiofile/FileNames.h"
#include "support/TempDir.h"

namespace {

void Touch(const std::string& path) {
    std::ofstream(path) << "x";
}

TEST(FileNamesTest, CompanionNamesReplaceOrAppendTheExtension) {
    EXPECT_EQ(SessionFileName("/m/Song.wav"), "/m/Song.ses");
    EXPECT_EQ(PeakFileName("/m/Song.wav"), "/m/Song.pkf");
    EXPECT_EQ(SessionFileName("/m/Song"), "/m/Song.ses");
    EXPECT_EQ(PeakFileName("/m/a.b.wav"), "/m/a.b.pkf");
    // A leading dot is a hidden name, and a dot in a folder is no extension.
    EXPECT_EQ(PeakFileName("/m/.wav"), "/m/.wav.pkf");
    EXPECT_EQ(SessionFileName("/m.d/Song"), "/m.d/Song.ses");
    EXPECT_EQ(FileInTempDir("/t", "x.wav"), "/t/x.wav");
    EXPECT_EQ(FileInTempDir("/t/", "x.wav"), "/t/x.wav");
}

TEST(FileNamesTest, NumberedVariantCountsUpFromTheLargerNumber) {
    TempDir dir;
    const std::string song = dir.File("Song12.wav");
    EXPECT_EQ(NumberedVariant(song, 1000), dir.File("Song1000.wav"));
    EXPECT_EQ(NumberedVariant(song, 1), song);
    Touch(song);
    EXPECT_EQ(NumberedVariant(song, 1), dir.File("Song13.wav"));
    Touch(dir.File("Song13.wav"));
    EXPECT_EQ(NumberedVariant(song, 1), dir.File("Song14.wav"));
    EXPECT_EQ(NumberedVariant(dir.File("Take"), 0), dir.File("Take1"));

    // The search ends at 9999, taken even when it exists.
    Touch(dir.File("Last9999.wav"));
    EXPECT_EQ(NumberedVariant(dir.File("Last9998.wav"), 9999), dir.File("Last9999.wav"));

    // Long base names are cut to 250 characters before the number.
    const std::string longBase(300, 'a');
    EXPECT_EQ(NumberedVariant(dir.File(longBase + ".wav"), 5), dir.File(std::string(250, 'a') + "5.wav"));
}

TEST(FileNamesTest, TempWaveNamesSkipTakenNumbersAndWarnNearTheEnd) {
    TempDir dir;
    const std::string tmp = dir.Path().string();
    bool crowded = true;
    EXPECT_EQ(TempWaveName(tmp, 1, &crowded), dir.File("dctmp1.wav"));
    EXPECT_FALSE(crowded);
    Touch(dir.File("dctmp1.wav"));
    Touch(dir.File("dctmp2.wav"));
    EXPECT_EQ(TempWaveName(tmp + "/", 1), dir.File("dctmp3.wav"));

    EXPECT_EQ(TempWaveName(tmp, 9900, &crowded), dir.File("dctmp9900.wav"));
    EXPECT_FALSE(crowded);
    Touch(dir.File("dctmp9998.wav"));
    Touch(dir.File("dctmp9999.wav"));
    EXPECT_EQ(TempWaveName(tmp, 9998, &crowded), dir.File("dctmp9999.wav"));
    EXPECT_TRUE(crowded);
}

// Processes working in one folder at once (batch jobs, a second window) never get the same name.
TEST(FileNamesTest, ProcessesAtOnceNeverShareATempWaveName) {
    TempDir dir;
    const std::string tmp = dir.Path().string();
    constexpr int kEach = 40;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::vector<pid_t> children;
    for (int c = 0; c < 3; ++c) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            std::string names;
            for (int i = 0; i < kEach; ++i) names += TempWaveName(tmp) + "\n";
            const bool ok = ::write(fds[1], names.data(), names.size()) == static_cast<ssize_t>(names.size());
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    ::close(fds[1]);
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::string all;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) all.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    std::set<std::string> names;
    size_t count = 0;
    for (size_t at = 0, end; (end = all.find('\n', at)) != std::string::npos; at = end + 1, ++count) {
        names.insert(all.substr(at, end - at));
    }
    EXPECT_EQ(count, 3u * kEach);
    EXPECT_EQ(names.size(), count);
}

}  // namespace
