// The start-up of the install manager: one pass of checks, then exactly one page or action
// chosen by the start mode, then the end of the process.
#pragma once

#include <string>

#include "app/command_line.h"
#include "app/startup_sequence.h"
#include "core/context.h"
#include "maintenance/own_installation.h"

namespace velnora::installer {
struct Context;
}

namespace velnora::app {

// Everything the start-up hands work to outside itself: the environment table and the pages
// and actions that a start mode runs.
class StartupActions {
  public:
    virtual ~StartupActions() = default;

    // Rebuilds the context's environment table; its row count is the number of environments.
    virtual void EnumerateEnvironments() = 0;
    // The main menu page, run modally; its result is not used.
    virtual void RunMainMenu() = 0;
    // The maintenance page; it tells Maintenance from Uninstall by the start mode.
    virtual void RunMaintenance() = 0;
    // The Autorun mode's install flow, its installer page with the switches of the command line.
    virtual void RunAutorunSequence(const InstallerOptions& options) = 0;
    // Hands the run that waits to go on back to the elevated twin that ran it and waits for
    // the twin; true when it completed the run.
    virtual bool ResumeInTwin() = 0;
    // The finish page, after a run that the twin completed.
    virtual void RunFinishPage() = 0;
    // Removes the install manager's own installed copy, then its shortcut and folders; gives
    // back what it could not remove.
    virtual maintenance::PartsLeft RemoveInstallManager() = 0;
    // Installs or refreshes the install manager's own copy.
    virtual void UpgradeInstallManager() = 0;
};

class VelnoraStartup final : public StartupSequence {
  public:
    VelnoraStartup(installer::Context& context, StartupActions& actions);

  private:
    struct DispatchRow;
    static const DispatchRow kDispatchTable[];

    void EnumerateEnvironments() override;
    void Dispatch(const std::string& modeToken) override;

    void RunInstall();
    void RunMaintenanceMode();
    void RunUninstallMode();
    void RunAutorunMode();
    bool TwinRunsThePendingRun();
    void RunUpgrade();
    void RunWithoutToken();
    void RemoveSelf();

    StartupActions& actions_;
};

}  // namespace velnora::app
