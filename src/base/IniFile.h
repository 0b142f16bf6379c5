// One INI layer for the settings file and the preset files: sections and keys
// are matched without regard to ASCII case, lines the program does not touch
// (comments, blank lines, unknown sections, keys outside any section, junk)
// are kept as they are, and saving is atomic (a new file in the same folder,
// flushed to disk, renamed over the old one).
//
// Reading follows the private-profile conventions: the first of duplicate
// sections or keys wins, whitespace around names and values is dropped, and a
// value wrapped in one pair of double quotes loses them. Writing quotes a value
// that would otherwise not read back unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CIniFile {
public:
    enum LoadResult { kLoaded = 0, kMissing = 1, kFailed = 2 };

    // Files above this size are refused rather than read into memory (bytes).
    static constexpr size_t kMaxFileBytes = 16u << 20;

    // Replaces the contents with the file's lines. A missing file gives an
    // empty file and kMissing; an unreadable or oversized one kFailed (contents emptied).
    LoadResult Load(const std::string& path);
    // Replaces the contents with these bytes (any bytes; never fails).
    void Parse(std::string_view text);
    // The file as it will be saved.
    std::string Text() const;
    // Writes Text() atomically; false (old file untouched) on any failure.
    // The folder is not created.
    bool Save(const std::string& path) const;

    // The value of key in section; false when either is absent.
    bool GetValue(std::string_view section, std::string_view key, std::string& value) const;
    std::string GetString(std::string_view section, std::string_view key, std::string_view fallback = {}) const;
    // The value read as a decimal integer; fallback when absent or not a number.
    // Values up to 4294967295 wrap as unsigned 32-bit registry numbers do.
    int GetInt(std::string_view section, std::string_view key, int fallback) const;
    bool HasSection(std::string_view section) const;
    // The GetInt rule on a bare value: false when it is not a number in range.
    static bool ParseInt(std::string_view text, int& value);

    // Sets key in section, adding the key after the section's last entry or
    // the section at the end. False (nothing changed) when a name or the
    // value holds a line break or a NUL, a name is empty or would not read back.
    bool SetValue(std::string_view section, std::string_view key, std::string_view value);
    // Removes the key's line (the first match); false when absent.
    bool DeleteKey(std::string_view section, std::string_view key);
    // Removes the section's header and every line up to the next section.
    bool DeleteSection(std::string_view section);

    // Names as written in the file, in file order (duplicates once, first spelling).
    std::vector<std::string> Sections() const;
    std::vector<std::string> Keys(std::string_view section) const;
    bool Modified() const { return m_modified; }

    // Private-profile style access to a file on disk. Reads give fallback
    // when the file, section or key is missing. A write loads the file, edits
    // it and saves it; the file is created only when its folder exists, and
    // an existing file that cannot be read is never overwritten. A null value
    // deletes the key; a null key deletes the section.
    static std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                               std::string_view fallback, const std::string& path);
    static int GetPrivateProfileInt(std::string_view section, std::string_view key, int fallback,
                                    const std::string& path);
    static bool WritePrivateProfileString(std::string_view section, const char* key, const char* value,
                                          const std::string& path);

private:
    enum class Kind { Other, Section, Entry };
    struct Line {
        std::string text;  // without its line ending
        Kind kind = Kind::Other;
        std::string name;   // section or key name, trimmed
        std::string value;  // entry value, trimmed and unquoted
    };

    static Line Classify(std::string text);
    // Index of the section's header line; npos when absent.
    size_t FindSection(std::string_view section) const;
    // Index one past the section's last line (the next header or the end).
    size_t SectionEnd(size_t header) const;
    size_t FindKey(size_t header, std::string_view key) const;

    std::vector<Line> m_lines;
    std::string m_eol = "\n";
    bool m_bom = false;
    bool m_modified = false;
};
