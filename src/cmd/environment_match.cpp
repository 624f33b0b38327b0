#include "cmd/environment_match.h"

#include <array>

#include "cmd/cmd_texts.h"

namespace velnora::cmd {

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// ASCII letters only: the bytes of a UTF-8 multibyte character are never ASCII, so they are
// compared as they are.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

// "C:\Tools\Vtx\" names the same folder as "C:\Tools\Vtx".
std::string_view WithoutTrailingSeparator(std::string_view path) {
    while (path.size() > 1 && (path.back() == '\\' || path.back() == '/'))
        path.remove_suffix(1);
    return path;
}

bool SameLocation(std::string_view a, std::string_view b) {
    return EqualsIgnoringAsciiCase(WithoutTrailingSeparator(a), WithoutTrailingSeparator(b));
}

struct MatchRule {
    bool (*matches)(const ListedEnvironment&, std::string_view env);
};

constexpr std::array kMatchRules = std::to_array<MatchRule>({
    {[](const ListedEnvironment& e, std::string_view env) {
        return EqualsIgnoringAsciiCase(e.key, env);
    }},
    {[](const ListedEnvironment& e, std::string_view env) {
        return SameLocation(e.location, env);
    }},
    {[](const ListedEnvironment& e, std::string_view env) { return e.displayName == env; }},
});

bool Matches(const ListedEnvironment& e, std::string_view env) {
    for (const auto& rule : kMatchRules)
        if (rule.matches(e, env))
            return true;
    return false;
}

}  // namespace

EnvironmentMatch MatchEnvironment(const std::vector<ListedEnvironment>& environments,
                                  std::string_view env) {
    EnvironmentMatch match;
    if (env.empty())
        return match;
    for (std::size_t i = 0; i < environments.size(); ++i)
        if (Matches(environments[i], env))
            match.indices.push_back(i);
    match.outcome = match.indices.empty()       ? MatchOutcome::kNone
                    : match.indices.size() == 1 ? MatchOutcome::kFound
                                                : MatchOutcome::kSeveral;
    return match;
}

core::CmdExit MatchExit(MatchOutcome outcome) {
    struct Row {
        MatchOutcome outcome;
        core::CmdExit exit;
    };
    static constexpr Row kRows[] = {
        {MatchOutcome::kFound, core::CmdExit::kDone},
        {MatchOutcome::kNone, core::CmdExit::kNoEnvironmentMatches},
        {MatchOutcome::kSeveral, core::CmdExit::kWrongArguments},
    };
    for (const auto& row : kRows)
        if (row.outcome == outcome)
            return row.exit;
    return core::CmdExit::kWrongArguments;
}

core::Notice MatchError(const std::vector<ListedEnvironment>& environments, std::string_view env,
                        const EnvironmentMatch& match, const core::TextSet& texts) {
    core::Notice notice;
    const bool several = match.outcome == MatchOutcome::kSeveral;
    notice.text =
        texts.Pick(several ? text::kSeveralMatch : text::kNoMatch) + "\"" + std::string(env) + "\"";
    for (const std::size_t i : match.indices) {
        if (i >= environments.size())
            continue;
        const auto& e = environments[i];
        notice.text += "\n  " + e.key + "  " + e.displayName + " (" + e.location + ")";
    }
    return notice;
}

}  // namespace velnora::cmd
