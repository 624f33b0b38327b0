// The activation switch: parks the active environment's material under a key name of its own
// and brings a parked environment's material to the live names. Both directions walk one
// table of components in step order; when a step fails, the rollback walks the same table
// back from step 1 to the failed step with the moves of the other direction.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "core/notice.h"
#include "core/texts.h"

namespace velnora::core {
struct Context;
}

namespace velnora::environments {

struct Context;

enum class SwitchDirection { kDeactivation, kActivation };

// One move of a component, given the environment's parked key name. What a failed move has to
// say goes to `notices`.
using ComponentMove = bool (*)(Context& context, const std::string& parkedName,
                               core::Notices& notices);
// Is anything of a component at the names of a key name (the live ones for the product GUID)?
using ComponentProbe = bool (*)(Context& context, const std::string& keyName);

struct SwitchComponent {
    int step;
    // Named in the messages of a failed step; unnamed components fail silently.
    std::optional<core::TextId> name;
    ComponentMove park;      // live names -> parked names
    ComponentMove activate;  // parked names -> live names
    // The rollback of a failed deactivation runs `activate`, that of a failed activation
    // runs `park`, unless the component needs something else there.
    ComponentMove undoPark = nullptr;
    ComponentMove undoActivate = nullptr;
    // Whether a failed move got anything to its target: only then is it reversed. Its reverse
    // would otherwise fail for want of a source, or replace the source with what another
    // environment left at the target.
    ComponentProbe presentAt = nullptr;
};

// The eight components in step order.
std::span<const SwitchComponent> SwitchComponents();

// Pre-check results: which component's basis is missing.
namespace precheck {
inline constexpr int kComplete = 0;
inline constexpr int kUninstallEntry = 1;
inline constexpr int kInstallerInfo = 3;
inline constexpr int kProgramsFolder = 4;
inline constexpr int kWindowsFolder = 5;
}  // namespace precheck

// Are the uninstall entry, the installer information folder of the key name and the common
// programs and Windows folders there? A precheck code.
int CheckEnvironmentComponents(core::Context& context, const std::string& keyName);

// Whoever follows a switch step by step: told before each step begins, after the last one has
// ended, and when a failed step's rollback left the environment split between its names. A
// step that may not begin fails as a move that moved nothing.
class SwitchSteps {
  public:
    virtual ~SwitchSteps() = default;
    virtual bool Begins(int step) = 0;
    virtual void Ended() = 0;
    virtual void RollbackFailed() = 0;
};

// Parks the active environment under `parkedName`, a fresh GUID text. False with the rollback
// done and, except for steps 7 and 8, a notice of the failed step; a rollback that failed adds
// one too. Nothing is touched for a name that is not a parked key name.
bool DeactivateEnvironment(Context& context, const std::string& parkedName, core::Notices& notices,
                           SwitchSteps* steps = nullptr);

// Makes the parked environment of this key name the active one and enumerates the table
// again. Refused, with nothing moved, while an environment is active.
bool ActivateEnvironment(Context& context, const std::string& keyName, core::Notices& notices,
                         SwitchSteps* steps = nullptr);

// Reverses steps 1 to `failedStep` in increasing order; the failed one only with
// `reverseFailedStep`, when it got as far as its target. False at the first reverse move that
// fails.
bool RollBackSwitch(Context& context, SwitchDirection direction, int failedStep,
                    const std::string& keyName, core::Notices& notices,
                    bool reverseFailedStep = true);

// A fresh GUID text to park the active environment under; on failure the notice says that
// nothing was switched, and nothing must be.
bool MakeParkedName(core::Context& context, std::string& parkedName, core::Notices& notices);

// Parks the active environment, when one is active, under a fresh name given back in `parked`
// (left empty when none was). False, with the notices of the failure, when no name could be
// made or the park failed; the environment is then as the rollback left it and `parked` is
// empty.
bool ParkActiveEnvironment(Context& context, std::string& parked, core::Notices& notices);

// Activates the environment parked under `parked` again after a later step failed, with a
// second attempt when the first is rolled back; adds a notice when that fails too, since no
// environment is active then. Nothing for an empty name.
bool RestoreParkedEnvironment(Context& context, const std::string& parked, core::Notices& notices,
                              SwitchSteps* steps = nullptr);

// Parked key names are GUID texts as long as the product GUID.
bool IsParkedKeyName(const std::string& name);

}  // namespace velnora::environments
