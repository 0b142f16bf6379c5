// Declaring restova-cli's arguments with CLI11: numbers in plain decimal only,
// and usage errors that name the command and show its usage.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>

// The help layout: the hand-written synopsis of each command (alternatives such as "--start MS |
// --end MS" that option lists cannot show) in the usage line and in the list of commands.
class CCliFormatter : public CLI::Formatter {
public:
    // What follows the command's name on its usage line.
    void SetSynopsis(const CLI::App* app, std::string synopsis) { m_synopsis[app] = std::move(synopsis); }
    // The whole usage line after "restova-cli", for commands inside commands ("divider FILE add ...").
    void SetUsage(const CLI::App* app, std::string usage) { m_usage[app] = std::move(usage); }
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_subcommand(const CLI::App* sub) const override;
    // Only the value's name ("--hiss N"), without CLI11's notes on types and exclusions.
    std::string make_option_opts(const CLI::Option* opt) const override;

private:
    std::string Synopsis(const CLI::App* app) const;
    std::map<const CLI::App*, std::string> m_synopsis;
    std::map<const CLI::App*, std::string> m_usage;
};

// Sets the usage line of a command inside a command, when sub shows its help through a CCliFormatter.
void SetUsage(CLI::App& sub, std::string usage);

// An option taking a whole decimal number in [min, max] (no hex, octal or exponent; a sign only where
// min is negative); set receives it. The help shows its value as typeName.
CLI::Option* AddWhole(CLI::App& sub, const std::string& name, long long min, long long max,
                      std::function<void(long long)> set, const std::string& help, const std::string& typeName = "N");

template <class T>
struct WholeTarget {
    using type = T;
};
template <class T>
struct WholeTarget<std::optional<T>> {
    using type = T;
};

// --record and --turntable (33, 45 or 78 rpm), each needing the other; the two options.
std::pair<CLI::Option*, CLI::Option*> AddRecordSpeeds(CLI::App& sub, std::optional<int>& record,
                                                      std::optional<int>& turntable);

template <class T>
CLI::Option* AddWhole(CLI::App& sub, const std::string& name, T& into, long long min, long long max,
                      const std::string& help, const std::string& typeName = "N") {
    return AddWhole(
        sub, name, min, max, [&into](long long v) { into = static_cast<typename WholeTarget<T>::type>(v); }, help,
        typeName);
}

// A usage fault found after parsing: "restova-cli COMMAND: message" and the command's usage on
// stderr; returns the exit status 2.
int UsageError(const std::string& command, const std::string& message);
