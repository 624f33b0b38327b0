// Which environment a command line's ENV names: its key name, its location or its display
// name. Key names and locations are matched as Windows matches them, without regard to the
// letter case of ASCII letters; display names are texts and match exactly.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cmd/environment_listing.h"
#include "core/exit_codes.h"
#include "core/notice.h"

namespace velnora::cmd {

enum class MatchOutcome { kFound, kNone, kSeveral };

struct EnvironmentMatch {
    MatchOutcome outcome = MatchOutcome::kNone;
    // Indices into the listing of every environment that matches, in listing order.
    std::vector<std::size_t> indices;
};

EnvironmentMatch MatchEnvironment(const std::vector<ListedEnvironment>& environments,
                                  std::string_view env);

// How a command ends when ENV does not name exactly one environment: several matches are an
// ENV too vague to act on, as wrong arguments are.
core::CmdExit MatchExit(MatchOutcome outcome);

// The error of a match that found none or several: the latter lists every one that matched.
core::Notice MatchError(const std::vector<ListedEnvironment>& environments, std::string_view env,
                        const EnvironmentMatch& match, const core::TextSet& texts);

}  // namespace velnora::cmd
