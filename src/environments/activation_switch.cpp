#include "environments/activation_switch.h"

#include <array>

#include "environments/com_scripts.h"
#include "environments/component_moves.h"
#include "environments/context.h"
#include "environments/environment_table.h"
#include "environments/file_utilities.h"
#include "environments/move_support.h"
#include "environments/registry_moves.h"
#include "environments/tidewatch.h"

namespace velnora::environments {

namespace {

using core::TextId;

constexpr std::size_t kKeyNameLength = sizeof(core::kVantorixProductGuid) - 1;

bool ParkAssociation(Context& context, const std::string& parkedName, core::Notices&) {
    return CopyAssociation(context, AssociationDirection::kLiveToParked, parkedName);
}

bool ActivateAssociation(Context& context, const std::string& parkedName, core::Notices&) {
    return CopyAssociation(context, AssociationDirection::kParkedToLive, parkedName);
}

// Back from the parked name to the live one, and the parked keys removed.
bool UndoParkAssociation(Context& context, const std::string& parkedName, core::Notices&) {
    if (!AssociationExists(context, parkedName))
        return true;
    if (!CopyAssociationKey(context.platform.registry, kAssociationIconKey,
                            AssociationDirection::kParkedToLive, parkedName) ||
        !CopyAssociationKey(context.platform.registry, kAssociationCommandKey,
                            AssociationDirection::kParkedToLive, parkedName))
        return false;
    DeleteAssociation(context.platform.registry, parkedName);
    return true;
}

// The parked keys get the live values again; the live keys stay.
bool UndoActivateAssociation(Context& context, const std::string& parkedName, core::Notices&) {
    if (AssociationExists(context, parkedName)) {
        CopyAssociationKey(context.platform.registry, kAssociationIconKey,
                           AssociationDirection::kLiveToParked, parkedName);
        CopyAssociationKey(context.platform.registry, kAssociationCommandKey,
                           AssociationDirection::kLiveToParked, parkedName);
    }
    return true;
}

// The servers are registered from the live entry, which step 1 has put in place.
bool RegisterLiveComServers(Context& context, const std::string&, core::Notices& notices) {
    return RegisterComServers(context, core::kVantorixProductGuid, notices);
}

// Step 7 only copies: the source association is deleted once step 8 has succeeded too
// (DropMovedAssociation), because the rollback of a failed step 8 cannot rebuild it.
constexpr std::array<SwitchComponent, 8> kComponents{{
    {1, TextId::kComponentUninstallEntry, DeactivateUninstallEntry, ActivateUninstallEntry, nullptr,
     nullptr, UninstallEntryAt},
    {2, TextId::kComponentTidewatch, DeactivateTidewatchFolder, ActivateTidewatchFolder, nullptr,
     nullptr, TidewatchFolderAt},
    {3, TextId::kComponentInstallerInfo, DeactivateInstallerInfoFolder, ActivateInstallerInfoFolder,
     nullptr, nullptr, InstallerInfoFolderAt},
    {4, TextId::kComponentStartMenu, DeactivateStartMenuFolder, ActivateStartMenuFolder, nullptr,
     nullptr, StartMenuFolderAt},
    {5, TextId::kComponentToolRecord, DeactivateToolRecordFile, ActivateToolRecordFile, nullptr,
     nullptr, ToolRecordFileAt},
    {6, TextId::kComponentTidewatchRegistry, DeactivateTidewatchRegistration,
     ActivateTidewatchRegistration, nullptr, nullptr, TidewatchRegistrationAt},
    {7, std::nullopt, ParkAssociation, ActivateAssociation, UndoParkAssociation,
     UndoActivateAssociation, AssociationAt},
    {8, std::nullopt, UnregisterComServers, RegisterLiveComServers},
}};

std::string ComponentName(const core::TextSet& texts, int step) {
    for (const SwitchComponent& component : kComponents)
        if (component.step == step && component.name)
            return texts.Get(*component.name);
    return std::string();
}

core::Notice SwitchNotice(core::Context& context, TextId message, int step) {
    std::string text = context.texts.Get(message);
    const auto placeholder = text.find("%s");
    if (placeholder != std::string::npos)
        text.replace(placeholder, 2, ComponentName(context.texts, step));
    return core::Notice{text};
}

// The names a move in `direction` takes a component from and to, for the key name it is given.
struct MoveNames {
    std::string source;
    std::string target;
};
MoveNames NamesOf(SwitchDirection direction, const std::string& keyName) {
    const std::string live = core::kVantorixProductGuid;
    return direction == SwitchDirection::kDeactivation ? MoveNames{live, keyName}
                                                       : MoveNames{keyName, live};
}

// Does the target of the move hold anything now? Components without a probe count as yes.
bool TargetHolds(Context& context, const SwitchComponent& component, SwitchDirection direction,
                 const std::string& keyName) {
    return component.presentAt == nullptr ||
           component.presentAt(context, NamesOf(direction, keyName).target);
}

// Did the failed move get anything to its target? Only then is there something to undo. A
// target that held something before the move (another environment's leftover) proves nothing
// while the source is still there, and undoing onto the source would replace it.
bool FailedMoveArrived(Context& context, const SwitchComponent& component,
                       SwitchDirection direction, const std::string& keyName, bool targetHeld) {
    if (component.presentAt == nullptr)
        return true;
    const MoveNames names = NamesOf(direction, keyName);
    if (!component.presentAt(context, names.target))
        return false;
    return !targetHeld || !component.presentAt(context, names.source);
}

// Runs the rollback after step `failedStep` failed and tells the user of the step and, when
// the rollback could not finish, of what it left.
void FailStep(Context& context, SwitchDirection direction, const SwitchComponent& failed,
              const std::string& keyName, bool targetHeld, core::Notices& notices,
              SwitchSteps* steps) {
    const bool undone =
        RollBackSwitch(context, direction, failed.step, keyName, notices,
                       FailedMoveArrived(context, failed, direction, keyName, targetHeld));
    if (failed.name)
        notices.push_back(SwitchNotice(context,
                                       direction == SwitchDirection::kDeactivation
                                           ? TextId::kMsgCannotDeactivate
                                           : TextId::kMsgCannotActivate,
                                       failed.step));
    if (undone)
        return;
    notices.push_back(SwitchNotice(context, TextId::kMsgRollbackFailed, failed.step));
    if (steps != nullptr)
        steps->RollbackFailed();
}

bool Begins(SwitchSteps* steps, const SwitchComponent& component) {
    return steps == nullptr || steps->Begins(component.step);
}

// The switch is done even when this cannot be noted: everything has moved.
bool Ended(SwitchSteps* steps) {
    if (steps != nullptr)
        steps->Ended();
    return true;
}

void Refresh(Context& context, core::Notices& notices) {
    if (!EnumerateEnvironments(context))
        notices.push_back(SearchFailedNotice(context.texts));
    FindActiveEnvironment(context, context.active.version);
    environments::RefreshTidewatchProgramName(context);
}

// Is the live uninstall entry certainly absent? A look-up that fails for another reason does
// not count: activating over a live entry would overwrite another environment's values.
bool NoActiveEntry(Context& context) {
    return !UninstallEntryAt(context, core::kVantorixProductGuid);
}

bool FolderPresent(core::Context& context, int csidl) {
    std::string folder;
    return SpecialFolder(context.platform.shell, csidl, folder) &&
           Probe(context.platform.files, folder) == Presence::kPresent;
}

}  // namespace

std::span<const SwitchComponent> SwitchComponents() {
    return kComponents;
}

// Moving the product GUID onto itself, or anything onto an empty name, would destroy the entry.
bool IsParkedKeyName(const std::string& name) {
    return name.size() == kKeyNameLength && name.front() == '{' && name.back() == '}' &&
           name != core::kVantorixProductGuid;
}

int CheckEnvironmentComponents(core::Context& context, const std::string& keyName) {
    auto& registry = context.platform.registry;
    platform::RegKey key(registry);
    if (key.Open(registry.Root(platform::RegRoot::LocalMachine), UninstallEntryPath(keyName),
                 platform::regaccess::kRead) != platform::error::kSuccess ||
        key.Close() != platform::error::kSuccess)
        return precheck::kUninstallEntry;

    std::string programFiles;
    if (!SpecialFolder(context.platform.shell, platform::csidl::kProgramFiles, programFiles))
        return precheck::kInstallerInfo;
    const std::string root = programFiles + "\\" + kInstallerInfoFolderName + "\\";
    if (Probe(context.platform.files, root) != Presence::kPresent ||
        Probe(context.platform.files, root + keyName + "\\") != Presence::kPresent)
        return precheck::kInstallerInfo;
    if (!FolderPresent(context, platform::csidl::kCommonPrograms))
        return precheck::kProgramsFolder;
    if (!FolderPresent(context, platform::csidl::kWindows))
        return precheck::kWindowsFolder;
    return precheck::kComplete;
}

bool DeactivateEnvironment(Context& context, const std::string& parkedName, core::Notices& notices,
                           SwitchSteps* steps) {
    const std::string parked = parkedName;
    if (!IsParkedKeyName(parked))
        return false;
    Refresh(context, notices);
    if (const int code = CheckEnvironmentComponents(context, core::kVantorixProductGuid)) {
        notices.push_back(SwitchNotice(context, TextId::kMsgCannotDeactivate, code));
        return false;
    }
    for (const SwitchComponent& component : kComponents) {
        const bool targetHeld =
            TargetHolds(context, component, SwitchDirection::kDeactivation, parked);
        if (Begins(steps, component) && component.park(context, parked, notices))
            continue;
        FailStep(context, SwitchDirection::kDeactivation, component, parked, targetHeld, notices,
                 steps);
        return false;
    }
    DropMovedAssociation(context, core::kVantorixProductGuid, parked);
    return Ended(steps);
}

bool ActivateEnvironment(Context& context, const std::string& keyName, core::Notices& notices,
                         SwitchSteps* steps) {
    // A copy: the name usually lives in a table row, and step 8 enumerates the table again.
    const std::string name = keyName;
    if (!IsParkedKeyName(name))
        return false;
    if (!NoActiveEntry(context)) {
        notices.push_back(
            SwitchNotice(context, TextId::kMsgCannotActivate, precheck::kUninstallEntry));
        return false;
    }
    if (const int code = CheckEnvironmentComponents(context, name)) {
        notices.push_back(SwitchNotice(context, TextId::kMsgCannotActivate, code));
        return false;
    }
    for (const SwitchComponent& component : kComponents) {
        const bool targetHeld = TargetHolds(context, component, SwitchDirection::kActivation, name);
        if (Begins(steps, component) && component.activate(context, name, notices))
            continue;
        FailStep(context, SwitchDirection::kActivation, component, name, targetHeld, notices,
                 steps);
        return false;
    }
    DropMovedAssociation(context, name, core::kVantorixProductGuid);
    Refresh(context, notices);
    return Ended(steps);
}

bool RollBackSwitch(Context& context, SwitchDirection direction, int failedStep,
                    const std::string& keyName, core::Notices& notices, bool reverseFailedStep) {
    const std::string name = keyName;
    for (const SwitchComponent& component : kComponents) {
        if (component.step > failedStep)
            break;
        if (component.step == failedStep && !reverseFailedStep)
            continue;
        const ComponentMove reverse =
            direction == SwitchDirection::kDeactivation
                ? (component.undoPark != nullptr ? component.undoPark : component.activate)
                : (component.undoActivate != nullptr ? component.undoActivate : component.park);
        if (!reverse(context, name, notices))
            return false;
    }
    return true;
}

bool MakeParkedName(core::Context& context, std::string& parkedName, core::Notices& notices) {
    if (NewGuidText(context.platform.shell, parkedName))
        return true;
    parkedName.clear();
    notices.push_back(core::Notice{context.texts.Get(TextId::kMsgParkedNameFailed)});
    return false;
}

bool ParkActiveEnvironment(Context& context, std::string& parked, core::Notices& notices) {
    parked.clear();
    if (!EnvironmentEntryExists(context.platform.registry, core::kVantorixProductGuid))
        return true;
    std::string name;
    if (!MakeParkedName(context, name, notices) || !DeactivateEnvironment(context, name, notices))
        return false;
    parked = name;
    return true;
}

bool RestoreParkedEnvironment(Context& context, const std::string& parked, core::Notices& notices,
                              SwitchSteps* steps) {
    if (parked.empty())
        return true;
    // A failed activation has been rolled back, so a second one starts from the parked state;
    // a file held open for a moment must not leave the machine without an active environment.
    for (int attempt = 0; attempt < 2; ++attempt)
        if (ActivateEnvironment(context, parked, notices, steps))
            return true;
    notices.push_back(SwitchNotice(context, TextId::kMsgPreviousNotRestored, 0));
    return false;
}

}  // namespace velnora::environments
