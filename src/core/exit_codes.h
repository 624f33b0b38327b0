// How the programs end. The install manager reads nothing back from its elevated twin but the
// twin's exit code; the installer sequence, which both programs run, ends the process itself
// when a run is cut off, so the codes live below both.
#pragma once

#include "core/texts.h"

namespace velnora::core::twinexit {

// The operation ran to its end, whether or not it changed anything (its procedure has shown
// its own messages).
inline constexpr int kDone = 0;
// An install that did not complete: the user left the destination folder or installer page,
// or a page could not be shown.
inline constexpr int kAborted = 1;
// Refused before any operation: started directly, a token it does not run, a row outside the
// environment table, no administrator, a saved run state waiting for a restart, a second copy,
// an unsupported system, a failed version query.
inline constexpr int kRefused = 2;
// An install run cut off before its end: an installer gone within its first half second,
// Windows ending the logon, the quit message. The run state keeps where it goes on.
inline constexpr int kCutOff = 3;

}  // namespace velnora::core::twinexit

namespace velnora::core {

// How VelnoraCmd ends, for administrators' scripts and deployment tools. The codes from 740
// up are the ones Windows installers use for the same cases, so tools that know those read
// these too.
enum class CmdExit : int {
    kDone = 0,
    kFailed = 1,
    kWrongArguments = 2,
    kNoEnvironmentMatches = 3,
    kNeedsAdministrator = 740,
    kCancelled = 1602,
    kAnotherCopyRuns = 1618,
    kRestartNeeded = 3010,
};

struct CmdExitRow {
    CmdExit code;
    LocalText meaning;
};

// Every exit code with its meaning, in code order: the help text lists them from here.
inline constexpr CmdExitRow kCmdExitTable[] = {
    {CmdExit::kDone, {"done", "完了しました"}},
    {CmdExit::kFailed,
     {"the operation failed (its message is printed)",
      "操作に失敗しました (メッセージを表示します)"}},
    {CmdExit::kWrongArguments, {"wrong arguments", "引数が誤っています"}},
    {CmdExit::kNoEnvironmentMatches, {"no environment matches", "一致する環境がありません"}},
    {CmdExit::kNeedsAdministrator, {"administrator rights are needed", "管理者権限が必要です"}},
    {CmdExit::kCancelled, {"cancelled", "キャンセルされました"}},
    {CmdExit::kAnotherCopyRuns,
     {"another copy of the install manager runs",
      "インストールマネージャの別のコピーが起動しています"}},
    {CmdExit::kRestartNeeded, {"a restart is needed to finish", "完了するには再起動が必要です"}},
};

}  // namespace velnora::core
