// The install manager's own start-menu shortcut, "Multiple Install Manager.lnk" in the maker's
// start-menu folder. Every environment's folder carries its own copy, so that the shortcut is
// there whichever environment is active: the suffix names the folder, empty for the live one
// and a parked key name for a parked environment's folder.
#pragma once

#include <string>

namespace velnora::core {
struct Context;
}

namespace velnora::environments {

// The name of the installed copy's program: the install manager's own, also when the elevated
// twin is the program that runs.
std::string ManagerBaseName(const core::Context& context);

// Where the installed copy of the install manager lives: the maker's folder below the common
// files of the program files folder. Empty when the shell cannot name the program files.
std::string OwnFolder(core::Context& context);

// The shortcut's path for the folder of `suffix`; empty when the shell cannot name the common
// programs folder.
std::string OwnShortcutPath(core::Context& context, const std::string& suffix);

bool OwnShortcutExists(core::Context& context, const std::string& suffix);

// Points the shortcut at the installed copy's program. Nothing is reported: a missing
// shortcut costs the user a start-menu entry, not the environment.
void CreateOwnShortcut(core::Context& context, const std::string& suffix);

}  // namespace velnora::environments
