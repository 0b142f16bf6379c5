// Feeds arbitrary bytes to the INI parser and checks that an edit always
// reads back and that written text parses to itself.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    CIniFile ini;
    ini.Parse(text);
    for (const auto& section : ini.Sections()) {
        for (const auto& key : ini.Keys(section)) {
            std::string value;
            if (!ini.GetValue(section, key, value)) std::abort();
            (void)ini.GetInt(section, key, 0);
        }
    }
    // The input's first line doubles as a value to store.
    std::string value(text.substr(0, text.find_first_of(std::string_view("\r\n\0", 3))));
    if (!ini.SetValue("Restova", "FirstTime", value)) std::abort();
    if (ini.GetString("RESTOVA", "firsttime") != value) std::abort();
    const std::string once = ini.Text();
    CIniFile again;
    again.Parse(once);
    if (again.Text() != once || again.GetString("restova", "FIRSTTIME") != value) std::abort();
    ini.DeleteKey("Restova", "FirstTime");
    ini.DeleteSection("Restova");
    if (ini.HasSection("Restova")) std::abort();
    return 0;
}
