#include "cmd/commands.h"

#include <array>

#include "cmd/cmd_texts.h"
#include "cmd/console_install.h"
#include "cmd/environment_listing.h"
#include "cmd/environment_match.h"
#include "core/parsing.h"
#include "core/run_log.h"
#include "environments/environment_table.h"
#include "environments/file_utilities.h"
#include "environments/user_information.h"
#include "flows/change_active.h"
#include "flows/change_journal.h"
#include "flows/prompt.h"
#include "flows/uninstall_environment.h"
#include "installer/catalogue.h"
#include "installer/context.h"
#include "installer/execution.h"
#include "installer/medium.h"
#include "installer/run_state.h"
#include "maintenance/installation_report.h"
#include "maintenance/own_installation.h"

namespace velnora::cmd {

namespace {

void Print(platform::Console& console, std::string_view text) {
    console.Write(platform::StandardStream::kOutput, text);
}

core::CmdExit Fail(flows::Prompt& prompt, const std::string& text) {
    prompt.Tell({.text = text});
    return core::CmdExit::kFailed;
}

core::CmdExit RunList(installer::Context& context, const Request& request, flows::Prompt& prompt,
                      core::RunLog& log) {
    auto found = ListEnvironments(context);
    if (!found) {
        prompt.Tell(environments::SearchFailedNotice(context.texts));
        return core::CmdExit::kFailed;
    }
    auto& listed = *found;
    log.Step(std::to_string(listed.size()) + context.texts.Pick(text::kLogEnvironmentsListed));
    if (request.activeOnly)
        std::erase_if(listed, [](const ListedEnvironment& e) { return !e.active; });
    if (request.format == ListFormat::kJson) {
        Print(context.platform.console, ListingJson(listed));
        return core::CmdExit::kDone;
    }
    if (listed.empty()) {
        prompt.Tell({.text = context.texts.Pick(text::kNoEnvironments),
                     .caption = core::NoticeCaption::kConfirm});
        return core::CmdExit::kDone;
    }
    Print(context.platform.console, ListingTable(listed, context.texts));
    return core::CmdExit::kDone;
}

core::CmdExit RunReport(installer::Context& context, const Request& request, flows::Prompt& prompt,
                        core::RunLog& log) {
    core::Notices notices;
    if (!request.out) {
        const std::string report = maintenance::InstallationReportText(context, notices);
        flows::TellAll(prompt, notices);
        Print(context.platform.console, report);
        log.Step(context.texts.Pick(text::kLogReportToOutput));
        return core::CmdExit::kDone;
    }
    const bool written = maintenance::WriteInstallationReport(context, *request.out, notices);
    flows::TellAll(prompt, notices);
    if (!written)
        return Fail(prompt, context.texts.Pick(text::kReportNotWritten) + *request.out);
    log.Step(context.texts.Pick(text::kReportWritten) + *request.out);
    return core::CmdExit::kDone;
}

std::string ReadRunStateValue(core::Context& context, const char* key) {
    std::string value;
    installer::ReadRunState(context, installer::kRunStateSection, key, value);
    return value;
}

std::string JournalLine(const core::TextSet& texts, const flows::FoundJournal& found) {
    using Kind = flows::FoundJournal::Kind;
    if (found.kind == Kind::kNone)
        return texts.Pick(text::kJournalNone);
    if (found.kind != Kind::kPending)
        return texts.Pick(text::kJournalUnreadable);
    // In the order of the enumerations.
    static constexpr std::array<const core::LocalText*, 3> kOperations{
        &text::kJournalChange, &text::kJournalUninstall, &text::kJournalInstall};
    static constexpr std::array<const core::LocalText*, 3> kPhases{
        &text::kJournalDeactivation, &text::kJournalActivation, &text::kJournalRestore};
    const flows::ChangeJournal& journal = found.journal;
    std::string line = texts.Pick(text::kJournal) +
                       texts.Pick(*kOperations[static_cast<std::size_t>(journal.operation)]) +
                       texts.Pick(text::kJournalParked) + journal.parkedName;
    if (!journal.incoming.empty())
        line += texts.Pick(text::kJournalIncoming) + journal.incoming;
    line += texts.Pick(*kPhases[static_cast<std::size_t>(journal.phase)]) +
            std::to_string(journal.step) +
            texts.Pick(journal.stepEnded ? text::kJournalEnded : text::kJournalBegun);
    return line;
}

// The lines of the status, each in the chosen language.
std::string StatusText(core::Context& context, core::RunLog& log) {
    const auto& texts = context.texts;
    std::string status;
    if (const auto next = installer::PendingResumePoint(context)) {
        status += texts.Pick(text::kPendingRun) + texts.Pick(text::kPendingRunNext) +
                  std::to_string(*next);
        const std::string previous = ReadRunStateValue(context, installer::kPrevKey);
        if (!previous.empty())
            status += texts.Pick(text::kLastInstaller) + previous;
        status += "\n";
    } else {
        status += texts.Pick(text::kPendingRunNone) + "\n";
    }

    if (const auto removal = maintenance::PendingSelfRemoval(context))
        status += texts.Pick(text::kPendingRemoval) + *removal + "\n";
    else
        status += texts.Pick(text::kPendingRemovalNone) + "\n";

    // Read only: keeping an unreadable journal aside is the start's recovery to do.
    status += JournalLine(texts, flows::ReadJournal(context)) + "\n";

    if (const auto last =
            core::RunLog::LastRunLog(context.platform, core::kRunLogPrefix, log.Path()))
        status += texts.Pick(text::kLastLog) + *last + "\n";
    else
        status += texts.Pick(text::kLastLogNone) + "\n";
    return status;
}

core::CmdExit RunStatus(installer::Context& context, const Request&, flows::Prompt&,
                        core::RunLog& log) {
    const std::string status = StatusText(context, log);
    Print(context.platform.console, status);
    log.Step(status);
    return core::CmdExit::kDone;
}

// What an operation's outcome means to a script: its exit code, and the line that says what
// the flow's own messages leave unsaid.
template <typename Outcome>
struct OutcomeRow {
    Outcome outcome;
    core::CmdExit exit;
    const core::LocalText* line;
};

using flows::ChangeOutcome;
constexpr std::array kSwitchOutcomes = std::to_array<OutcomeRow<ChangeOutcome>>({
    {ChangeOutcome::kChanged, core::CmdExit::kDone, nullptr},
    // The flow has told the user so.
    {ChangeOutcome::kAlreadyActive, core::CmdExit::kDone, nullptr},
    {ChangeOutcome::kRefused, core::CmdExit::kFailed, &text::kSwitchRefused},
    {ChangeOutcome::kFailedPreviousBack, core::CmdExit::kFailed, &text::kSwitchFailedPreviousBack},
    {ChangeOutcome::kFailedNoneActive, core::CmdExit::kFailed, &text::kNoneActive},
});

using flows::InstallOutcome;
constexpr std::array kInstallOutcomes = std::to_array<OutcomeRow<InstallOutcome>>({
    {InstallOutcome::kCompleted, core::CmdExit::kDone, nullptr},
    {InstallOutcome::kRestartNeeded, core::CmdExit::kRestartNeeded, &text::kRestartToFinish},
    {InstallOutcome::kLeft, core::CmdExit::kFailed, &text::kNothingInstalled},
    {InstallOutcome::kStopped, core::CmdExit::kFailed, &text::kRunStopped},
    // The search of the environments has said why.
    {InstallOutcome::kFailed, core::CmdExit::kFailed, nullptr},
});

using flows::UninstallOutcome;
constexpr std::array kUninstallOutcomes = std::to_array<OutcomeRow<UninstallOutcome>>({
    {UninstallOutcome::kUninstalled, core::CmdExit::kDone, nullptr},
    {UninstallOutcome::kUninstalledNoneChosen, core::CmdExit::kDone, &text::kNoneActive},
    {UninstallOutcome::kLastGone, core::CmdExit::kDone, nullptr},
    {UninstallOutcome::kCancelled, core::CmdExit::kCancelled, nullptr},
    {UninstallOutcome::kRefused, core::CmdExit::kFailed, &text::kUninstallRefused},
    {UninstallOutcome::kNotUninstalled, core::CmdExit::kFailed, &text::kNotUninstalled},
    {UninstallOutcome::kFailedNoneActive, core::CmdExit::kFailed, &text::kNoneActive},
});

template <typename Outcome, std::size_t N>
core::CmdExit Conclude(const core::TextSet& texts, flows::Prompt& prompt, core::RunLog& log,
                       Outcome outcome, const std::array<OutcomeRow<Outcome>, N>& rows) {
    log.Step(texts.Pick(text::kLogOutcome) + std::string(flows::OutcomeName(outcome)));
    for (const auto& row : rows) {
        if (row.outcome != outcome)
            continue;
        if (row.line != nullptr)
            prompt.Tell({.text = texts.Pick(*row.line),
                         .caption = row.exit == core::CmdExit::kDone
                                        ? core::NoticeCaption::kConfirm
                                        : core::NoticeCaption::kError});
        return row.exit;
    }
    return core::CmdExit::kFailed;
}

// The key name of the one environment ENV names; otherwise the exit code, its error told.
struct Chosen {
    std::optional<std::string> keyName;
    core::CmdExit exit = core::CmdExit::kDone;
};

Chosen ChooseEnvironment(environments::Context& context, const Request& request,
                         flows::Prompt& prompt) {
    const auto found = ListEnvironments(context);
    if (!found) {
        prompt.Tell(environments::SearchFailedNotice(context.texts));
        return {std::nullopt, core::CmdExit::kFailed};
    }
    const EnvironmentMatch match = MatchEnvironment(*found, request.env);
    if (match.outcome != MatchOutcome::kFound || match.indices.front() >= found->size()) {
        prompt.Tell(MatchError(*found, request.env, match, context.texts));
        return {std::nullopt, MatchExit(match.outcome)};
    }
    return {(*found)[match.indices.front()].key};
}

core::CmdExit RunSwitch(installer::Context& context, const Request& request, flows::Prompt& prompt,
                        core::RunLog& log) {
    const Chosen chosen = ChooseEnvironment(context, request, prompt);
    if (!chosen.keyName)
        return chosen.exit;
    const ChangeOutcome outcome = flows::ChangeActiveEnvironment(context, prompt, *chosen.keyName);
    return Conclude(context.texts, prompt, log, outcome, kSwitchOutcomes);
}

core::CmdExit RunUninstall(installer::Context& context, const Request& request,
                           flows::Prompt& prompt, core::RunLog& log) {
    const Chosen chosen = ChooseEnvironment(context, request, prompt);
    if (!chosen.keyName)
        return chosen.exit;
    const flows::UninstallResult result =
        flows::UninstallEnvironment(context, prompt, *chosen.keyName);
    return Conclude(context.texts, prompt, log, result.outcome, kUninstallOutcomes);
}

core::CmdExit WrongArgument(const core::TextSet& texts, flows::Prompt& prompt,
                            const core::LocalText& what, const std::string& detail) {
    prompt.Tell({.text = texts.Pick(what) + detail});
    return core::CmdExit::kWrongArguments;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names)
        joined += (joined.empty() ? "" : ", ") + name;
    return joined;
}

// The medium's folder becomes the program folder of the run, as when the install manager is
// started from the medium: its autorun.ini, its installers, the programs its own copy comes
// from and the logon value that resumes the run.
core::CmdExit UseMedium(core::Context& context, const InstallRequest& install,
                        flows::Prompt& prompt) {
    auto& startup = context.startup;
    if (install.media) {
        if (!environments::IsFullPath(*install.media))
            return WrongArgument(context.texts, prompt, text::kNotFullPath, *install.media);
        std::string folder = *install.media;
        while (folder.size() > 2 && folder.back() == '\\')
            folder.pop_back();
        startup.programFolder = folder;
        startup.autorunPath = folder + "\\autorun.ini";
    }
    if (install.destination && !environments::IsFullPath(*install.destination))
        return WrongArgument(context.texts, prompt, text::kNotFullPath, *install.destination);
    if (!platform::FileExists(context.platform.files, startup.autorunPath))
        return Fail(prompt, context.texts.Pick(text::kNoMedium) + startup.autorunPath);
    return core::CmdExit::kDone;
}

// The start ticks of the list, as the installer page shows them, then the --select names.
core::CmdExit ChooseInstallers(installer::Context& context, const InstallRequest& install,
                               flows::Prompt& prompt, ConsoleRunChoice& choice) {
    const int count = choice.form.entryCount;
    choice.ticks.assign(static_cast<std::size_t>(count), 0);
    for (std::size_t entry = 0; entry < choice.ticks.size(); ++entry)
        choice.ticks[entry] =
            installer::ReadStartTickState(context, entry, choice.resumeIndex != 0) ? 1 : 0;
    if (install.select) {
        if (choice.form.form != installer::pageform::kList)
            return WrongArgument(context.texts, prompt, text::kUnknownInstallers,
                                 Joined(*install.select));
        const installer::NamedSelection selection =
            installer::SelectByName(context.catalogue, choice.ticks, *install.select);
        if (!selection.unknown.empty())
            return WrongArgument(context.texts, prompt, text::kUnknownInstallers,
                                 Joined(selection.unknown));
        if (!selection.notTicked.empty())
            return WrongArgument(context.texts, prompt, text::kInstallersNotSelectable,
                                 Joined(selection.notTicked));
    }
    if (choice.form.form == installer::pageform::kList) {
        std::vector<std::string> chosen;
        for (int entry = 0; entry < count; ++entry)
            if (choice.ticks[static_cast<std::size_t>(entry)] != 0)
                chosen.push_back(context.catalogue.Entry(static_cast<std::size_t>(entry)).name);
        prompt.Tell({.text = context.texts.Pick(text::kInstallersToRun) + Joined(chosen),
                     .caption = core::NoticeCaption::kConfirm});
    }
    return core::CmdExit::kDone;
}

core::CmdExit RunInstall(installer::Context& context, const Request& request, flows::Prompt& prompt,
                         core::RunLog& log) {
    const InstallRequest& install = request.install;
    if (const core::CmdExit refused = UseMedium(context, install, prompt);
        refused != core::CmdExit::kDone)
        return refused;
    core::Notices notices;
    const bool processApi = environments::EnsureProcessApi(context, notices);
    flows::TellAll(prompt, notices);
    if (!processApi)
        return core::CmdExit::kFailed;
    // The run decides by the table whether an active environment is parked beside a new one.
    if (!environments::EnumerateEnvironments(context)) {
        prompt.Tell(environments::SearchFailedNotice(context.texts));
        return core::CmdExit::kFailed;
    }
    environments::LoadUserInformation(context);
    context.startup.startMode = core::StartMode::kInstall;
    context.startup.installerCount = static_cast<int>(installer::ReadInstallerCatalogue(
        context, context.texts.Get(core::TextId::kToolSectionName), context.startup.autorunPath));

    const std::optional<int> pending = installer::PendingResumePoint(context);
    if (install.resume != pending.has_value())
        return Fail(prompt,
                    context.texts.Pick(install.resume ? text::kNoRunPending : text::kRunPending));
    ConsoleRunChoice choice;
    choice.form = installer::ChooseInstallerForm(context);
    if (choice.form.form == installer::pageform::kBrowse)
        return Fail(prompt, context.texts.Pick(text::kNoInstallers));
    choice.resumeIndex = pending.value_or(0);
    const installer::RunOptions options = installer::ReadRunOptions(context);
    choice.interactive = !request.quiet && !options.quiet;
    choice.restartPc = options.restartPc;
    choice.forceRestart = options.noMessage;
    choice.noRestart = install.noRestart;
    choice.destination = install.destination;
    if (const core::CmdExit refused = ChooseInstallers(context, install, prompt, choice);
        refused != core::CmdExit::kDone)
        return refused;

    ConsoleInstall run(context, prompt, std::move(choice));
    InstallOutcome outcome =
        install.resume
            ? flows::ResumeInstall(context, run)
            : flows::RunInstallSequence(context, run,
                                        install.newEnvironment ? flows::InstallKind::kMulti
                                                               : flows::InstallKind::kStandard);
    // Left after a stopped run: there was no other folder to try.
    if (outcome == InstallOutcome::kLeft && run.RunStopped())
        outcome = InstallOutcome::kStopped;
    return Conclude(context.texts, prompt, log, outcome, kInstallOutcomes);
}

struct CommandRun {
    Command command;
    core::CmdExit (*run)(installer::Context&, const Request&, flows::Prompt&, core::RunLog&);
};
constexpr std::array kCommandRuns = std::to_array<CommandRun>({
    {Command::kList, &RunList},
    {Command::kReport, &RunReport},
    {Command::kStatus, &RunStatus},
    {Command::kSwitch, &RunSwitch},
    {Command::kUninstall, &RunUninstall},
    {Command::kInstall, &RunInstall},
});

}  // namespace

core::CmdExit RunRequest(installer::Context& context, const Request& request, flows::Prompt& prompt,
                         core::RunLog& log) {
    for (const auto& row : kCommandRuns)
        if (row.command == request.command)
            return row.run(context, request, prompt, log);
    return core::CmdExit::kWrongArguments;
}

}  // namespace velnora::cmd
