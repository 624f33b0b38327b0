// How the programs end. The install manager reads nothing back from its elevated twin but the
// twin's exit code; the installer sequence, which both programs run, ends the process itself
// when a run is cut off, so the codes live below both.
#pragma once

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
