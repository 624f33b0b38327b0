// The uninstall of the active environment through the vendor's own uninstaller, and the
// cleaning of what the vendor setup leaves behind for the next logon. The vendor uninstaller
// knows only the live names, so only the active environment can be uninstalled; the caller
// activates the chosen environment first and asks EnvironmentEntryExists afterwards whether it
// is really gone.
#pragma once

#include <string>
#include <string_view>

namespace velnora::core {
struct Context;
}

namespace velnora::maintenance {

inline constexpr char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
inline constexpr char kPendingRenamesValue[] = "PendingFileRenameOperations";
inline constexpr char kRunOnceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr char kSetupResumePrefix[] = "InstallShieldSetup";

// What a stored uninstall command gives.
enum class DerivedKind {
    kCommand,   // `command` is started
    kEmpty,     // nothing but "-runfromtemp": the user is told that the uninstall failed
    kUnusable,  // no command, or one of neither known form: nothing is started, nothing shown
    kTooLong,   // the command does not fit the command buffer: refused like a failed start
};

struct DerivedCommand {
    DerivedKind kind = DerivedKind::kUnusable;
    std::string command;
};

// The command line to start for a stored uninstall command. A command with "-runfromtemp"
// loses every occurrence of the word; a launcher command ("launcher argument "setup" options")
// gives the setup program and its options without the launcher. The program path always comes
// out quoted, so that a path with blanks is never resolved by guessing.
DerivedCommand DeriveUninstallCommand(std::string_view stored);

// The active environment's "UninstallString" into `command` (empty when the value is missing
// or not a text). False when the active entry cannot be opened.
bool ReadActiveUninstallCommand(core::Context& context, std::string& command);

// Starts the active environment's uninstaller in a console of its own and waits for it without
// pumping messages and without time-out. Afterwards the restart renames it scheduled are taken
// back (those of other programs stay), and an active entry the uninstaller emptied but left in
// place is deleted. True when the uninstaller ran to its end, whatever it did: the caller asks
// EnvironmentEntryExists whether the environment is gone. False when no command could be
// derived (after the failed-uninstall message for a command of nothing but "-runfromtemp"),
// or the uninstaller could not be started, waited for, or its exit code read.
bool UninstallActiveEnvironment(core::Context& context);

// Blanks every resume command of the vendor setup in RunOnce whose setup folder no longer holds
// Setup.exe, _setup.dll and setup.ini, so that Windows starts nothing from it at the next
// logon. True when every value of the key was looked at; false when the key cannot be opened
// or a value cannot be read.
bool ClearStaleSetupResumes(core::Context& context);

}  // namespace velnora::maintenance
