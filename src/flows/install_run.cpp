#include "flows/install_run.h"

#include <cstdio>
#include <optional>
#include <string>

#include "core/exit_codes.h"
#include "core/parsing.h"
#include "environments/activation_switch.h"
#include "environments/environment_table.h"
#include "environments/file_utilities.h"
#include "environments/move_support.h"
#include "environments/own_shortcut.h"
#include "environments/tidewatch.h"
#include "environments/tool_record.h"
#include "environments/user_information.h"
#include "flows/change_journal.h"
#include "flows/own_copy.h"
#include "installer/context.h"
#include "installer/execution.h"
#include "installer/run_state.h"

namespace velnora::flows {

namespace {

using core::LocalText;
using installer::kContinueKey;
using installer::kPrevKey;
using installer::kRunnerKey;
using installer::kRunStateSection;
namespace pageform = installer::pageform;

constexpr LocalText kMsgInstallerNotFound{"An installer program is not found.",
                                          "インストーラプログラムが見つかりません。"};
constexpr LocalText kMsgSelectInstaller{"Select the installer you want to execute.",
                                        "実行するインストールプログラムを指定してください。"};
constexpr LocalText kMsgVersionTooOld{
    "A version of Vantorix is less than V.2.2. Therefore overwrite installation is not possible.",
    "Vantorixのバージョンが2.2未満の為、上書きインストールできません。"};

// Oldest version an installer may update in place.
constexpr std::int32_t kOldestUpdatableVersion = 2200;

constexpr char kUserInfoButtonKey[] = "bNeedUserInfoButton";
constexpr std::size_t kProfileBuffer = 1024;
constexpr LocalText kAskRestart{
    "The PC will be restarted to complete istallation!\n\nClick on No button if you want to "
    "restart PC later.",
    "今すぐPCを再起動します。後でPCを再起動したい場合はいいえボタンを押してください。"};

// Runs an engine step that collects notices and tells them before the run goes on.
template <typename Step>
auto Told(Prompt& prompt, Step step) {
    core::Notices notices;
    auto result = step(notices);
    TellAll(prompt, notices);
    return result;
}

bool WriteRunState(core::Context& context, Prompt& prompt, const std::string& key,
                   const std::optional<std::string>& value) {
    return Told(prompt, [&](core::Notices& notices) {
        return installer::WriteRunState(context, kRunStateSection, key, value, notices);
    });
}

void FinishRunState(core::Context& context, Prompt& prompt, int next, int count) {
    core::Notices notices;
    installer::FinishRunState(context, next, count, notices);
    TellAll(prompt, notices);
}

bool WriteInstallManagerKey(core::Context& context, Prompt& prompt, const std::string& key,
                            const std::string& value) {
    return Told(prompt, [&](core::Notices& notices) {
        return flows::WriteInstallManagerKey(context, key, value, notices);
    });
}

// Polls spent waiting for a previous installer, over every run of the process.
std::uint32_t& WaitPolls(installer::Context& context) {
    return context.run.waitPolls;
}

std::string ProgressTitle(int ordinal, int count) {
    char title[64];
    std::snprintf(title, sizeof title, "%d of %d Installer", ordinal, count);
    return title;
}

std::string EntryPath(const installer::Context& context, int entry) {
    return context.startup.programFolder + "\\" +
           context.catalogue.Entry(static_cast<std::size_t>(entry)).path;
}

void ShowMissingInstallers(const core::TextSet& texts, RunView& page, const std::string& list) {
    page.RunPrompt().Tell({texts.Pick(kMsgInstallerNotFound) + "\r\n" + list,
                           core::NoticeCaption::kProgramName,
                           platform::mb::kOk | platform::mb::kIconWarning, false});
}

// One installer, with its command line and exit code for the log.
installer::InstallerRun RunInstaller(installer::Context& context, RunView& page, int entry,
                                     int count) {
    Prompt& prompt = page.RunPrompt();
    prompt.Progress("Installer starts: " + installer::InstallerCommandLine(context, entry));
    PromptWatch watch(prompt);
    std::uint32_t exitCode = 0;
    const installer::InstallerRun ran =
        installer::RunInstaller(context, entry, count, page.Form(), watch, exitCode);
    prompt.Progress(ran == installer::InstallerRun::kEnded
                        ? "Installer ended with exit code " + std::to_string(exitCode)
                        : std::string("Installer did not run"));
    return ran;
}

// The previous installer's program may still run (its child went on after it ended); the next
// installer must not start before it is gone.
void WaitForPreviousInstaller(installer::Context& context, RunView& page,
                              const std::string& title) {
    std::string previous;
    installer::ReadRunState(context, kRunStateSection, kPrevKey, previous);
    context.run.prevInstaller = previous;
    PromptWatch watch(page.RunPrompt());
    bool titled = false;
    while (!context.run.prevInstaller.empty() &&
           installer::IsImageRunning(context, context.startup.osVersion.platformId,
                                     context.run.prevInstaller, watch)) {
        if (!titled && !page.IsMinimized()) {
            page.MinimizeForRun();
            page.SetMainTitle(title);
            titled = true;
        }
        context.platform.processes.Sleep(kWaitPollSleepMs);
        if (context.run.shutdownNoticed)
            context.platform.session.ExitProcess(context.startup.cutOffExitCode);
        if (++WaitPolls(context) > kMaxWaitPolls)
            context.platform.session.ExitProcess(core::twinexit::kAborted);
    }
}

// Back from the run: Exit works again and the titles are the page's own.
RunOutcome EndOfSequence(RunView& page, const std::string& mainTitle, RunOutcome outcome) {
    page.EnableExit();
    page.SetMainTitle(mainTitle);
    page.RestorePageTitle();
    return outcome;
}

RunOutcome OutcomeOf(installer::InstallerRun run) {
    return run == installer::InstallerRun::kEnded ? RunOutcome::kCompleted : RunOutcome::kStopped;
}

// The single and browse forms: the one installer the page names.
RunOutcome RunOneInstaller(installer::Context& context, RunView& page,
                           const std::string& mainTitle) {
    const std::string& command = context.run.installerCommand;
    if (!context.platform.files.PathFileExists(command)) {
        ShowMissingInstallers(context.texts, page, "(" + command + ")");
        return RunOutcome::kStopped;
    }
    context.run.installerCommand = core::Quoted(command);
    page.MinimizeForRun();
    return EndOfSequence(page, mainTitle, OutcomeOf(RunInstaller(context, page, 0, 1)));
}

// The list form. Every ticked installer is looked for before the first one starts, so that a
// fresh run never stops half-way for a missing program.
RunOutcome RunTickedInstallers(installer::Context& context, RunView& page,
                               const std::string& mainTitle) {
    Prompt& prompt = page.RunPrompt();
    const int count = page.EntryCount();
    const int resume = page.ResumeIndex();
    if (resume == 0) {
        std::string missing;
        for (int entry = 0; entry < count; ++entry) {
            const std::string path = EntryPath(context, entry);
            if (page.IsTicked(entry) && !context.platform.files.PathFileExists(path))
                missing += "(" + path + ")\r\n";
        }
        if (!missing.empty()) {
            ShowMissingInstallers(context.texts, page, missing);
            return RunOutcome::kStopped;
        }
    }
    // The resume finds out which program ran the run before the restart.
    WriteRunState(context, prompt, kRunnerKey, context.startup.programBaseName);
    int selected = 0;
    int ordinal = 0;
    for (int entry = 0; entry < count; ++entry) {
        if (entry == resume)
            ordinal = selected;
        char key[40];
        std::snprintf(key, sizeof key, "User_Selection_Install_%02d", entry);
        WriteRunState(context, prompt, key, page.IsTicked(entry) ? "1" : "0");
        if (page.IsTicked(entry))
            ++selected;
    }

    // A resumed run with nothing left to run (the logon ended in the grace time after the last
    // installer) has nothing more to do than a completed one.
    bool leftToRun = false;
    for (int entry = resume; entry < count; ++entry)
        leftToRun = leftToRun || page.IsTicked(entry);
    RunOutcome outcome = resume > 0 && !leftToRun ? RunOutcome::kCompleted : RunOutcome::kStopped;
    int entry = resume;
    for (; entry < count; ++entry) {
        page.Hide();
        if (!page.IsTicked(entry))
            continue;
        ++ordinal;
        const std::string path = EntryPath(context, entry);
        if (context.platform.files.PathFileExists(path)) {
            const installer::InstallerEntry& item =
                context.catalogue.Entry(static_cast<std::size_t>(entry));
            context.run.installerCommand = core::Quoted(path) + " " + item.option;
            const std::string title = ProgressTitle(ordinal, selected);
            if (entry > 0)
                WaitForPreviousInstaller(context, page, title);
            WriteRunState(context, prompt, kPrevKey, path.substr(0, kMaxPrevLength));
            page.MinimizeForRun();
            page.SetMainTitle(title);
            if (!item.needUserInfoButton.empty())
                WriteInstallManagerKey(context, prompt, kUserInfoButtonKey,
                                       item.needUserInfoButton);
            outcome = OutcomeOf(RunInstaller(context, page, entry, count));
        } else if (!page.Interactive()) {
            // A quiet run cannot ask, so it ends here and leaves nothing to resume.
            prompt.Progress("A quiet run stops at a missing installer: " + path);
            FinishRunState(context, prompt, count, count);
            page.SetMainTitle(mainTitle);
            page.RestorePageTitle();
            return outcome;
        }
        if (context.run.shutdownNoticed)
            context.platform.session.ExitProcess(context.startup.cutOffExitCode);
    }
    FinishRunState(context, prompt, entry, count);
    return EndOfSequence(page, mainTitle, outcome);
}

// The run of a new environment or of the first one: the installers find the user information
// and a cleared restart request in the tool record, and none starts on a record that could not
// be written. A record that only this preparation created, and that the installers left as it
// was, goes again; one that was there before belongs to an environment and stays.
RunOutcome PreparedRun(installer::Context& context, RunView& page) {
    Prompt& prompt = page.RunPrompt();
    // A record the search could not rule out may be an environment's: it is never taken back.
    const bool created = platform::CertainlyMissing(context.platform.files,
                                                    environments::LiveToolRecordPath(context));
    // Handed over for one run of the installers; a run that started none leaves it chosen.
    const std::string chosenFolder = context.startup.chosenInstallDir;
    prompt.Progress("The user information and the restart request go into the tool record");
    const bool prepared = Told(prompt,
                               [&](core::Notices& notices) {
                                   return environments::RecordUserInformation(context, notices);
                               }) &&
                          WriteInstallManagerKey(context, prompt, kRebootKey, "0");
    const std::optional<std::string> before = ToolRecordContent(context);
    const RunOutcome result = prepared ? RunSequence(context, page) : RunOutcome::kStopped;
    // Byte for byte: an installer that turns the restart request to "1" keeps the size.
    if (created && before && ToolRecordContent(context) == before)
        DeleteToolRecord(context);
    if (!context.run.installerFinished)
        context.startup.chosenInstallDir = chosenFolder;
    return result;
}

bool EnumerateTelling(environments::Context& context, Prompt& prompt) {
    if (environments::EnumerateEnvironments(context))
        return true;
    prompt.Tell(environments::SearchFailedNotice(context.texts));
    return false;
}

int ActiveRow(const environments::Context& context) {
    for (int row = 0; row < context.environments.Count(); ++row)
        if (context.environments.Row(row).keyName == core::kVantorixProductGuid)
            return row;
    return -1;
}

// The new environment goes beside the active one, which is parked for the run and comes back
// when the installers made none.
bool RunBesideActive(installer::Context& context, RunView& page, bool tidewatchInstalled,
                     int environmentCount) {
    Prompt& prompt = page.RunPrompt();
    prompt.Progress("The active environment is parked beside the new one");
    std::string parked;
    core::Notices notices;
    if (!environments::NewGuidText(context.platform.shell, parked) ||
        !environments::DeactivateEnvironment(context, parked, notices)) {
        TellAll(prompt, notices);
        return false;
    }
    if (PreparedRun(context, page) != RunOutcome::kCompleted) {
        prompt.Progress("The parked environment comes back");
        environments::RestoreParkedEnvironment(context, parked, notices);
        TellAll(prompt, notices);
        return false;
    }
    if (!environments::EnvironmentEntryExists(context.platform.registry,
                                              core::kVantorixProductGuid)) {
        prompt.Progress("The installers made no environment: the parked one comes back");
        const bool restored = environments::RestoreParkedEnvironment(context, parked, notices);
        TellAll(prompt, notices);
        if (restored && tidewatchInstalled)
            environments::StartTidewatch(context);
    } else if (!environments::OwnShortcutExists(context, parked)) {
        environments::CreateOwnShortcut(context, parked);
    } else if (environmentCount >= 1) {
        environments::CreateOwnShortcut(context, "");
    }
    return true;
}

}  // namespace

RunOutcome InstallRun(installer::Context& context, RunView& page) {
    constexpr RunOutcome kStopped = RunOutcome::kStopped;
    Prompt& prompt = page.RunPrompt();
    if (page.ResumeIndex() > page.EntryCount()) {
        prompt.Progress("The resume point lies past the catalogue: nothing to resume");
        WriteRunState(context, prompt, kContinueKey, std::nullopt);
        return kStopped;
    }
    const auto finish = [&] {
        return EnumerateTelling(context, prompt) ? RunOutcome::kCompleted : kStopped;
    };
    const auto afterRun = [&](RunOutcome ran) {
        if (ran == RunOutcome::kCompleted)
            return finish();
        EnumerateTelling(context, prompt);
        return kStopped;
    };
    // A resumed run goes on with the installers only; the preparation was done before the
    // restart.
    if (page.ResumeIndex() > 0) {
        prompt.Progress("The run goes on after a restart");
        return RunSequence(context, page) == RunOutcome::kCompleted ? finish() : kStopped;
    }

    if (page.Form() != pageform::kList) {
        const std::string path = page.InstallerPath();
        if (path.empty()) {
            prompt.Tell({context.texts.Pick(kMsgSelectInstaller), core::NoticeCaption::kConfirm,
                         platform::mb::kOk, true});
            return kStopped;
        }
        context.run.installerCommand = path;
    }

    // The installers write the live material, which may be half of a parked environment.
    if (const auto interrupted = InterruptedChangeNotice(context)) {
        prompt.Tell(*interrupted);
        return kStopped;
    }
    const int count = context.environments.Count();
    prompt.Progress("Tidewatch is stopped for the installers");
    if (!environments::StopTidewatch(context))
        return kStopped;
    // Tidewatch comes back with the parked environment when the installers made none.
    const bool tidewatchInstalled = environments::ShouldStartTidewatch(context);

    if (context.startup.standardInstall) {
        if (count == 0)
            return afterRun(PreparedRun(context, page));
        std::int32_t version = 0;
        if (!environments::FindActiveEnvironment(context, version))
            return afterRun(PreparedRun(context, page));
        if (version < kOldestUpdatableVersion) {
            prompt.Tell({context.texts.Pick(kMsgVersionTooOld), core::NoticeCaption::kError,
                         platform::mb::kOk, true});
            return kStopped;
        }
        return afterRun(RunSequence(context, page));
    }

    if (ActiveRow(context) < 0) {
        const RunOutcome ran = PreparedRun(context, page);
        if (ran == RunOutcome::kCompleted && count >= 1)
            environments::CreateOwnShortcut(context, "");
        return afterRun(ran);
    }
    return RunBesideActive(context, page, tidewatchInstalled, count) ? finish() : kStopped;
}

RunOutcome RunSequence(installer::Context& context, RunView& page) {
    page.EnableButtons(false);
    const std::string mainTitle = page.MainTitle();
    return page.Form() == pageform::kList ? RunTickedInstallers(context, page, mainTitle)
                                          : RunOneInstaller(context, page, mainTitle);
}

bool WriteInstallManagerKey(core::Context& context, const std::string& key,
                            const std::string& value, core::Notices& notices) {
    const std::string folder = environments::FindWindowsFolder(context);
    if (!context.platform.files.PathIsDirectory(folder)) {
        notices.push_back(
            environments::PathNotice(context.texts, core::TextId::kMsgFolderNotFound, folder));
        return false;
    }
    const std::string file = folder + "\\" + environments::kToolRecordFileName;
    if (!context.platform.profile.WriteString(kInstallManagerSection, key, value, file)) {
        notices.push_back(
            environments::PathNotice(context.texts, core::TextId::kMsgFileNotWritten, file));
        return false;
    }
    return true;
}

RunOutcome RunInstallers(installer::Context& context, RunView& page) {
    Prompt& prompt = page.RunPrompt();
    const RunOutcome outcome = InstallRun(context, page);
    prompt.Progress(outcome == RunOutcome::kCompleted ? "The run completed" : "The run stopped");
    if (outcome != RunOutcome::kCompleted)
        return outcome;
    InstallOwnCopy(context, prompt);
    return outcome;
}

RestartEnd OfferRestart(installer::Context& context, Prompt& prompt, bool restartPc, bool force) {
    if (!context.run.installerFinished)
        return RestartEnd::kNone;
    std::string reboot;
    context.platform.profile.GetString(kInstallManagerSection, kRebootKey, "", kProfileBuffer,
                                       environments::LiveToolRecordPath(context), reboot);
    const bool requested = reboot == "1";
    if (requested)
        WriteInstallManagerKey(context, prompt, kRebootKey, "0");
    if (!requested && !restartPc)
        return RestartEnd::kNone;
    prompt.Progress(requested ? "An installer asks for a restart"
                              : "The medium asks for a restart");
    if (!prompt.Ask({context.texts.Pick(kAskRestart), core::NoticeCaption::kProgramName,
                     platform::mb::kYesNo | platform::mb::kIconWarning, true}))
        return RestartEnd::kRestartNeeded;
    installer::RestartWindows(context.platform.session, 0, force);
    return RestartEnd::kRestarting;
}

std::optional<std::string> ToolRecordContent(core::Context& context) {
    std::string content;
    if (context.platform.files.ReadFile(environments::LiveToolRecordPath(context), content) !=
        platform::error::kSuccess)
        return std::nullopt;
    return content;
}

bool DeleteToolRecord(core::Context& context) {
    return context.platform.files.DeleteFile(environments::LiveToolRecordPath(context)) ==
           platform::error::kSuccess;
}

}  // namespace velnora::flows
