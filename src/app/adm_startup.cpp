#include "app/adm_startup.h"

#include <cstdint>
#include <limits>
#include <string_view>

#include "core/parsing.h"
#include "core/texts.h"
#include "installer/context.h"
#include "maintenance/elevated_twin.h"

namespace velnora::app {

namespace {

constexpr std::string_view kTwinSuffixLetters = "Adm";

// The twin runs elevated on every version, so it probes the rights on every version, and it
// shows no read-me: the install manager that started it has.
constexpr StartupRules kTwinRules = {
    .managerBaseName = &ManagerBaseNameOf,
    .probeBelowMajor = std::numeric_limits<std::uint32_t>::max(),
    .notAdministrator = core::TextId::kMsgTwinNotAdministrator,
    .mediaTestBelowMajor = 6,
    .readMeOnFirstStart = false,
    .elevatedTwin = true,
};

}  // namespace

std::string ManagerBaseNameOf(std::string_view programBaseName) {
    const auto last = programBaseName.find_last_not_of(kTwinSuffixLetters);
    return std::string(last == std::string_view::npos ? std::string_view()
                                                      : programBaseName.substr(0, last + 1));
}

struct AdmStartup::DispatchRow {
    std::string_view modeToken;
    core::StartMode startMode;
    void (AdmStartup::*run)(core::StartMode);
    // Runs only while a saved run state waits to go on.
    bool pendingRunOnly = false;
};

const AdmStartup::DispatchRow AdmStartup::kDispatchTable[] = {
    {maintenance::twintoken::kStandardInstall, core::StartMode::kInstall,
     &AdmStartup::RunStandardInstall},
    {maintenance::twintoken::kMultiInstall, core::StartMode::kInstall,
     &AdmStartup::RunMultiInstall},
    {maintenance::twintoken::kMaintenanceActive, core::StartMode::kMaintenance,
     &AdmStartup::RunMaintenanceOperation},
    {maintenance::twintoken::kMaintenanceUninstall, core::StartMode::kUninstall,
     &AdmStartup::RunMaintenanceOperation},
    {maintenance::twintoken::kResumeInstall, core::StartMode::kInstall,
     &AdmStartup::RunResumeInstall, true},
};

AdmStartup::AdmStartup(installer::Context& context, AdmStartupActions& actions)
    : StartupSequence(context, kTwinRules),
      actions_(actions),
      exitCode_(maintenance::twinexit::kRefused) {}

void AdmStartup::EnumerateEnvironments() {
    actions_.EnumerateEnvironments();
}

// Only the install manager starts the twin, always with a token.
bool AdmStartup::AcceptModeToken(const std::string& modeToken) {
    if (!modeToken.empty())
        return true;
    ShowError(core::TextId::kMsgStartedDirectly);
    return false;
}

// While a saved run state waits to go on, the twin runs nothing but its resume: every other
// operation would work on environments that a run has half installed. The install manager
// resumes a run of its own itself ("-autorun", which the twin never runs).
std::string AdmStartup::TokenForPendingRun(const std::string& modeToken) const {
    return modeToken == maintenance::twintoken::kResumeInstall ? modeToken : "-autorun";
}

void AdmStartup::Dispatch(const std::string& modeToken) {
    for (const auto& row : kDispatchTable) {
        if (row.modeToken == modeToken && (RunPending() || !row.pendingRunOnly)) {
            (this->*row.run)(row.startMode);
            return;
        }
    }
    ShowError(core::TextId::kMsgCommandParameterWrong);
}

void AdmStartup::RunStandardInstall(core::StartMode mode) {
    context_.startup.startMode = mode;
    exitCode_ = actions_.RunInstallOperation(true);
}

void AdmStartup::RunMultiInstall(core::StartMode mode) {
    context_.startup.startMode = mode;
    exitCode_ = actions_.RunInstallOperation(false);
}

void AdmStartup::RunResumeInstall(core::StartMode mode) {
    context_.startup.startMode = mode;
    exitCode_ = actions_.ResumeInstallOperation();
}

void AdmStartup::RunMaintenanceOperation(core::StartMode mode) {
    const auto& pieces = ModePieces();
    // Without a row of the table and its key name there is nothing to work on: the twin ends
    // without a word.
    if (pieces.size() < 3)
        return;
    const int row = core::ParseDecimal(pieces[1]);
    if (row < 0 || row >= EnvironmentCount())
        return;
    context_.startup.startMode = mode;
    exitCode_ = actions_.RunMaintenanceOperation(mode, row, pieces[2]);
}

}  // namespace velnora::app
