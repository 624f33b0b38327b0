// The uninstall of an environment, the active one or another: the question, Tidewatch, the
// vendor uninstaller (another environment is made active for it and put back afterwards), the
// choice of the next active environment, and the install manager's own removal after the last.
#pragma once

#include <string>

#include "flows/prompt.h"

namespace velnora::environments {
struct Context;
}

namespace velnora::flows {

enum class UninstallOutcome {
    kUninstalled,  // gone; an environment is active again where any is left
    // Gone, and of the two or more left none was chosen to be active.
    kUninstalledNoneChosen,
    // The last environment is gone, and the install manager's installed copy with it.
    kLastGone,
    kCancelled,  // the user said no
    // Nothing was uninstalled and the environments are as before: Tidewatch could not be
    // ended, or the chosen one could not be made active for its uninstaller.
    kRefused,
    // The uninstaller did not start, could not be waited for or left the environment; the
    // environments are as before.
    kNotUninstalled,
    // No environment is active: the one left or the one that was active could not be
    // activated (again).
    kFailedNoneActive,
};

inline std::string_view OutcomeName(UninstallOutcome outcome) {
    static constexpr std::string_view kNames[] = {
        "uninstalled", "uninstalled, none chosen", "the last one gone",  "cancelled",
        "refused",     "not uninstalled",          "failed, none active"};
    return OutcomeName(outcome, kNames);
}

struct UninstallResult {
    UninstallOutcome outcome;
    // Environments listed after the uninstall; -1 where the flow did not list them again.
    int left = -1;
};

UninstallResult UninstallEnvironment(environments::Context& context, Prompt& prompt,
                                     const std::string& chosenKeyName);

}  // namespace velnora::flows
