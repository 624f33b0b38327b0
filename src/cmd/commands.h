// The commands of VelnoraCmd: what the command line asks for, and running it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/exit_codes.h"
#include "core/texts.h"

namespace velnora::core {
struct Context;
class RunLog;
}  // namespace velnora::core

namespace velnora::flows {
class Prompt;
}

namespace velnora::installer {
struct Context;
}

namespace velnora::cmd {

enum class Command { kList, kReport, kStatus, kSwitch, kUninstall, kInstall };
enum class ListFormat { kText, kJson };

// What `install` is asked to do.
struct InstallRequest {
    // The medium's folder; the program's own without --media.
    std::optional<std::string> media;
    // Multi Install: a new environment beside the others instead of the active one updated.
    bool newEnvironment = false;
    std::optional<std::string> destination;
    // The installers to run, by name; the medium's own choice without --select.
    std::optional<std::vector<std::string>> select;
    // An installer's restart request ends the command with 3010 instead of restarting.
    bool noRestart = false;
    // The run a restart cut off goes on.
    bool resume = false;
};

struct Request {
    Command command = Command::kList;
    ListFormat format = ListFormat::kText;
    bool activeOnly = false;
    std::optional<std::string> out;
    bool quiet = false;
    // The environment a switch or an uninstall names: key name, location or display name.
    std::string env;
    InstallRequest install;
};

enum class ParseOutcome { kRun, kHelp, kVersion, kWrongArguments };

struct ParsedArguments {
    ParseOutcome outcome = ParseOutcome::kWrongArguments;
    Request request;
    // The help, or what is wrong with the arguments.
    std::string text;
};

// `arguments` without the program's own name, UTF-8.
ParsedArguments ParseArguments(const std::vector<std::string>& arguments,
                               const core::TextSet& texts);

// The name of the command as typed, which also names the run's log.
std::string_view CommandName(Command command);

// Commands that change environments, which Windows 6 and later let only administrators do.
bool NeedsAdministrator(Command command);

// Runs one command; what it prints goes to the console, what goes wrong through `prompt`.
core::CmdExit RunRequest(installer::Context& context, const Request& request, flows::Prompt& prompt,
                         core::RunLog& log);

}  // namespace velnora::cmd
