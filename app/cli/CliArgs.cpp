#include "CliArgs.h"

#include <cstdio>
#include <string>

#include "CliSupport.h"
#include "Commands.h"

std::string CCliFormatter::Synopsis(const CLI::App* app) const {
    const auto it = m_synopsis.find(app);
    return it == m_synopsis.end() ? std::string() : it->second;
}

std::string CCliFormatter::make_usage(const CLI::App* app, std::string name) const {
    const auto usage = m_usage.find(app);
    if (usage != m_usage.end()) return "Usage: restova-cli " + usage->second + "\n";
    const std::string synopsis = Synopsis(app);
    if (synopsis.empty()) return CLI::Formatter::make_usage(app, std::move(name));
    return "Usage: " + name + " " + synopsis + "\n";
}

std::string CCliFormatter::make_subcommand(const CLI::App* sub) const {
    std::string head = sub->get_name();
    const std::string synopsis = Synopsis(sub);
    if (!synopsis.empty()) head += " " + synopsis;
    // A long synopsis puts the summary on a line of its own.
    constexpr size_t kColumn = 28;
    if (head.size() > kColumn)
        head += "\n" + std::string(kColumn + 2, ' ');
    else
        head.resize(kColumn, ' ');
    return "  " + head + " " + sub->get_description() + "\n";
}

std::string CCliFormatter::make_option_opts(const CLI::Option* opt) const {
    if (opt->get_positional() || opt->get_type_size() == 0) return "";
    return " " + opt->get_type_name();
}

CLI::Option* AddWhole(CLI::App& sub, const std::string& name, long long min, long long max,
                      std::function<void(long long)> set, const std::string& help, const std::string& typeName) {
    return sub
        .add_option_function<std::string>(
            name,
            [name, min, max, set = std::move(set)](const std::string& text) {
                const bool signedText = !text.empty() && (text[0] == '-' || text[0] == '+');
                const std::optional<long long> value =
                    signedText && min >= 0 ? std::nullopt : ParseWhole(text, min, max);
                if (!value) {
                    throw CLI::ValidationError(name + " takes a whole number from " + std::to_string(min) + " to " +
                                               std::to_string(max));
                }
                set(*value);
            },
            help)
        ->type_name(typeName);
}

void SetUsage(CLI::App& sub, std::string usage) {
    if (auto formatter = std::dynamic_pointer_cast<CCliFormatter>(sub.get_formatter())) {
        formatter->SetUsage(&sub, std::move(usage));
    }
}

int UsageError(const std::string& command, const std::string& message) {
    std::fprintf(stderr, "restova-cli %s: %s\n", command.c_str(), message.c_str());
    for (const CliCommand& c : CliCommands()) {
        if (command == c.name) std::fprintf(stderr, "Usage: restova-cli %s %s\n", c.name, c.usage);
    }
    return 2;
}

std::pair<CLI::Option*, CLI::Option*> AddRecordSpeeds(CLI::App& sub, std::optional<int>& record,
                                                      std::optional<int>& turntable) {
    const CLI::Validator rpm = CLI::IsMember({"33", "45", "78"});
    auto* made =
        sub.add_option("--record", record, "the speed the record was made for")->type_name("33|45|78")->check(rpm);
    auto* played =
        sub.add_option("--turntable", turntable, "the speed the turntable ran at")->type_name("33|45|78")->check(rpm);
    made->needs(played);
    played->needs(made);
    return {made, played};
}
