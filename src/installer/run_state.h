// The run state that carries an installer sequence across a restart of Windows: the resume
// point, the ticks, the last installer and the program that runs the run, kept in _autorun.ini
// in the TEMP folder (or in the autorun.ini next to the program), and the logon Run value that
// starts the install manager again.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "core/notice.h"
#include "platform/registry.h"
#include "platform/session.h"

namespace velnora::core {
struct Context;
}

namespace velnora::installer {

inline constexpr char kRunStateSection[] = "General";
inline constexpr char kContinueKey[] = "Continue";
inline constexpr char kPrevKey[] = "Prev";
// The base name of the program that runs the run ("VelnoraAdm" for the elevated twin), so that
// the install manager resuming it after a restart can hand it back to the twin.
inline constexpr char kRunnerKey[] = "Runner";
// Marks an autorun.ini into which the run state had to be written, so that finishing the run
// removes its keys there too; keys the media brought with it carry no mark and stay.
inline constexpr char kWrittenHereKey[] = "RunStateWritten";
inline constexpr char kLogonValueName[] = "Autorun";
inline constexpr char kRunKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
// Every read of the run state goes through a buffer of this many characters.
inline constexpr std::size_t kRunStateBufferSize = 512;
// TEMP is read into a buffer of this many characters, the zero included; a longer value
// counts as unset, so no path built from it can outgrow the path limit unnoticed.
inline constexpr std::size_t kTempBufferSize = 260;

// "autorun.ini" next to the program.
std::string AutorunIniPath(const core::Context& context);
// The value of TEMP, when set and short enough.
std::optional<std::string> TempFolder(platform::Session& session);
// "%TEMP%\_autorun.ini", when TEMP is set.
std::optional<std::string> RunStateFilePath(core::Context& context);

// Reads a key from autorun.ini next to the program, else from the run-state file. Returns the
// number of characters read (at most 511); 0 when the key is missing or empty in both.
std::size_t ReadRunState(core::Context& context, const std::string& section, const std::string& key,
                         std::string& value);

// Writes (or, without a value, deletes) a key in the run-state file, else in autorun.ini next
// to the program, which then gets the kWrittenHereKey mark. When both fail it adds a notice,
// one per failed write, and returns false.
bool WriteRunState(core::Context& context, const std::string& section, const std::string& key,
                   const std::optional<std::string>& value, core::Notices& notices);

// The entry a run a restart cut off goes on with: "Continue" when above 0; nothing when no
// run waits.
std::optional<int> PendingResumePoint(core::Context& context);

// Stores "Continue" = index and registers the program to start at the next logon.
void RecordResumePoint(core::Context& context, int index, core::Notices& notices);

// When `next` equals `count`: deletes "Continue", "Prev", "Runner" and the ticks of entries 0 to
// count-1 (in autorun.ini too when it carries the kWrittenHereKey mark, and the mark), removes
// the logon Run value and a leftover "_<program>.ini" in TEMP.
void FinishRunState(core::Context& context, int next, int count, core::Notices& notices);

// A path on a SUBST drive with the drive replaced by the folder it stands for; any other path
// (local disk, network drive, no drive) stays as it is.
std::string ResolveSubstDrive(platform::Session& session, const std::string& path);

// The command the logon Run value holds: the install manager's own program beside the running
// one (the twin cannot be started without a token), its full path SUBST resolved, in quotation
// marks so that Windows does not split a path with blanks at the first blank.
std::string LogonCommand(core::Context& context);

// Sets the value `valueName` under HKLM\...\Run, or, where the machine's key cannot be
// written (a program without administrator rights), under HKCU\...\Run. True when one of them
// holds it. No message either way.
bool RegisterRunAtLogon(core::Context& context, const std::string& valueName);
// Deletes the value from both Run keys; true when neither holds it any more (a value that was
// not there counts as deleted). Nothing else of the keys is touched.
bool UnregisterRunAtLogon(platform::Registry& registry, const std::string& valueName);

}  // namespace velnora::installer
