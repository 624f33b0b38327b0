#include "app/cmd_program.h"

#include <cstdint>

#include "app/startup_sequence.h"
#include "cmd/cmd_texts.h"
#include "cmd/commands.h"
#include "cmd/console_prompt.h"
#include "cmd/console_user_interface.h"
#include "core/change_failures.h"
#include "core/run_log.h"
#include "installer/context.h"
#include "maintenance/elevated_twin.h"

namespace velnora::app {

namespace {

constexpr std::string_view kCmdSuffix = "Cmd";

// The install manager's single-instance mutex, held while the command runs, so that the
// console never works beside a window that changes the same environments.
class ManagerMutex {
  public:
    explicit ManagerMutex(platform::Processes& processes) : processes_(processes) {}
    ~ManagerMutex() {
        if (mutex_ == platform::kNoHandle)
            return;
        processes_.ReleaseMutex(mutex_);
        processes_.CloseHandle(mutex_);
    }
    ManagerMutex(const ManagerMutex&) = delete;
    ManagerMutex& operator=(const ManagerMutex&) = delete;

    enum class Taken { kYes, kHeldByAnother, kFailed };
    Taken Take(const std::string& name) {
        platform::Handle mutex = platform::kNoHandle;
        const platform::ErrorCode result = processes_.CreateMutex(name, mutex);
        if (mutex == platform::kNoHandle)
            return Taken::kFailed;
        if (result != platform::error::kSuccess) {
            processes_.CloseHandle(mutex);
            return result == platform::error::kAlreadyExists ? Taken::kHeldByAnother
                                                             : Taken::kFailed;
        }
        mutex_ = mutex;
        return Taken::kYes;
    }

  private:
    platform::Processes& processes_;
    platform::Handle mutex_ = platform::kNoHandle;
};

core::StartupValues StartupValuesOf(platform::Platform& platform) {
    core::StartupValues startup;
    const std::string programPath = platform.session.ProgramPath();
    startup.programBaseName = ProgramBaseNameOf(programPath);
    startup.managerBaseName = ManagerBaseNameOfCmd(startup.programBaseName);
    startup.settingsFile = startup.managerBaseName + ".ini";
    startup.programFolder = ProgramFolderOf(programPath);
    startup.autorunPath = startup.programFolder + "\\autorun.ini";
    startup.cutOffExitCode = static_cast<int>(core::CmdExit::kRestartNeeded);
    return startup;
}

void WriteError(platform::Platform& platform, const std::string& text) {
    platform.console.Write(platform::StandardStream::kError, text);
}

std::string JoinedArguments(const std::vector<std::string>& arguments) {
    std::string line;
    for (const auto& argument : arguments)
        line += " " + argument;
    return line;
}

int Code(core::CmdExit exit) {
    return static_cast<int>(exit);
}

// From Windows 6 on only an elevated process may change environments; the console cannot raise
// its own rights without a window, so it says how to get them. Below 6 the pages do not ask.
bool MayChangeEnvironments(core::Context& context, cmd::Command command) {
    if (!cmd::NeedsAdministrator(command) ||
        !maintenance::ChangesNeedElevation(context.startup.osVersion))
        return true;
    return ProbeAdministrator(context.platform.registry);
}

// One command, with the log open and the mutex taken.
core::CmdExit RunLogged(installer::Context& context, const cmd::Request& request,
                        core::RunLog& log) {
    cmd::ConsolePrompt prompt(context, log, request.quiet);
    ManagerMutex mutex(context.platform.processes);
    switch (mutex.Take(context.startup.managerBaseName)) {
        case ManagerMutex::Taken::kYes:
            break;
        case ManagerMutex::Taken::kHeldByAnother:
            prompt.Tell({.text = context.texts.Pick(cmd::text::kAnotherCopyRuns)});
            return core::CmdExit::kAnotherCopyRuns;
        case ManagerMutex::Taken::kFailed:
            log.Failure(context.texts.Pick(cmd::text::kLogNoMutex));
            return core::CmdExit::kFailed;
    }
    if (!context.platform.session.GetVersion(context.startup.osVersion))
        log.Failure(context.texts.Pick(cmd::text::kLogNoVersion));
    if (!MayChangeEnvironments(context, request.command)) {
        prompt.Tell({.text = context.texts.Pick(cmd::text::kNeedsAdministrator)});
        return core::CmdExit::kNeedsAdministrator;
    }
    return cmd::RunRequest(context, request, prompt, log);
}

}  // namespace

std::string ManagerBaseNameOfCmd(std::string_view programBaseName) {
    if (programBaseName.size() > kCmdSuffix.size() && programBaseName.ends_with(kCmdSuffix))
        programBaseName.remove_suffix(kCmdSuffix.size());
    return std::string(programBaseName);
}

int RunVelnoraCmd(platform::Platform& platform, const std::vector<std::string>& arguments) {
    const core::StartupValues startup = StartupValuesOf(platform);
    const core::TextSet texts(core::ChooseJapanese(platform, startup.settingsFile));

    const cmd::ParsedArguments parsed = cmd::ParseArguments(arguments, texts);
    switch (parsed.outcome) {
        case cmd::ParseOutcome::kHelp:
            platform.console.Write(platform::StandardStream::kOutput, parsed.text);
            return Code(core::CmdExit::kDone);
        case cmd::ParseOutcome::kVersion: {
            const auto version = platform.shell.ProductVersion(platform.session.ProgramPath());
            platform.console.Write(platform::StandardStream::kOutput,
                                   startup.programBaseName + " " + version.value_or("?") + "\n");
            return Code(core::CmdExit::kDone);
        }
        case cmd::ParseOutcome::kWrongArguments:
            WriteError(platform, parsed.text);
            return Code(core::CmdExit::kWrongArguments);
        case cmd::ParseOutcome::kRun:
            break;
    }

    core::RunLog log(platform, core::kRunLogPrefix, cmd::CommandName(parsed.request.command));
    const std::string logLine = texts.Pick(cmd::text::kLogAt) + log.Path() + "\n";
    if (!log.Path().empty())
        WriteError(platform, logLine);
    log.Step(startup.programBaseName + JoinedArguments(arguments));

    // The engines' message boxes become lines: nobody may be there to close a window.
    cmd::ConsoleUserInterface ui(platform.ui, platform.console, log);
    platform::Platform console{platform.profile,
                               platform.registry,
                               platform.files,
                               platform.processes,
                               platform.shell,
                               platform.session,
                               ui,
                               platform.console};
    core::ChangeFailures changes(console);
    installer::Context context(changes.Services());
    context.operationLog = &log;
    changes.WriteTo(&context.operationLog);
    context.startup = startup;
    context.texts = texts;

    const core::CmdExit exit = RunLogged(context, parsed.request, log);
    std::string outcome = texts.Pick(cmd::text::kLogExitCode);
    outcome += std::to_string(Code(exit));
    log.Outcome(outcome);
    if (exit != core::CmdExit::kDone && !log.Path().empty())
        WriteError(platform, logLine);
    return Code(exit);
}

}  // namespace velnora::app
