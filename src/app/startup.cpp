#include "app/startup.h"

#include <cstddef>
#include <optional>

#include "core/parsing.h"
#include "core/texts.h"
#include "installer/catalogue.h"
#include "installer/execution.h"
#include "installer/run_state.h"

namespace velnora::app {

namespace {

constexpr std::size_t kProfileBuffer = 1024;
constexpr char kAutorunFileName[] = "autorun.ini";
constexpr char kCheckUserInfoKey[] = "\\CheckUserInfo";

std::string ReadProfile(platform::Platform& platform, const std::string& file,
                        const std::string& section, const std::string& key) {
    std::string value;
    platform.profile.GetString(section, key, "", kProfileBuffer, file, value);
    return value;
}

std::size_t LastSeparator(std::string_view path) {
    return path.find_last_of("\\/");
}

}  // namespace

bool ContinueSelectsAutorun(std::string_view continueValue) {
    return static_cast<std::int32_t>(core::ParseUnsignedAutoBase(continueValue)) > 0;
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

void LoadUserInformation(core::Context& context) {
    struct Field {
        const char* key;
        std::string core::UserInformation::*value;
    };
    static constexpr Field kFields[] = {
        {"Company", &core::UserInformation::company},
        {"Address", &core::UserInformation::address},
        {"Department", &core::UserInformation::department},
        {"User name", &core::UserInformation::userName},
        {"Tel", &core::UserInformation::tel},
        {"Fax", &core::UserInformation::fax},
        {"Email", &core::UserInformation::email},
    };
    auto& info = context.startup.userInformation;
    for (const auto& field : kFields)
        info.*field.value =
            ReadProfile(context.platform, context.startup.settingsFile, "UserInfo", field.key);
}

// ---------------------------------------------------------------------------------------------

struct VelnoraStartup::DispatchRow {
    std::string_view modeToken;
    std::optional<core::StartMode> startMode;
    void (VelnoraStartup::*run)();
};

// The row without a token decides the start mode itself; "-upgrade" leaves it as it is.
const VelnoraStartup::DispatchRow VelnoraStartup::kDispatchTable[] = {
    {"-install", core::StartMode::kInstall, &VelnoraStartup::RunInstall},
    {"-maintenance", core::StartMode::kMaintenance, &VelnoraStartup::RunMaintenanceMode},
    {"-uninstall", core::StartMode::kUninstall, &VelnoraStartup::RunUninstallMode},
    {"-autorun", core::StartMode::kAutorun, &VelnoraStartup::RunAutorunMode},
    {"-upgrade", std::nullopt, &VelnoraStartup::RunUpgrade},
    {"", std::nullopt, &VelnoraStartup::RunWithoutToken},
};

VelnoraStartup::VelnoraStartup(core::Context& context, StartupActions& actions)
    : context_(context), actions_(actions) {}

VelnoraStartup::~VelnoraStartup() {
    ExitInstance();
}

bool VelnoraStartup::InitInstance() {
    RunSequence();
    return false;
}

void VelnoraStartup::ExitInstance() {
    if (mutex_ == platform::kNoHandle)
        return;
    context_.platform.processes.ReleaseMutex(mutex_);
    context_.platform.processes.CloseHandle(mutex_);
    mutex_ = platform::kNoHandle;
}

void VelnoraStartup::RunSequence() {
    auto& platform = context_.platform;
    auto& startup = context_.startup;

    const std::string programPath = platform.session.ProgramPath();
    startup.programBaseName = ProgramBaseNameOf(programPath);
    startup.settingsFile = startup.programBaseName + ".ini";

    context_.texts = core::TextSet(core::ChooseJapanese(platform, startup.settingsFile));

    if (!TakeSingleInstanceMutex())
        return;

    startup.standardInstall = true;
    startup.chosenInstallDir.clear();

    actions_.EnumerateEnvironments();
    LoadUserInformation(context_);

    rawCommandLine_ = platform.session.CommandLine();
    if (rawCommandLine_.empty()) {
        ShowError(core::TextId::kMsgCommandParameterWrong);
        return;
    }
    std::string modeToken = LowerAscii(ExtractModeToken(rawCommandLine_));

    if (!platform.session.GetVersion(startup.osVersion))
        return;

    // From version 6 on the rights come with the elevated twin where they are needed; the
    // Windows 9x family has no accounts to check.
    const bool ntBelow6 = startup.osVersion.major < 6 && startup.osVersion.platformId == 2;
    if (ntBelow6 && !ProbeAdministrator(platform.registry)) {
        ShowError(core::TextId::kMsgNotAdministrator);
        return;
    }

    // On failure the loader has told the user already.
    if (!context_.execution.processApiLoaded && !installer::LoadProcessApi(context_))
        return;

    startup.programFolder = ProgramFolderOf(programPath);
    startup.autorunPath = startup.programFolder + "\\" + kAutorunFileName;

    if (!OsAllowedByMedia()) {
        ShowError(core::TextId::kMsgUnsupportedOS);
        return;
    }

    ShowReadMeOnFirstStart();

    std::string continueValue;
    installer::ReadRunState(context_, installer::kRunStateSection, installer::kContinueKey,
                            continueValue);
    if (ContinueSelectsAutorun(continueValue))
        modeToken = "-autorun";

    startup.installerCount = static_cast<int>(installer::ReadInstallerCatalogue(
        context_, context_.texts.Get(core::TextId::kToolSectionName), startup.autorunPath));

    Dispatch(modeToken);
}

bool VelnoraStartup::TakeSingleInstanceMutex() {
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

// Media may allow Windows 9x and NT 4 explicitly; everything else needs version 5.
bool VelnoraStartup::OsAllowedByMedia() {
    const std::string allowOld = ReadProfile(context_.platform, context_.startup.autorunPath,
                                             "General", "SupportOS_Win9X_NT");
    return allowOld == "TRUE" || context_.startup.osVersion.major >= 5;
}

void VelnoraStartup::ShowReadMeOnFirstStart() {
    auto& platform = context_.platform;
    const std::string& settings = context_.startup.settingsFile;
    if (ReadProfile(platform, settings, "Default", "FirstBoot") == "1")
        return;
    // Marked only once the read-me really opened, so a missing help file is tried again.
    if (core::OpenHelp(context_, core::helpcontext::kReadMe))
        platform.profile.WriteString("Default", std::string("FirstBoot"), std::string("1"),
                                     settings);
}

void VelnoraStartup::Dispatch(const std::string& modeToken) {
    for (const auto& row : kDispatchTable) {
        if (row.modeToken != modeToken)
            continue;
        if (row.startMode)
            context_.startup.startMode = *row.startMode;
        (this->*row.run)();
        return;
    }
    ShowError(core::TextId::kMsgCommandParameterWrong);
}

void VelnoraStartup::RunInstall() {
    actions_.RunMainMenu();
}

void VelnoraStartup::RunMaintenanceMode() {
    if (EnvironmentCount() == 0) {
        // After a failed search, which has been shown, nothing is known to be missing.
        if (context_.environments.Complete())
            ShowConfirm(context_.texts.Get(core::TextId::kMsgNotInstalled));
        return;
    }
    actions_.RunMaintenance();
}

void VelnoraStartup::RunUninstallMode() {
    if (EnvironmentCount() == 0) {
        // Only a complete search may remove the install manager: a failed one found nothing
        // because it stopped, not because nothing is installed.
        if (context_.environments.Complete())
            RemoveSelf();
        return;
    }
    actions_.RunMaintenance();
}

void VelnoraStartup::RunAutorunMode() {
    const int setInstallDir = core::ParseDecimal(
        ReadProfile(context_.platform, context_.startup.autorunPath, "General", "bSetInstallDir"));
    // A first environment needs its folder before anything is installed.
    if (EnvironmentCount() == 0 && setInstallDir != 0 && actions_.RunDestinationFolder() != 1)
        return;
    actions_.RunAutorunInstallerPage(ReadInstallerSwitches(ArgumentText(rawCommandLine_)));
}

void VelnoraStartup::RunUpgrade() {
    actions_.UpgradeInstallManager();
}

void VelnoraStartup::RunWithoutToken() {
    auto& startup = context_.startup;
    if (platform::FileExists(context_.platform.files, startup.autorunPath)) {
        startup.startMode = core::StartMode::kInstall;
        actions_.RunMainMenu();
        return;
    }
    startup.startMode = core::StartMode::kMaintenance;
    RunUninstallMode();
}

// An installed copy started with no environment left removes itself.
void VelnoraStartup::RemoveSelf() {
    actions_.RemoveInstallManager();
    ShowConfirm(context_.texts.Get(core::TextId::kMsgNotInstalled) +
                context_.texts.Get(core::TextId::kMsgInstallManagerRemoved));
}

void VelnoraStartup::ShowError(core::TextId text) {
    context_.platform.ui.MessageBox(nullptr, context_.texts.Get(text),
                                    context_.texts.Get(core::TextId::kCaptionError),
                                    platform::mb::kOk | platform::mb::kIconError);
}

void VelnoraStartup::ShowConfirm(const std::string& text) {
    context_.platform.ui.MessageBox(
        nullptr, text, context_.texts.Get(core::TextId::kCaptionConfirm), platform::mb::kOk);
}

}  // namespace velnora::app
