// The two readings of the install manager's command line: the mode token that start-up
// dispatches on, and the installer switches that the installer page of the Autorun mode takes
// in place of the installer options of autorun.ini.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velnora::app {

// The installer page's option flags as the command line sets them.
struct InstallerOptions {
    int optionsFromCommandLine = 0;  // 1: ignore Quiet, NoMessage, QuitAfterInstall of autorun.ini
    int interactive = 1;             // 0: quiet run
    int restartPc = 0;               // 1: offer a restart after a run that started an installer
};

// The mode token of a raw command line (program path and arguments), not yet lower-cased.
// Only the text behind the last slash, backslash or dot of the whole line is looked at, so
// the switch must follow every argument that holds one of them.
std::string ExtractModeToken(std::string_view rawCommandLine);
// The same text split at blanks: the mode token and at most nine pieces after it (the elevated
// twin's row number is the second), none lower-cased.
std::vector<std::string> ExtractModePieces(std::string_view rawCommandLine);

// The command line without the program path (quoted or not) and the blanks after it.
std::string ArgumentText(std::string_view rawCommandLine);

// The installer switches found anywhere in the argument text, in either letter case.
InstallerOptions ReadInstallerSwitches(std::string_view argumentText);

// A to Z lowered, every other byte kept (so UTF-8 text passes unchanged).
std::string LowerAscii(std::string_view text);

// Pieces of a text between runs of blanks (" " only), at most maxPieces of them.
std::vector<std::string> SplitAtBlanks(std::string_view text, std::size_t maxPieces);

}  // namespace velnora::app
