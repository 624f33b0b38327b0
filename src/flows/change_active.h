// The change of the active environment: Tidewatch ended, the active environment parked, the
// chosen one activated (the parked one brought back when that fails) and Tidewatch started
// again when the new one had it running.
#pragma once

#include <string>

#include "flows/prompt.h"

namespace velnora::environments {
struct Context;
}

namespace velnora::flows {

enum class ChangeOutcome {
    kChanged,
    kAlreadyActive,  // the chosen environment is the active one; told, nothing to do
    // Nothing was changed: no parked name could be made, Tidewatch could not be ended, or the
    // chosen name is no parked key name.
    kRefused,
    // The chosen one could not be made active; the one that was active is active again.
    kFailedPreviousBack,
    // Neither the chosen nor the previous environment is active.
    kFailedNoneActive,
};

inline std::string_view OutcomeName(ChangeOutcome outcome) {
    static constexpr std::string_view kNames[] = {"changed", "already active", "refused",
                                                  "failed, the previous one back",
                                                  "failed, none active"};
    return OutcomeName(outcome, kNames);
}

// Shows the wait cursor while environments move.
ChangeOutcome ChangeActiveEnvironment(environments::Context& context, Prompt& prompt,
                                      const std::string& chosenKeyName);

}  // namespace velnora::flows
