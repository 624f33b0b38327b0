#include "cmd/commands.h"

#include <array>

#include "cmd/cmd_texts.h"
#include "cmd/environment_listing.h"
#include "cmd/environment_match.h"
#include "core/context.h"
#include "core/parsing.h"
#include "core/run_log.h"
#include "environments/environment_table.h"
#include "flows/change_active.h"
#include "flows/prompt.h"
#include "flows/uninstall_environment.h"
#include "installer/run_state.h"
#include "maintenance/installation_report.h"
#include "maintenance/own_installation.h"

namespace velnora::cmd {

namespace {

void Print(core::Context& context, std::string_view text) {
    context.platform.console.Write(platform::StandardStream::kOutput, text);
}

core::CmdExit Fail(flows::Prompt& prompt, const std::string& text) {
    prompt.Tell({.text = text});
    return core::CmdExit::kFailed;
}

core::CmdExit RunList(core::Context& context, const Request& request, flows::Prompt& prompt,
                      core::RunLog& log) {
    auto found = ListEnvironments(context);
    if (!found) {
        prompt.Tell(environments::SearchFailedNotice(context));
        return core::CmdExit::kFailed;
    }
    auto& listed = *found;
    log.Step(std::to_string(listed.size()) + context.texts.Pick(text::kLogEnvironmentsListed));
    if (request.activeOnly)
        std::erase_if(listed, [](const ListedEnvironment& e) { return !e.active; });
    if (request.format == ListFormat::kJson) {
        Print(context, ListingJson(listed));
        return core::CmdExit::kDone;
    }
    if (listed.empty()) {
        prompt.Tell({.text = context.texts.Pick(text::kNoEnvironments),
                     .caption = core::NoticeCaption::kConfirm});
        return core::CmdExit::kDone;
    }
    Print(context, ListingTable(listed, context.texts));
    return core::CmdExit::kDone;
}

core::CmdExit RunReport(core::Context& context, const Request& request, flows::Prompt& prompt,
                        core::RunLog& log) {
    core::Notices notices;
    if (!request.out) {
        const std::string report = maintenance::InstallationReportText(context, notices);
        flows::TellAll(prompt, notices);
        Print(context, report);
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

// The lines of the status, each in the chosen language.
std::string StatusText(core::Context& context, core::RunLog& log) {
    const auto& texts = context.texts;
    std::string status;
    const std::string next = ReadRunStateValue(context, installer::kContinueKey);
    // "Continue" above 0 is what makes the next start resume the run.
    if (static_cast<std::int32_t>(core::ParseUnsignedAutoBase(next)) > 0) {
        status += texts.Pick(text::kPendingRun) + texts.Pick(text::kPendingRunNext) + next;
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

    if (const auto last =
            core::RunLog::LastRunLog(context.platform, core::kRunLogPrefix, log.Path()))
        status += texts.Pick(text::kLastLog) + *last + "\n";
    else
        status += texts.Pick(text::kLastLogNone) + "\n";
    return status;
}

core::CmdExit RunStatus(core::Context& context, const Request&, flows::Prompt&, core::RunLog& log) {
    const std::string status = StatusText(context, log);
    Print(context, status);
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
core::CmdExit Conclude(core::Context& context, flows::Prompt& prompt, core::RunLog& log,
                       Outcome outcome, const std::array<OutcomeRow<Outcome>, N>& rows) {
    log.Step(context.texts.Pick(text::kLogOutcome) + std::string(flows::OutcomeName(outcome)));
    for (const auto& row : rows) {
        if (row.outcome != outcome)
            continue;
        if (row.line != nullptr)
            prompt.Tell({.text = context.texts.Pick(*row.line),
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

Chosen ChooseEnvironment(core::Context& context, const Request& request, flows::Prompt& prompt) {
    const auto found = ListEnvironments(context);
    if (!found) {
        prompt.Tell(environments::SearchFailedNotice(context));
        return {std::nullopt, core::CmdExit::kFailed};
    }
    const EnvironmentMatch match = MatchEnvironment(*found, request.env);
    if (match.outcome != MatchOutcome::kFound || match.indices.front() >= found->size()) {
        prompt.Tell(MatchError(*found, request.env, match, context.texts));
        return {std::nullopt, MatchExit(match.outcome)};
    }
    return {(*found)[match.indices.front()].key};
}

core::CmdExit RunSwitch(core::Context& context, const Request& request, flows::Prompt& prompt,
                        core::RunLog& log) {
    const Chosen chosen = ChooseEnvironment(context, request, prompt);
    if (!chosen.keyName)
        return chosen.exit;
    const ChangeOutcome outcome = flows::ChangeActiveEnvironment(context, prompt, *chosen.keyName);
    return Conclude(context, prompt, log, outcome, kSwitchOutcomes);
}

core::CmdExit RunUninstall(core::Context& context, const Request& request, flows::Prompt& prompt,
                           core::RunLog& log) {
    const Chosen chosen = ChooseEnvironment(context, request, prompt);
    if (!chosen.keyName)
        return chosen.exit;
    const flows::UninstallResult result =
        flows::UninstallEnvironment(context, prompt, *chosen.keyName);
    return Conclude(context, prompt, log, result.outcome, kUninstallOutcomes);
}

struct CommandRun {
    Command command;
    core::CmdExit (*run)(core::Context&, const Request&, flows::Prompt&, core::RunLog&);
};
constexpr std::array kCommandRuns = std::to_array<CommandRun>({
    {Command::kList, &RunList},
    {Command::kReport, &RunReport},
    {Command::kStatus, &RunStatus},
    {Command::kSwitch, &RunSwitch},
    {Command::kUninstall, &RunUninstall},
});

}  // namespace

core::CmdExit RunRequest(core::Context& context, const Request& request, flows::Prompt& prompt,
                         core::RunLog& log) {
    for (const auto& row : kCommandRuns)
        if (row.command == request.command)
            return row.run(context, request, prompt, log);
    return core::CmdExit::kWrongArguments;
}

}  // namespace velnora::cmd
