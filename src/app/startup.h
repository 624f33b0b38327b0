// The start-up of the install manager: one pass of checks, then exactly one page or action
// chosen by the start mode, then the end of the process.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/command_line.h"
#include "core/context.h"

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
    // The destination-folder page; 1 when the user went on with a folder chosen.
    virtual int RunDestinationFolder() = 0;
    // The installer page of the Autorun mode with the switches of the command line.
    virtual void RunAutorunInstallerPage(const InstallerOptions& options) = 0;
    // Removes the install manager's own installed copy, then its shortcut and folders.
    virtual void RemoveInstallManager() = 0;
    // Installs or refreshes the install manager's own copy.
    virtual void UpgradeInstallManager() = 0;
};

class VelnoraStartup {
  public:
    VelnoraStartup(core::Context& context, StartupActions& actions);
    ~VelnoraStartup();
    VelnoraStartup(const VelnoraStartup&) = delete;
    VelnoraStartup& operator=(const VelnoraStartup&) = delete;

    // The start-up hook. Always false: no message loop follows, the process ends after it.
    bool InitInstance();
    // The exit hook: gives up the single-instance mutex.
    void ExitInstance();

  private:
    struct DispatchRow;
    static const DispatchRow kDispatchTable[];

    void RunSequence();
    bool TakeSingleInstanceMutex();
    bool OsAllowedByMedia();
    void ShowReadMeOnFirstStart();
    void Dispatch(const std::string& modeToken);

    void RunInstall();
    void RunMaintenanceMode();
    void RunUninstallMode();
    void RunAutorunMode();
    void RunUpgrade();
    void RunWithoutToken();
    void RemoveSelf();

    int EnvironmentCount() const { return context_.environments.Count(); }
    void ShowError(core::TextId text);
    void ShowConfirm(const std::string& text);

    core::Context& context_;
    StartupActions& actions_;
    platform::Handle mutex_ = platform::kNoHandle;
    std::string rawCommandLine_;
};

// The administrator probe: may this user create and delete a key below the uninstall root of
// the local machine?
bool ProbeAdministrator(platform::Registry& registry);

// Reads the seven [UserInfo] values of the settings file.
void LoadUserInformation(core::Context& context);

// Whether a saved "Continue" value asks to resume the installer sequence.
bool ContinueSelectsAutorun(std::string_view continueValue);

// The running program's file name without folder and extension, and its folder without a
// trailing backslash.
std::string ProgramBaseNameOf(std::string_view programPath);
std::string ProgramFolderOf(std::string_view programPath);

}  // namespace velnora::app
