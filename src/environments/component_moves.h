// The file and uninstall-entry moves of the activation switch: each takes one component of an
// environment between its live name and the parked name of a key name. A deactivation move
// parks the active environment's component under P; an activation move brings environment
// N's component to the live name. Every move also serves the rollback, so each one copes with
// a source that is only partly there, and none of them removes anything it has not first
// secured under the other name.
#pragma once

#include <string>

#include "core/notice.h"

namespace velnora::environments {

struct Context;

// Uninstall entry: the key moves with all its values; "DisplayName" becomes "_DisplayName"
// while parked, and the key name inside "LogFile" and "UninstallString" follows the key.
bool DeactivateUninstallEntry(Context& context, const std::string& parkedName,
                              core::Notices& notices);
bool ActivateUninstallEntry(Context& context, const std::string& parkedName,
                            core::Notices& notices);

// Tidewatch's data folder below the common application data folder.
bool DeactivateTidewatchFolder(Context& context, const std::string& parkedName,
                               core::Notices& notices);
bool ActivateTidewatchFolder(Context& context, const std::string& parkedName,
                             core::Notices& notices);

// The vendor installer's information folder below the program files folder.
bool DeactivateInstallerInfoFolder(Context& context, const std::string& parkedName,
                                   core::Notices& notices);
bool ActivateInstallerInfoFolder(Context& context, const std::string& parkedName,
                                 core::Notices& notices);

// The maker's start-menu folder; parked beside the live one and hidden. Environments of
// version 3000 and older kept their shortcuts all over the start menu: those are gathered.
bool DeactivateStartMenuFolder(Context& context, const std::string& parkedName,
                               core::Notices& notices);
bool ActivateStartMenuFolder(Context& context, const std::string& parkedName,
                             core::Notices& notices);

// The tool record Vtx2Inst.ini in the Windows folder.
bool DeactivateToolRecordFile(Context& context, const std::string& parkedName,
                              core::Notices& notices);
bool ActivateToolRecordFile(Context& context, const std::string& parkedName,
                            core::Notices& notices);

// Is anything of a component at the names of `keyName` (the live names for the product GUID)?
// A look-up that fails counts as yes. The rollback asks it of a failed move's target: when
// nothing arrived there, the move did nothing that needs undoing.
bool UninstallEntryAt(Context& context, const std::string& keyName);
bool TidewatchFolderAt(Context& context, const std::string& keyName);
bool InstallerInfoFolderAt(Context& context, const std::string& keyName);
bool StartMenuFolderAt(Context& context, const std::string& keyName);
bool ToolRecordFileAt(Context& context, const std::string& keyName);

// Moves every shortcut below `from` whose target or arguments name the active environment's
// folder into `to`, at the same relative place. The maker's live and parked start-menu
// folders are left alone. False when the folder name is unknown or a listing or move fails.
bool MoveShortcutsOfEnvironment(Context& context, const std::string& from, const std::string& to);

}  // namespace velnora::environments
