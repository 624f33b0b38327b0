#include "installer/install_run.h"

#include <cstdio>
#include <optional>
#include <string>

#include "core/context.h"
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
#include "installer/execution.h"
#include "installer/run_state.h"

namespace velnora::installer {

namespace {

using core::LocalText;

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

// Polls spent waiting for a previous installer, over every run of the process.
std::uint32_t& WaitPolls(core::Context& context) {
    return context.execution.waitPolls;
}

std::string ProgressTitle(int ordinal, int count) {
    char title[64];
    std::snprintf(title, sizeof title, "%d of %d Installer", ordinal, count);
    return title;
}

std::string EntryPath(const core::Context& context, int entry) {
    return context.startup.programFolder + "\\" +
           context.catalogue.Entry(static_cast<std::size_t>(entry)).path;
}

void ShowMissingInstallers(core::Context& context, const std::string& list) {
    context.platform.ui.MessageBox(
        nullptr, context.texts.Pick(kMsgInstallerNotFound) + "\r\n" + list,
        context.startup.programBaseName, platform::mb::kOk | platform::mb::kIconWarning);
}

// The previous installer's program may still run (its child went on after it ended); the next
// installer must not start before it is gone.
void WaitForPreviousInstaller(core::Context& context, RunPage& page, const std::string& title) {
    std::string previous;
    ReadRunState(context, kRunStateSection, kPrevKey, previous);
    context.execution.prevInstaller = previous;
    bool titled = false;
    while (!context.execution.prevInstaller.empty() &&
           IsImageRunning(context, context.startup.osVersion.platformId,
                          context.execution.prevInstaller)) {
        if (!titled && !page.IsMinimized()) {
            page.MinimizeForRun();
            page.SetMainTitle(title);
            titled = true;
        }
        context.platform.processes.Sleep(kWaitPollSleepMs);
        if (context.execution.shutdownNoticed)
            context.platform.session.ExitProcess(core::twinexit::kCutOff);
        if (++WaitPolls(context) > kMaxWaitPolls)
            context.platform.session.ExitProcess(core::twinexit::kAborted);
    }
}

// Back from the run: Exit works again and the titles are the page's own.
RunOutcome EndOfSequence(RunPage& page, const std::string& mainTitle, RunOutcome outcome) {
    page.EnableExit();
    page.SetMainTitle(mainTitle);
    page.RestorePageTitle();
    return outcome;
}

RunOutcome OutcomeOf(int runInstallerResult) {
    return runInstallerResult == 1 ? RunOutcome::kCompleted : RunOutcome::kStopped;
}

// The single and browse forms: the one installer the page names.
RunOutcome RunOneInstaller(core::Context& context, RunPage& page, const std::string& mainTitle) {
    const std::string& command = context.execution.installerCommand;
    if (!context.platform.files.PathFileExists(command)) {
        ShowMissingInstallers(context, "(" + command + ")");
        return RunOutcome::kStopped;
    }
    context.execution.installerCommand = core::Quoted(command);
    page.MinimizeForRun();
    return EndOfSequence(page, mainTitle, OutcomeOf(RunInstaller(context, 0, 1, page.Form())));
}

// The list form. Every ticked installer is looked for before the first one starts, so that a
// fresh run never stops half-way for a missing program.
RunOutcome RunTickedInstallers(core::Context& context, RunPage& page,
                               const std::string& mainTitle) {
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
            ShowMissingInstallers(context, missing);
            return RunOutcome::kStopped;
        }
    }
    // The resume finds out which program ran the run before the restart.
    WriteRunState(context, kRunStateSection, kRunnerKey, context.startup.programBaseName);
    int selected = 0;
    int ordinal = 0;
    for (int entry = 0; entry < count; ++entry) {
        if (entry == resume)
            ordinal = selected;
        char key[40];
        std::snprintf(key, sizeof key, "User_Selection_Install_%02d", entry);
        WriteRunState(context, kRunStateSection, key, page.IsTicked(entry) ? "1" : "0");
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
            const core::InstallerEntry& item =
                context.catalogue.Entry(static_cast<std::size_t>(entry));
            context.execution.installerCommand = core::Quoted(path) + " " + item.option;
            const std::string title = ProgressTitle(ordinal, selected);
            if (entry > 0)
                WaitForPreviousInstaller(context, page, title);
            WriteRunState(context, kRunStateSection, kPrevKey, path.substr(0, kMaxPrevLength));
            page.MinimizeForRun();
            page.SetMainTitle(title);
            if (!item.needUserInfoButton.empty())
                WriteInstallManagerKey(context, kUserInfoButtonKey, item.needUserInfoButton);
            outcome = OutcomeOf(RunInstaller(context, entry, count, page.Form()));
        } else if (!page.Interactive()) {
            // A quiet run cannot ask, so it ends here and leaves nothing to resume.
            FinishRunState(context, count, count);
            page.SetMainTitle(mainTitle);
            page.RestorePageTitle();
            return outcome;
        }
        if (context.execution.shutdownNoticed)
            context.platform.session.ExitProcess(core::twinexit::kCutOff);
    }
    FinishRunState(context, entry, count);
    return EndOfSequence(page, mainTitle, outcome);
}

// The run of a new environment or of the first one: the installers find the user information
// and a cleared restart request in the tool record, and none starts on a record that could not
// be written. A record that only this preparation created, and that the installers left as it
// was, goes again; one that was there before belongs to an environment and stays.
RunOutcome PreparedRun(core::Context& context, RunPage& page) {
    // A record the search could not rule out may be an environment's: it is never taken back.
    const bool created = platform::CertainlyMissing(context.platform.files,
                                                    environments::LiveToolRecordPath(context));
    // Handed over for one run of the installers; a run that started none leaves it chosen.
    const std::string chosenFolder = context.startup.chosenInstallDir;
    const bool prepared = environments::RecordUserInformation(context) &&
                          WriteInstallManagerKey(context, kRebootKey, "0");
    const std::optional<std::string> before = ToolRecordContent(context);
    const RunOutcome result = prepared ? RunSequence(context, page) : RunOutcome::kStopped;
    // Byte for byte: an installer that turns the restart request to "1" keeps the size.
    if (created && before && ToolRecordContent(context) == before)
        DeleteToolRecord(context);
    if (!context.execution.installerFinished)
        context.startup.chosenInstallDir = chosenFolder;
    return result;
}

// The engines' notices as the run has always shown its messages, without an owner.
void ShowNotice(core::Context& context, const core::Notice& notice) {
    context.platform.ui.MessageBox(nullptr, notice.text, core::CaptionText(context, notice.caption),
                                   notice.style);
}

void ShowNotices(core::Context& context, core::Notices& notices) {
    for (const core::Notice& notice : notices)
        ShowNotice(context, notice);
    notices.clear();
}

bool EnumerateShowing(core::Context& context) {
    if (environments::EnumerateEnvironments(context))
        return true;
    ShowNotice(context, environments::SearchFailedNotice(context));
    return false;
}

int ActiveRow(const core::Context& context) {
    for (int row = 0; row < context.environments.Count(); ++row)
        if (context.environments.Row(row).keyName == core::kVantorixProductGuid)
            return row;
    return -1;
}

// The new environment goes beside the active one, which is parked for the run and comes back
// when the installers made none.
bool RunBesideActive(core::Context& context, RunPage& page, bool tidewatchInstalled,
                     int environmentCount) {
    std::string parked;
    core::Notices notices;
    if (!environments::NewGuidText(context.platform.shell, parked) ||
        !environments::DeactivateEnvironment(context, parked, notices)) {
        ShowNotices(context, notices);
        return false;
    }
    if (PreparedRun(context, page) != RunOutcome::kCompleted) {
        environments::RestoreParkedEnvironment(context, parked, notices);
        ShowNotices(context, notices);
        return false;
    }
    if (!environments::EnvironmentEntryExists(context.platform.registry,
                                              core::kVantorixProductGuid)) {
        const bool restored = environments::RestoreParkedEnvironment(context, parked, notices);
        ShowNotices(context, notices);
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

RunOutcome InstallRun(core::Context& context, RunPage& page) {
    constexpr RunOutcome kStopped = RunOutcome::kStopped;
    if (page.ResumeIndex() > page.EntryCount()) {
        WriteRunState(context, kRunStateSection, kContinueKey, std::nullopt);
        return kStopped;
    }
    const auto finish = [&] {
        return EnumerateShowing(context) ? RunOutcome::kCompleted : kStopped;
    };
    const auto afterRun = [&](RunOutcome ran) {
        if (ran == RunOutcome::kCompleted)
            return finish();
        EnumerateShowing(context);
        return kStopped;
    };
    // A resumed run goes on with the installers only; the preparation was done before the
    // restart.
    if (page.ResumeIndex() > 0)
        return RunSequence(context, page) == RunOutcome::kCompleted ? finish() : kStopped;

    if (page.Form() != pageform::kList) {
        const std::string path = page.InstallerPath();
        if (path.empty()) {
            context.platform.ui.MessageBox(page.Owner(), context.texts.Pick(kMsgSelectInstaller),
                                           context.texts.Get(core::TextId::kCaptionConfirm),
                                           platform::mb::kOk);
            return kStopped;
        }
        context.execution.installerCommand = path;
    }

    const int count = context.environments.Count();
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
            context.platform.ui.MessageBox(page.Owner(), context.texts.Pick(kMsgVersionTooOld),
                                           context.texts.Get(core::TextId::kCaptionError),
                                           platform::mb::kOk);
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

RunOutcome RunSequence(core::Context& context, RunPage& page) {
    page.EnableButtons(false);
    const std::string mainTitle = page.MainTitle();
    return page.Form() == pageform::kList ? RunTickedInstallers(context, page, mainTitle)
                                          : RunOneInstaller(context, page, mainTitle);
}

bool WriteInstallManagerKey(core::Context& context, const std::string& key,
                            const std::string& value) {
    const std::string folder = environments::FindWindowsFolder(context);
    if (!context.platform.files.PathIsDirectory(folder)) {
        ShowNotice(context,
                   environments::PathNotice(context, core::TextId::kMsgFolderNotFound, folder));
        return false;
    }
    const std::string file = folder + "\\" + environments::kToolRecordFileName;
    if (!context.platform.profile.WriteString(kInstallManagerSection, key, value, file)) {
        ShowNotice(context,
                   environments::PathNotice(context, core::TextId::kMsgFileNotWritten, file));
        return false;
    }
    return true;
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

}  // namespace velnora::installer
