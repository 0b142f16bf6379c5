#include "base/StringTable.h"

#include <unordered_map>

#include "base/StringTexts.h"

namespace {

const std::unordered_map<int, std::string>& Table() {
    static const std::unordered_map<int, std::string> table = [] {
        std::unordered_map<int, std::string> t;
        for (auto part : {EngineTexts(), WindowTexts()})
            for (const TextEntry& e : part) t.emplace(e.id, e.text);
        return t;
    }();
    return table;
}

}  // namespace

const std::string& LoadString(MsgId id) {
    static const std::string empty;
    const auto& table = Table();
    auto it = table.find(id);
    return it == table.end() ? empty : it->second;
}

std::string FillIn(std::string text, std::initializer_list<std::string> args) {
    std::string out;
    out.reserve(text.size());
    auto next = args.begin();
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char n = i + 1 < text.size() ? text[i + 1] : '\0';
        if (c == '%' && n >= '1' && n <= '9') {
            const size_t k = static_cast<size_t>(n - '1');
            if (k < args.size()) out += *(args.begin() + k);
            ++i;
        } else if (c == '%' && (n == 's' || n == 'd')) {
            if (next != args.end()) out += *next++;
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::string FormatString(MsgId id, std::initializer_list<std::string> args) {
    return FillIn(LoadString(id), args);
}

std::string FormatString(MsgId id, const std::string& arg) {
    return FillIn(LoadString(id), {arg});
}

MsgAnswer ShowMessage(MsgId id, MsgIcon icon, MsgButtons buttons, std::initializer_list<std::string> args) {
    return Services().MessageBox(FormatString(id, args), kAppCaption, icon, buttons);
}

MsgAnswer ShowMessage(MsgId id, MsgIcon icon, MsgButtons buttons, const std::string& arg) {
    return ShowMessage(id, icon, buttons, {arg});
}
