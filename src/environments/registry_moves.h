// The registry moves of the activation switch: Tidewatch's per-environment "ClientInfo" and
// the workspace file association. As with the file moves, a source is removed only after
// everything in it has been written under the other name.
#pragma once

#include <string>

#include "core/notice.h"
#include "platform/registry.h"

namespace velnora::core {
struct Context;
}

namespace velnora::environments {

struct Context;

// "ClientInfo" between Tidewatch's live key and the environment's parked key. Without the
// maker's key or a source key only the target key is created.
bool DeactivateTidewatchRegistration(Context& context, const std::string& parkedName,
                                     core::Notices& notices);
bool ActivateTidewatchRegistration(Context& context, const std::string& parkedName,
                                   core::Notices& notices);

enum class AssociationDirection { kLiveToParked, kParkedToLive };

inline constexpr char kAssociationIconKey[] = "\\DefaultIcon";
inline constexpr char kAssociationCommandKey[] = "\\shell\\open\\command";

// Is anything of the component at the names of the key name (the live ones for the product
// GUID)? A look-up that fails counts as yes. For the rollback, as the file moves' probes.
// Live: the "ClientInfo" value in Tidewatch's key; parked: the environment's parked key.
bool TidewatchRegistrationAt(Context& context, const std::string& keyName);
// The class key of the association.
bool AssociationAt(Context& context, const std::string& keyName);

// Do the class key, its icon key and its open command key of the key name's association all
// exist? The product GUID stands for the live association.
bool AssociationExists(core::Context& context, const std::string& keyName);

// Copies every value of one subkey of the association between the live class and the parked
// class of the key name. False when any value could not be read or written.
bool CopyAssociationKey(platform::Registry& registry, const std::string& subkey,
                        AssociationDirection direction, const std::string& parkedName);

// Deletes the five keys of the key name's association, leaves first. False at the first key
// that cannot be deleted (for example one with a further verb below it).
bool DeleteAssociation(platform::Registry& registry, const std::string& keyName);

// Both subkeys of the association copied, when the source association exists. The source is
// not deleted here: see DropMovedAssociation.
bool CopyAssociation(core::Context& context, AssociationDirection direction,
                     const std::string& parkedName);

// Deletes the association of `sourceName` when it exists and the one of `targetName` does
// too. Called once every step of a switch has succeeded, so that a later step that fails can
// still take the association back.
void DropMovedAssociation(core::Context& context, const std::string& sourceName,
                          const std::string& targetName);

}  // namespace velnora::environments
