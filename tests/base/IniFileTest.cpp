#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "base/IniFile.h"
#include "support/TempDir.h"

namespace {

size_t CountEntries(const std::string& folder) {
    size_t n = 0;
    for (auto it = std::filesystem::directory_iterator(folder); it != std::filesystem::directory_iterator(); ++it) ++n;
    return n;
}

}  // namespace

TEST(IniFile, ReadsLikePrivateProfileFunctions) {
    CIniFile ini;
    ini.Parse(
        "orphan=outside\n"
        "; comment=no\n"
        "[Impulse]\n"
        "  Set = 1,2,3  \n"
        "set=second\n"
        "Quoted=\"  spaced  \"\n"
        "Half=\"open\n"
        "Empty=\n"
        "no equals sign\n"
        "[ Other ]\n"
        "Key=x\n"
        "[IMPULSE]\n"
        "Late=hidden\n");
    EXPECT_EQ(ini.GetString("impulse", "SET"), "1,2,3");  // first duplicate, trimmed, any case
    EXPECT_EQ(ini.GetString("Impulse", "Quoted"), "  spaced  ");
    EXPECT_EQ(ini.GetString("Impulse", "Half"), "\"open");
    std::string value = "x";
    EXPECT_TRUE(ini.GetValue("Impulse", "Empty", value));
    EXPECT_EQ(value, "");
    EXPECT_EQ(ini.GetString("other", "key"), "x");
    EXPECT_EQ(ini.GetString("Impulse", "orphan", "fb"), "fb");  // keys before any section belong to none
    EXPECT_EQ(ini.GetString("Impulse", "; comment", "fb"), "fb");
    EXPECT_EQ(ini.GetString("Impulse", "Late", "fb"), "fb");  // only the first of duplicate sections counts
    EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"Impulse", "Other"}));
    EXPECT_EQ(ini.Keys("impulse"), (std::vector<std::string>{"Set", "Quoted", "Half", "Empty"}));
}

TEST(IniFile, IntegersFollowRegistryNumbers) {
    CIniFile ini;
    ini.Parse("[s]\na=42\nc=4294967241\nd=12abc\ne=99999999999\nf=-2147483648\ng= +7 \nh=-\n");
    // c is the DWORD spelling of -55; d, e and h are not numbers and give the default.
    const std::pair<const char*, int> cases[] = {{"a", 42},        {"c", -55}, {"d", 3}, {"e", 3},
                                                 {"f", INT32_MIN}, {"g", 7},   {"h", 3}, {"missing", 3}};
    for (auto [key, value] : cases) EXPECT_EQ(ini.GetInt("s", key, 3), value) << key;
}

TEST(IniFile, EditsKeepEveryOtherLine) {
    CIniFile ini;
    ini.Parse(
        "; settings\n"
        "stray=1\n"
        "[A]\n"
        "one=1\n"
        "\n"
        "; about B\n"
        "[B]\n"
        "Two = 2\n"
        "junk line\n"
        "[C]\n"
        "gone=1\n"
        "gone=2\n"
        "kept=3\n");
    EXPECT_FALSE(ini.Modified());
    EXPECT_TRUE(ini.SetValue("a", "new", "n"));   // after the last entry, before the blank line
    EXPECT_TRUE(ini.SetValue("b", "TWO", "22"));  // in place, the file's spelling kept
    EXPECT_TRUE(ini.SetValue("D", "k", "v"));     // a new section at the end
    EXPECT_TRUE(ini.DeleteKey("c", "GONE"));      // every duplicate, so none surfaces
    EXPECT_FALSE(ini.DeleteKey("c", "gone"));
    EXPECT_TRUE(ini.Modified());
    EXPECT_EQ(ini.Text(),
              "; settings\n"
              "stray=1\n"
              "[A]\n"
              "one=1\n"
              "new=n\n"
              "\n"
              "; about B\n"
              "[B]\n"
              "Two=22\n"
              "junk line\n"
              "[C]\n"
              "kept=3\n"
              "[D]\n"
              "k=v\n");
    EXPECT_TRUE(ini.DeleteSection("b"));
    EXPECT_EQ(ini.Text().find("junk line"), std::string::npos);
    EXPECT_NE(ini.Text().find("; about B\n[C]"), std::string::npos);
}

TEST(IniFile, ValuesThatWouldNotReadBackAreQuotedOrRefused) {
    CIniFile ini;
    for (std::string v : {" lead", "trail\t", "\"quoted\"", "\"", "a=b;c#d", "/home/u/My Songs"}) {
        ASSERT_TRUE(ini.SetValue("S", "k", v)) << v;
        CIniFile again;
        again.Parse(ini.Text());
        EXPECT_EQ(again.GetString("S", "k"), v);
    }
    const std::string before = ini.Text();
    const std::pair<std::string, std::string> refused[] = {
        {"k", "two\nlines"}, {"k", std::string("nul\0byte", 8)}, {"a=b", "v"}, {"[k", "v"}, {" k", "v"}, {"", "v"}};
    for (const auto& [key, value] : refused) EXPECT_FALSE(ini.SetValue("S", key, value)) << key;
    EXPECT_FALSE(ini.SetValue("S]", "k", "v"));
    EXPECT_FALSE(ini.SetValue("", "k", "v"));
    EXPECT_EQ(ini.Text(), before);
}

TEST(IniFile, HostileFilesReadWithoutCrashAndSaveWithLinesKept) {
    const std::string longLine(1 << 20, 'x');
    const std::string junk("\x00\xff\xfe[\x01=\x02]\r\x7f", 10);
    struct Case {
        const char* what;
        std::string text;
    } cases[] = {
        {"no final newline", "[S]\nk=v"},
        {"CRLF", "[S]\r\nk=v\r\n; c\r\n"},
        {"duplicate keys", "[S]\nk=v\nk=w\n"},
        {"long line", "[S]\nk=v\n" + longLine + "\n"},
        {"binary junk", junk + "\n[S]\nk=v\n" + junk},
        {"byte order mark", "\xEF\xBB\xBF[S]\nk=v\n"},
        {"unclosed section", "[S\n[S]\nk=v\n"},
        {"lone CR", "[S]\rk=x\n[S]\nk=v\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CIniFile ini;
        ini.Parse(c.text);
        if (std::string(c.what) != "lone CR") {
            EXPECT_EQ(ini.GetString("s", "K"), "v");
        }
        ASSERT_TRUE(ini.SetValue("s", "added", "1"));
        const std::string out = ini.Text();
        // Every original line is still there, byte for byte (a CR before its newline aside).
        std::istringstream lines(c.text);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            EXPECT_NE(out.find(line), std::string::npos) << line.substr(0, 40);
        }
        CIniFile again;
        again.Parse(out);
        EXPECT_EQ(again.GetString("S", "added"), "1");
        EXPECT_EQ(again.Text(), out);  // stable once written
    }
}

TEST(IniFile, SaveIsAtomicAndKeepsTheOldFileOnFailure) {
    TempDir dir;
    const std::string path = dir.File("Restova.ini");
    WriteText(path, "[Old]\nk=v\n");
    ::chmod(path.c_str(), 0600);

    CIniFile ini;
    ASSERT_EQ(ini.Load(path), CIniFile::kLoaded);
    ini.SetValue("New", "big", std::string(64 * 1024, 'b'));

    // A full disk makes the write of the new file fail part-way.
    bool saved = true;
    {
        DiskLimit full(4096);
        saved = ini.Save(path);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadText(path), "[Old]\nk=v\n");
    EXPECT_EQ(CountEntries(dir.Path()), 1u);  // no temporary file left behind

    // A folder in the file's place is neither replaced nor touched.
    const std::string folder = dir.File("taken.ini");
    std::filesystem::create_directory(folder);
    WriteText(folder + "/inside", "x");
    EXPECT_FALSE(ini.Save(folder));
    EXPECT_EQ(ReadText(folder + "/inside"), "x");

    // Success: new contents, old permissions, written through a link to the real file.
    ASSERT_TRUE(ini.Save(path));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const std::string link = dir.File("link.ini");
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    ini.SetValue("Old", "k", "w");
    ASSERT_TRUE(ini.Save(link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(CIniFile::GetPrivateProfileString("old", "K", "", path), "w");
}

TEST(IniFile, LoadReportsMissingAndUnreadableFiles) {
    TempDir dir;
    CIniFile ini;
    EXPECT_EQ(ini.Load(dir.File("none.ini")), CIniFile::kMissing);
    EXPECT_EQ(ini.Load(dir.Path()), CIniFile::kFailed);
    const std::string fifo = dir.File("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ini.Load(fifo), CIniFile::kFailed);  // refused, not waited on
    const std::string huge = dir.File("huge.ini");
    WriteText(huge, "");
    ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(CIniFile::kMaxFileBytes + 1)), 0);
    EXPECT_EQ(ini.Load(huge), CIniFile::kFailed);
    EXPECT_TRUE(ini.Sections().empty());
    // Never overwritten by a file that would hold only the new value.
    EXPECT_FALSE(CIniFile::WritePrivateProfileString("S", "k", "v", huge));
    EXPECT_EQ(std::filesystem::file_size(huge), CIniFile::kMaxFileBytes + 1);
}

TEST(IniFile, PrivateProfileWritesCreateFilesOnlyInExistingFolders) {
    TempDir dir;
    const std::string missing = dir.File("Impulse/Default.pst");
    EXPECT_FALSE(CIniFile::WritePrivateProfileString("Impulse", "Set", "1,2,3,4,5,6,7,8,9,10,11", missing));
    EXPECT_FALSE(std::filesystem::exists(dir.File("Impulse")));
    EXPECT_EQ(CIniFile::GetPrivateProfileString("Impulse", "Set", "none", missing), "none");

    const std::string path = dir.File("Default.pst");
    WriteText(path, "[Hum]\r\nSet=9\r\n");
    ASSERT_TRUE(CIniFile::WritePrivateProfileString("Impulse", "Set", "1,2", path));
    ASSERT_TRUE(CIniFile::WritePrivateProfileString("impulse", "Extra", "-3", path));
    EXPECT_EQ(ReadText(path), "[Hum]\r\nSet=9\r\n[Impulse]\r\nSet=1,2\r\nExtra=-3\r\n");

    ASSERT_TRUE(CIniFile::WritePrivateProfileString("Impulse", "Extra", nullptr, path));
    EXPECT_EQ(ReadText(path), "[Hum]\r\nSet=9\r\n[Impulse]\r\nSet=1,2\r\n");
    ASSERT_TRUE(CIniFile::WritePrivateProfileString("Impulse", nullptr, nullptr, path));
    EXPECT_EQ(ReadText(path), "[Hum]\r\nSet=9\r\n");
}
