#include "flows/install_sequence.h"

#include <cstdio>
#include <string_view>

#include "core/parsing.h"
#include "core/texts.h"
#include "environments/environment_table.h"
#include "environments/file_utilities.h"
#include "installer/context.h"

namespace velnora::flows {

namespace {

using core::LocalText;

constexpr LocalText kRefusal{
    "There has been already Vantorix in the directory which you chose."
    "\r\nPlease change a directory to install.",
    "指定したディレクトリには既にVantorixが存在しています。\r\n"
    "インストールするディレクトリを変更して下さい。"};

constexpr char kAutorunFileName[] = "autorun.ini";
constexpr std::size_t kProfileBuffer = 1024;
constexpr char kVendorFolder[] = "\\Orvessa\\Vtx";
constexpr char kVantorixProgram[] = "VTX2.EXE";
// Numbered proposals stop here; a machine with that many is given the base folder, which the
// check then refuses like any other.
constexpr int kLastSuffix = 99999;

// Where the sequence stands before the installer page.
enum class Destination {
    kChosen,    // the user chose the folder of a new environment
    kNotAsked,  // the installers go into the active environment, or the medium asks no folder
    kLeft,
    kSearchFailed,
};

// Which installs ask for the folder of a new environment, when the medium asks for one.
enum class FolderAsked {
    kWithoutActive,       // none is active, after a search of its own
    kAlways,              // the installers go beside the others
    kWithoutEnvironment,  // none was found at start-up
};

// What sets the kinds of install apart; one sequence walks them.
struct SequenceRules {
    std::string_view begins;
    FolderAsked folderAsked;
    bool standardInstall;
    // A run that stopped goes back to the folder page; else the sequence ends with it.
    bool backToFolder;
};

constexpr SequenceRules kStandardRules{"Standard Install begins", FolderAsked::kWithoutActive, true,
                                       true};
constexpr SequenceRules kMultiRules{"Multi Install begins", FolderAsked::kAlways, false, true};
// The Autorun mode shows its installer page once, as the program's own window.
constexpr SequenceRules kAutorunRules{"Autorun install begins", FolderAsked::kWithoutEnvironment,
                                      true, false};

std::string ProgramFilesFolder(core::Context& context) {
    const auto& os = context.startup.osVersion;
    std::string folder;
    if (os.IsNt() && os.major >= 5) {
        if (!context.platform.shell.GetSpecialFolderPath(
                platform::csidl::kProgramFiles | platform::csidl::kFlagCreate, folder))
            folder.clear();
        return folder;
    }
    environments::ReadSetupValue(context.platform.registry, os, "ProgramFilesDir", folder);
    return folder;
}

bool MediumAsksFolder(core::Context& context) {
    std::string value;
    context.platform.profile.GetString("General", "bSetInstallDir", "", kProfileBuffer,
                                       context.startup.programFolder + "\\" + kAutorunFileName,
                                       value);
    return core::ParseDecimal(value) != 0;
}

Destination AskDestination(environments::Context& context, InstallPrompt& prompt,
                           const SequenceRules& rules, bool askFolder) {
    if (rules.folderAsked == FolderAsked::kWithoutActive) {
        // An incomplete table cannot tell whether a new folder is wanted.
        if (!environments::EnumerateEnvironments(context)) {
            prompt.Tell(environments::SearchFailedNotice(context.texts));
            return Destination::kSearchFailed;
        }
        std::int32_t version = 0;
        const bool activeFound = environments::FindActiveEnvironment(context, version);
        if (context.environments.Count() != 0 && activeFound) {
            prompt.Progress("The installers update the active environment");
            return Destination::kNotAsked;
        }
    }
    if (rules.folderAsked == FolderAsked::kWithoutEnvironment &&
        context.environments.Count() != 0) {
        prompt.Progress("An environment was found at start-up: no folder is asked");
        return Destination::kNotAsked;
    }
    if (!askFolder)
        return Destination::kNotAsked;
    const std::optional<std::string> folder = prompt.ChooseDestination();
    if (!folder) {
        prompt.Progress("The user left the destination folder");
        return Destination::kLeft;
    }
    prompt.Progress("The new environment goes to " + *folder);
    context.startup.chosenInstallDir = *folder;
    return Destination::kChosen;
}

InstallOutcome OutcomeOf(InstallerPageEnd end) {
    switch (end) {
        case InstallerPageEnd::kCompleted:
            return InstallOutcome::kCompleted;
        case InstallerPageEnd::kRestartNeeded:
            return InstallOutcome::kRestartNeeded;
        case InstallerPageEnd::kStopped:
            return InstallOutcome::kStopped;
        case InstallerPageEnd::kLeft:
            break;
    }
    return InstallOutcome::kLeft;
}

// The installer page only comes back stopped when it skipped the choice and its run stopped:
// shown again, it would start the same run at once. So after it the sequence goes back to the
// folder page when there is one, and ends when there is none, instead of going round without
// the user having a say.
InstallOutcome RunSequence(environments::Context& context, InstallPrompt& prompt,
                           const SequenceRules& rules) {
    prompt.Progress(rules.begins);
    context.startup.standardInstall = rules.standardInstall;
    const bool askFolder = MediumAsksFolder(context);
    bool afterStoppedRun = false;
    for (;;) {
        switch (AskDestination(context, prompt, rules, askFolder)) {
            case Destination::kSearchFailed:
                return InstallOutcome::kFailed;
            case Destination::kLeft:
                return InstallOutcome::kLeft;
            case Destination::kNotAsked:
                if (afterStoppedRun)
                    return InstallOutcome::kStopped;
                break;
            case Destination::kChosen:
                break;
        }
        const InstallerPageEnd end = prompt.SelectAndRun();
        if (end != InstallerPageEnd::kStopped)
            return OutcomeOf(end);
        prompt.Progress("The run stopped");
        if (!rules.backToFolder)
            return InstallOutcome::kStopped;
        afterStoppedRun = true;
    }
}

}  // namespace

InstallOutcome RunInstallSequence(environments::Context& context, InstallPrompt& prompt,
                                  InstallKind kind) {
    return RunSequence(context, prompt,
                       kind == InstallKind::kStandard ? kStandardRules : kMultiRules);
}

InstallOutcome RunAutorunSequence(environments::Context& context, InstallPrompt& prompt) {
    return RunSequence(context, prompt, kAutorunRules);
}

InstallOutcome ResumeInstall(core::Context& /*context*/, InstallPrompt& prompt) {
    prompt.Progress("The run a restart cut off goes on");
    const InstallerPageEnd end = prompt.SelectAndRun();
    // Nothing to go back to: a stopped resume ends like a left one.
    return end == InstallerPageEnd::kStopped ? InstallOutcome::kLeft : OutcomeOf(end);
}

std::string ProposeDestinationFolder(core::Context& context) {
    auto& files = context.platform.files;
    const std::string base = ProgramFilesFolder(context) + kVendorFolder;
    if (!platform::FileExists(files, base))
        return base;
    for (int n = 1; n <= kLastSuffix; ++n) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "_%03d", n);
        const std::string candidate = base + suffix;
        if (!platform::FileExists(files, candidate))
            return candidate;
    }
    return base;
}

std::optional<core::Notice> RefuseDestination(core::Context& context, const std::string& folder) {
    if (environments::FindFileBelow(context.platform.files, folder, kVantorixProgram) != 1)
        return std::nullopt;
    return core::Notice{context.texts.Pick(kRefusal), core::NoticeCaption::kError,
                        platform::mb::kOk | platform::mb::kIconError, false};
}

}  // namespace velnora::flows
