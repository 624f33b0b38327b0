#include "app/startup_sequence.h"

#include <cstddef>

#include "app/command_line.h"
#include "core/texts.h"
#include "environments/user_information.h"
#include "installer/catalogue.h"
#include "installer/context.h"
#include "installer/execution.h"
#include "installer/run_state.h"
#include "pages/page_prompt.h"

namespace velnora::app {

namespace {

constexpr std::size_t kProfileBuffer = 1024;
constexpr char kAutorunFileName[] = "autorun.ini";
constexpr char kCheckUserInfoKey[] = "\\CheckUserInfo";

std::size_t LastSeparator(std::string_view path) {
    return path.find_last_of("\\/");
}

}  // namespace

std::string ReadProfileValue(platform::Platform& platform, const std::string& file,
                             const std::string& section, const std::string& key) {
    std::string value;
    platform.profile.GetString(section, key, "", kProfileBuffer, file, value);
    return value;
}

std::string ProgramBaseNameOf(std::string_view programPath) {
    std::string_view name = programPath;
    if (const auto slash = LastSeparator(name); slash != std::string_view::npos)
        name = name.substr(slash + 1);
    if (const auto dot = name.find_last_of('.'); dot != std::string_view::npos)
        name = name.substr(0, dot);
    return std::string(name);
}

std::string ProgramFolderOf(std::string_view programPath) {
    const auto slash = LastSeparator(programPath);
    return slash == std::string_view::npos ? std::string()
                                           : std::string(programPath.substr(0, slash));
}

bool ProbeAdministrator(platform::Registry& registry) {
    const platform::Handle machine = registry.Root(platform::RegRoot::LocalMachine);
    const std::string probeKey = std::string(core::kUninstallRoot) + kCheckUserInfoKey;
    platform::RegKey key(registry);
    if (key.Create(machine, probeKey, platform::regaccess::kWrite) != platform::error::kSuccess)
        return false;
    key.Close();
    return registry.DeleteKey(machine, probeKey) == platform::error::kSuccess;
}

// ---------------------------------------------------------------------------------------------

StartupSequence::StartupSequence(installer::Context& context, const StartupRules& rules)
    : context_(context), rules_(rules) {}

StartupSequence::~StartupSequence() {
    ExitInstance();
}

bool StartupSequence::InitInstance() {
    RunSequence();
    return false;
}

void StartupSequence::ExitInstance() {
    if (mutex_ == platform::kNoHandle)
        return;
    context_.platform.processes.ReleaseMutex(mutex_);
    context_.platform.processes.CloseHandle(mutex_);
    mutex_ = platform::kNoHandle;
}

void StartupSequence::RunSequence() {
    auto& platform = context_.platform;
    auto& startup = context_.startup;

    const std::string programPath = platform.session.ProgramPath();
    startup.programBaseName = ProgramBaseNameOf(programPath);
    startup.managerBaseName = rules_.managerBaseName(startup.programBaseName);
    startup.settingsFile = startup.managerBaseName + ".ini";
    startup.elevatedTwin = rules_.elevatedTwin;

    context_.texts = core::TextSet(core::ChooseJapanese(platform, startup.settingsFile));

    if (!TakeSingleInstanceMutex())
        return;

    startup.standardInstall = true;
    startup.chosenInstallDir.clear();

    EnumerateEnvironments();
    environments::LoadUserInformation(context_);

    rawCommandLine_ = platform.session.CommandLine();
    if (rawCommandLine_.empty()) {
        ShowError(core::TextId::kMsgCommandParameterWrong);
        return;
    }
    modePieces_ = ExtractModePieces(rawCommandLine_);
    std::string modeToken = modePieces_.empty() ? std::string() : LowerAscii(modePieces_.front());
    if (!AcceptModeToken(modeToken))
        return;

    if (!platform.session.GetVersion(startup.osVersion))
        return;

    // Velnora leaves the rights from version 6 on to the elevated twin; the Windows 9x family
    // has no accounts to check.
    const bool probe = startup.osVersion.IsNt() && startup.osVersion.major < rules_.probeBelowMajor;
    if (probe && !ProbeAdministrator(platform.registry)) {
        ShowError(rules_.notAdministrator);
        return;
    }

    if (!EnsureProcessApi())
        return;

    startup.programFolder = ProgramFolderOf(programPath);
    startup.autorunPath = startup.programFolder + "\\" + kAutorunFileName;

    if (!OsAllowedByMedia()) {
        ShowError(core::TextId::kMsgUnsupportedOS);
        return;
    }

    if (rules_.readMeOnFirstStart)
        ShowReadMeOnFirstStart();

    runPending_ = installer::PendingResumePoint(context_).has_value();
    if (runPending_)
        modeToken = TokenForPendingRun(modeToken);

    startup.installerCount = static_cast<int>(installer::ReadInstallerCatalogue(
        context_, context_.texts.Get(core::TextId::kToolSectionName), startup.autorunPath));

    Dispatch(modeToken);
}

bool StartupSequence::TakeSingleInstanceMutex() {
    auto& processes = context_.platform.processes;
    const std::string& name = context_.startup.programBaseName;
    platform::Handle mutex = platform::kNoHandle;
    const platform::ErrorCode result = processes.CreateMutex(name, mutex);
    if (mutex == platform::kNoHandle)
        return false;
    if (result == platform::error::kAlreadyExists) {
        processes.CloseHandle(mutex);
        context_.platform.ui.MessageBox(nullptr,
                                        name + context_.texts.Get(core::TextId::kMsgAlreadyRunning),
                                        context_.texts.Get(core::TextId::kCaptionError),
                                        platform::mb::kOk | platform::mb::kIconError);
        return false;
    }
    if (result != platform::error::kSuccess) {
        processes.CloseHandle(mutex);
        return false;
    }
    mutex_ = mutex;
    return true;
}

// Media may allow Windows 9x and NT 4 explicitly; everything else needs a newer version.
bool StartupSequence::OsAllowedByMedia() {
    const std::string allowOld = ReadProfileValue(context_.platform, context_.startup.autorunPath,
                                                  "General", "SupportOS_Win9X_NT");
    return allowOld == "TRUE" || context_.startup.osVersion.major >= rules_.mediaTestBelowMajor;
}

void StartupSequence::ShowReadMeOnFirstStart() {
    auto& platform = context_.platform;
    const std::string& settings = context_.startup.settingsFile;
    if (ReadProfileValue(platform, settings, "Default", "FirstBoot") == "1")
        return;
    // Marked only once the read-me really opened, so a missing help file is tried again.
    if (core::OpenHelp(context_, core::helpcontext::kReadMe))
        platform.profile.WriteString("Default", std::string("FirstBoot"), std::string("1"),
                                     settings);
}

bool StartupSequence::EnsureProcessApi() {
    core::Notices notices;
    const bool loaded = environments::EnsureProcessApi(context_, notices);
    pages::PagePrompt prompt(context_, nullptr);
    for (const core::Notice& notice : notices)
        prompt.Tell(notice);
    return loaded;
}

void StartupSequence::ShowError(core::TextId text) {
    context_.platform.ui.MessageBox(nullptr, context_.texts.Get(text),
                                    context_.texts.Get(core::TextId::kCaptionError),
                                    platform::mb::kOk | platform::mb::kIconError);
}

void StartupSequence::ShowConfirm(const std::string& text) {
    context_.platform.ui.MessageBox(
        nullptr, text, context_.texts.Get(core::TextId::kCaptionConfirm), platform::mb::kOk);
}

}  // namespace velnora::app
