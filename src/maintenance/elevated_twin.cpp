#include "installer/context.h"
#include "maintenance/elevated_twin.h"

namespace velnora::maintenance {

namespace {

constexpr char kRunAsVerb[] = "runas";
// The first Windows version on which the programs run with limited rights by default.
constexpr std::uint32_t kFirstElevationMajor = 6;
constexpr std::uint32_t kExecuteMask =
    platform::seemask::kNoCloseProcess | platform::seemask::kDdeWait | platform::seemask::kFlagNoUi;

std::string TwinProgramPath(platform::Session& session) {
    const std::string self = session.ProgramPath();
    const auto separator = self.find_last_of("\\/");
    const std::string folder =
        separator == std::string::npos ? std::string() : self.substr(0, separator);
    return folder + "\\" + kTwinProgramFile;
}

std::string_view ModeTokenOf(std::string_view parameters) {
    return parameters.substr(0, parameters.find(' '));
}

// Back from hiding: off the tool-window style (which shows it again), restored.
void ShowAgain(platform::PageWindow* window) {
    if (window == nullptr)
        return;
    window->SetToolWindow(false);
    window->ShowWindow(platform::WindowShow::kRestore);
}

}  // namespace

bool ChangesNeedElevation(const platform::OsVersion& os) {
    return os.major >= kFirstElevationMajor;
}

bool TwinDoesTheWork(const core::StartupValues& startup) {
    return ChangesNeedElevation(startup.osVersion) && !startup.elevatedTwin;
}

std::string TwinParameters(std::string_view modeToken, int row, std::string_view keyName) {
    return std::string(modeToken) + " " + std::to_string(row) + " " + std::string(keyName);
}

TwinOutcome RunElevatedTwin(core::Context& context, const std::string& parameters,
                            platform::DialogPage* owner, platform::DialogPage* mainPage) {
    auto& platform = context.platform;

    platform::ExecuteRequest request;
    request.verb = kRunAsVerb;
    request.file = TwinProgramPath(platform.session);
    // Only a token, a row number and a key name go here, never a path.
    request.parameters = parameters;
    request.showCommand = platform::showcmd::kDefault;
    request.mask = kExecuteMask;
    request.owner = owner;
    platform::Handle started = platform::kNoHandle;
    const platform::ErrorCode result = platform.shell.ShellExecuteEx(request, started);
    platform::ScopedHandle process(platform.processes, started);
    if (result != platform::error::kSuccess)
        return TwinOutcome{};

    const bool uninstall = ModeTokenOf(parameters) == twintoken::kMaintenanceUninstall;
    platform::PageWindow* mainWindow = mainPage != nullptr ? mainPage->OpenWindow() : nullptr;
    if (mainWindow != nullptr &&
        (context.startup.startMode == core::StartMode::kInstall || uninstall)) {
        mainWindow->ShowWindow(platform::WindowShow::kHide);
        mainWindow->SetToolWindow(true);
    }

    // The twin works on the same registry and files: nothing may run here until it has ended.
    TwinOutcome outcome{TwinOutcome::End::kNotSeen};
    if (process &&
        platform.processes.WaitForProcess(process.Get(), platform::kInfinite) ==
            platform::kWaitObject0 &&
        platform.processes.GetExitCode(process.Get(), outcome.exitCode) ==
            platform::error::kSuccess)
        outcome.end = TwinOutcome::End::kExited;

    // Also after a failed wait: a page left hidden could never be reached again.
    ShowAgain(mainWindow);
    if (uninstall)
        ShowAgain(owner != nullptr ? owner->OpenWindow() : nullptr);
    if (mainWindow != nullptr) {
        mainWindow->Enable(0, true);
        mainWindow->BringToForeground();
    }
    return outcome;
}

void BringToForeground(platform::DialogPage& page) {
    if (platform::PageWindow* window = page.OpenWindow())
        window->BringToForeground();
}

void HideOwnerPage(platform::DialogPage& page) {
    if (platform::PageWindow* window = page.OpenWindow())
        window->CollapseAndHide();
}

}  // namespace velnora::maintenance
