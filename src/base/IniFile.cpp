#include "base/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <unordered_set>

namespace {

constexpr std::string_view kSpace = " \t\r\f\v";
constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
    size_t first = s.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    size_t last = s.find_last_not_of(kSpace);
    return s.substr(first, last - first + 1);
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

std::string Folded(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = Lower(c);
    return out;
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos;
}

bool Quoted(std::string_view s) {
    return s.size() >= 2 && s.front() == '"' && s.back() == '"';
}

// A name that Classify would read back unchanged.
bool UsableKey(std::string_view key) {
    if (key.empty() || Trim(key) != key || HasLineBreakOrNul(key)) return false;
    if (key.find('=') != key.npos) return false;
    return key.front() != '[' && key.front() != ';' && key.front() != '#';
}

bool UsableSection(std::string_view section) {
    return !section.empty() && Trim(section) == section && !HasLineBreakOrNul(section) &&
           section.find(']') == section.npos;
}

// Loops over short writes and interrupted calls.
bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

CIniFile::Line CIniFile::Classify(std::string text) {
    Line line;
    line.text = std::move(text);
    std::string_view t = Trim(line.text);
    if (t.empty() || t.front() == ';' || t.front() == '#') return line;
    if (t.front() == '[') {
        size_t close = t.find(']');
        if (close == t.npos) return line;
        line.kind = Kind::Section;
        line.name = std::string(Trim(t.substr(1, close - 1)));
        return line;
    }
    size_t eq = t.find('=');
    if (eq == t.npos) return line;
    std::string_view key = Trim(t.substr(0, eq));
    if (key.empty()) return line;
    std::string_view value = Trim(t.substr(eq + 1));
    if (Quoted(value)) value = value.substr(1, value.size() - 2);
    line.kind = Kind::Entry;
    line.name = std::string(key);
    line.value = std::string(value);
    return line;
}

void CIniFile::Parse(std::string_view text) {
    m_lines.clear();
    m_eol = "\n";
    m_modified = false;
    m_bom = text.substr(0, kBom.size()) == kBom;
    if (m_bom) text.remove_prefix(kBom.size());
    bool eolChosen = false;
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view raw = text.substr(0, nl);
        text.remove_prefix(nl == text.npos ? text.size() : nl + 1);
        // Every trailing CR goes: one left at a line's end would not survive the next save.
        const bool crlf = !raw.empty() && raw.back() == '\r';
        while (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        if (nl != std::string_view::npos && !eolChosen) {
            if (crlf) m_eol = "\r\n";
            eolChosen = true;
        }
        m_lines.push_back(Classify(std::string(raw)));
    }
}

CIniFile::LoadResult CIniFile::Load(const std::string& path) {
    Parse({});
    // Non-blocking, so that a FIFO in the file's place is refused instead of hanging.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return (errno == ENOENT || errno == ENOTDIR) ? kMissing : kFailed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > kMaxFileBytes) {
        ::close(fd);
        return kFailed;
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || text.size() + static_cast<size_t>(n) > kMaxFileBytes) {
            ::close(fd);
            return kFailed;
        }
        if (n == 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    Parse(text);
    return kLoaded;
}

std::string CIniFile::Text() const {
    std::string out;
    if (m_bom) out += kBom;
    for (const auto& line : m_lines) {
        out += line.text;
        out += m_eol;
    }
    return out;
}

bool CIniFile::Save(const std::string& path) const {
    if (path.empty()) return false;
    // Replace the file a symbolic link points to, not the link.
    std::string target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    mode_t mode = 0644;
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return false;
        mode = st.st_mode & 07777;
    }

    size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = dir + "/." + base + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;

    const std::string text = Text();
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, text.data(), text.size()) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; the new contents are complete either way.
    int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

size_t CIniFile::FindSection(std::string_view section) const {
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Section && SameName(m_lines[i].name, Trim(section))) return i;
    }
    return std::string::npos;
}

size_t CIniFile::SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < m_lines.size() && m_lines[i].kind != Kind::Section) ++i;
    return i;
}

size_t CIniFile::FindKey(size_t header, std::string_view key) const {
    if (header == std::string::npos) return std::string::npos;
    size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == Kind::Entry && SameName(m_lines[i].name, Trim(key))) return i;
    }
    return std::string::npos;
}

bool CIniFile::GetValue(std::string_view section, std::string_view key, std::string& value) const {
    size_t i = FindKey(FindSection(section), key);
    if (i == std::string::npos) return false;
    value = m_lines[i].value;
    return true;
}

std::string CIniFile::GetString(std::string_view section, std::string_view key, std::string_view fallback) const {
    std::string value;
    return GetValue(section, key, value) ? value : std::string(fallback);
}

int CIniFile::GetInt(std::string_view section, std::string_view key, int fallback) const {
    std::string text;
    int value = 0;
    return GetValue(section, key, text) && ParseInt(text, value) ? value : fallback;
}

bool CIniFile::ParseInt(std::string_view text, int& value) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    uint64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
        if (magnitude > UINT32_MAX) return false;
    }
    if (negative) {
        if (magnitude > static_cast<uint64_t>(INT_MAX) + 1) return false;
        value = static_cast<int>(-static_cast<int64_t>(magnitude));
    } else {
        // Registry numbers are unsigned 32-bit: 4294967241 is -55.
        value = static_cast<int>(static_cast<int32_t>(static_cast<uint32_t>(magnitude)));
    }
    return true;
}

bool CIniFile::HasSection(std::string_view section) const {
    return FindSection(section) != std::string::npos;
}

bool CIniFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    if (!UsableSection(section) || !UsableKey(key) || HasLineBreakOrNul(value)) return false;
    std::string stored(value);
    if (Trim(value) != value || Quoted(value)) stored = "\"" + stored + "\"";

    size_t header = FindSection(section);
    if (header == std::string::npos) {
        m_lines.push_back(Classify("[" + std::string(section) + "]"));
        m_lines.push_back(Classify(std::string(key) + "=" + stored));
        m_modified = true;
        return true;
    }
    size_t i = FindKey(header, key);
    if (i != std::string::npos) {
        std::string text = m_lines[i].name + "=" + stored;
        if (text != m_lines[i].text) {
            m_lines[i] = Classify(std::move(text));
            m_modified = true;
        }
        return true;
    }
    // After the section's last entry, so that comments and blank lines that
    // lead into the next section stay with it.
    size_t at = header + 1;
    const size_t end = SectionEnd(header);
    for (size_t j = header + 1; j < end; ++j) {
        if (m_lines[j].kind == Kind::Entry) at = j + 1;
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), Classify(std::string(key) + "=" + stored));
    m_modified = true;
    return true;
}

bool CIniFile::DeleteKey(std::string_view section, std::string_view key) {
    size_t header = FindSection(section);
    if (FindKey(header, key) == std::string::npos) return false;
    // Every duplicate goes, or the next one would surface in its place.
    const size_t end = SectionEnd(header);
    size_t out = header + 1;
    for (size_t i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == Kind::Entry && SameName(m_lines[i].name, Trim(key))) continue;
        if (out != i) m_lines[out] = std::move(m_lines[i]);
        ++out;
    }
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(out),
                  m_lines.begin() + static_cast<std::ptrdiff_t>(end));
    m_modified = true;
    return true;
}

bool CIniFile::DeleteSection(std::string_view section) {
    bool found = false;
    for (size_t h = FindSection(section); h != std::string::npos; h = FindSection(section)) {
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(h),
                      m_lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(h)));
        found = true;
    }
    m_modified = m_modified || found;
    return found;
}

std::vector<std::string> CIniFile::Sections() const {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const auto& line : m_lines) {
        if (line.kind == Kind::Section && seen.insert(Folded(line.name)).second) names.push_back(line.name);
    }
    return names;
}

std::vector<std::string> CIniFile::Keys(std::string_view section) const {
    std::vector<std::string> names;
    size_t header = FindSection(section);
    if (header == std::string::npos) return names;
    std::unordered_set<std::string> seen;
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == Kind::Entry && seen.insert(Folded(m_lines[i].name)).second) {
            names.push_back(m_lines[i].name);
        }
    }
    return names;
}

std::string CIniFile::GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view fallback,
                                              const std::string& path) {
    CIniFile ini;
    ini.Load(path);
    return ini.GetString(section, key, fallback);
}

int CIniFile::GetPrivateProfileInt(std::string_view section, std::string_view key, int fallback,
                                   const std::string& path) {
    CIniFile ini;
    ini.Load(path);
    return ini.GetInt(section, key, fallback);
}

bool CIniFile::WritePrivateProfileString(std::string_view section, const char* key, const char* value,
                                         const std::string& path) {
    CIniFile ini;
    // A file that exists but cannot be read would be lost by saving over it.
    if (ini.Load(path) == kFailed) return false;
    if (key == nullptr) {
        ini.DeleteSection(section);
    } else if (value == nullptr) {
        ini.DeleteKey(section, key);
    } else if (!ini.SetValue(section, key, value)) {
        return false;
    }
    if (!ini.Modified()) return true;
    return ini.Save(path);
}
