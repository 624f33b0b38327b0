// The uninstall of the active environment through the vendor's own uninstaller, and the
// cleaning of what the vendor setup leaves behind for the next logon. The vendor uninstaller
// knows only the live names, so only the active environment can be uninstalled; the caller
// activates the chosen environment first and asks EnvironmentEntryExists afterwards whether it
// is really gone.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
    kEmpty,     // nothing but "-runfromtemp"
    kUnusable,  // no command, or one of no known form
    kTooLong,   // the command does not fit the command buffer
};

struct DerivedCommand {
    DerivedKind kind = DerivedKind::kUnusable;
    std::string command;
};

// The command line to start for a stored uninstall command. A command with "-runfromtemp"
// loses every occurrence of the word; a launcher command ("launcher argument "setup" options")
// gives the setup program and its options without the launcher; a program alone, without a
// blank, is run as it stands. The program path always comes out quoted, so that a path with
// blanks is never resolved by guessing.
DerivedCommand DeriveUninstallCommand(std::string_view stored);

// One restart rename of PendingFileRenameOperations: from, to (empty: delete). Both are
// stored as the system keeps them, with the "\??\" prefix.
using RenamePair = std::pair<std::string, std::string>;

// The pairs of PendingFileRenameOperations data (zero-ended texts, one more zero at the end);
// nothing when the data is not a list of pairs.
std::optional<std::vector<RenamePair>> SplitRenamePairs(std::string_view data);

// Does `path` (with or without the "\??\" prefix) name `folder` or something inside it? Whole
// components, without regard to letter case. A folder without a component below its root
// holds nothing: it would hold every path of a drive.
bool IsPathInside(std::string_view path, std::string_view folder);

// The setup folder a RunOnce resume command runs from: between the optional opening quote and
// the backslash before "setup.exe" (any letter case), holding the product GUID's folder.
// Nothing when the command does not have that shape.
std::optional<std::string> ResumeSetupFolder(std::string_view command);

// How a run of the active environment's uninstaller went.
enum class UninstallOutcome {
    kRan,         // it ran to its end, whatever it did there
    kNoCommand,   // no command could be derived from the stored one: nothing was started
    kNotStarted,  // the derived command could not be started
    kLost,        // it could not be waited for, or its exit code could not be read
};

// The active environment's "UninstallString" into `command` (empty when the value is missing
// or not a text). False when the active entry cannot be opened.
bool ReadActiveUninstallCommand(core::Context& context, std::string& command);

// Starts the active environment's uninstaller in a console of its own and waits for it without
// pumping messages and without time-out. Afterwards the restart renames it scheduled inside the
// environment's folders are taken back (those of other programs stay), and an active entry the
// uninstaller emptied but left in place is deleted. kRan says nothing of the uninstaller's own
// success: the caller asks EnvironmentEntryExists whether the environment is gone.
UninstallOutcome UninstallActiveEnvironment(core::Context& context);

// Blanks every resume command of the vendor setup in RunOnce whose setup folder no longer holds
// Setup.exe, _setup.dll and setup.ini, so that Windows starts nothing from it at the next
// logon. True when every value of the key was looked at; false when the key cannot be opened
// or a value cannot be read.
bool ClearStaleSetupResumes(core::Context& context);

}  // namespace velnora::maintenance
