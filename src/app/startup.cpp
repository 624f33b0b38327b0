#include "app/startup.h"

#include <optional>
#include <string_view>

#include "core/texts.h"
#include "installer/context.h"
#include "installer/run_state.h"
#include "maintenance/elevated_twin.h"

namespace velnora::app {

namespace {

std::string OwnName(std::string_view programBaseName) {
    return std::string(programBaseName);
}

// From version 6 on the rights come with the elevated twin where they are needed.
constexpr StartupRules kVelnoraRules = {
    .managerBaseName = &OwnName,
    .probeBelowMajor = 6,
    .notAdministrator = core::TextId::kMsgNotAdministrator,
    .mediaTestBelowMajor = 5,
    .readMeOnFirstStart = true,
    .elevatedTwin = false,
};

}  // namespace

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

VelnoraStartup::VelnoraStartup(installer::Context& context, StartupActions& actions)
    : StartupSequence(context, kVelnoraRules), actions_(actions) {}

void VelnoraStartup::EnumerateEnvironments() {
    actions_.EnumerateEnvironments();
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

// From Windows 6 on the twin runs Standard and Multi Install; a run of the twin's that a
// restart cut off goes back to it, with the rights it needs, and ends here on the finish page.
bool VelnoraStartup::TwinRunsThePendingRun() {
    if (!RunPending() || !maintenance::ChangesNeedElevation(context_.startup.osVersion))
        return false;
    std::string runner;
    installer::ReadRunState(context_, installer::kRunStateSection, installer::kRunnerKey, runner);
    return runner == ProgramBaseNameOf(maintenance::kTwinProgramFile);
}

void VelnoraStartup::RunAutorunMode() {
    if (TwinRunsThePendingRun()) {
        if (actions_.ResumeInTwin())
            actions_.RunFinishPage();
        return;
    }
    actions_.RunAutorunSequence(ReadInstallerSwitches(ArgumentText(RawCommandLine())));
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

// An installed copy started with no environment left removes itself. Without the rights for
// the local machine (an unelevated start from Windows 6 on) parts of it stay; the user is told
// which.
void VelnoraStartup::RemoveSelf() {
    const maintenance::PartsLeft left = actions_.RemoveInstallManager();
    const std::string notInstalled = context_.texts.Get(core::TextId::kMsgNotInstalled);
    if (left.empty()) {
        ShowConfirm(notInstalled + context_.texts.Get(core::TextId::kMsgInstallManagerRemoved));
        return;
    }
    context_.platform.ui.MessageBox(
        nullptr, notInstalled + "\r\n" + maintenance::PartsLeftText(context_, left),
        context_.texts.Get(core::TextId::kCaptionError),
        platform::mb::kOk | platform::mb::kIconError);
}

}  // namespace velnora::app
