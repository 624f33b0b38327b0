// The start-up of VelnoraAdm, the elevated twin: the install manager's start-up sequence with
// the twin's own names and checks, then exactly one operation that the install manager handed
// over on the command line, then the end of the process.
#pragma once

#include <string>

#include "app/startup_sequence.h"
#include "core/context.h"

namespace velnora::installer {
struct Context;
}

namespace velnora::app {

// What the twin's start-up hands work to outside itself.
class AdmStartupActions {
  public:
    virtual ~AdmStartupActions() = default;

    // Rebuilds the context's environment table; its row count is the number of environments.
    virtual void EnumerateEnvironments() = 0;
    // On the maintenance page, created hidden with table row `row` selected: the switch
    // (StartMode kMaintenance) or the uninstall (kUninstall), refused when the row names
    // another key than `keyName`. The twin's exit code.
    virtual int RunMaintenanceOperation(core::StartMode mode, int row,
                                        const std::string& keyName) = 0;
    // On the main menu, created hidden: the install sequence of Standard Install (true) or
    // Multi Install (false). The twin's exit code.
    virtual int RunInstallOperation(bool standardInstall) = 0;
    // On the main menu, created hidden: the installer page goes on with the run that waits for
    // it. The twin's exit code.
    virtual int ResumeInstallOperation() = 0;
};

// "VelnoraAdm" gives "Velnora": every trailing letter of "Adm", in that letter case, goes.
std::string ManagerBaseNameOf(std::string_view programBaseName);

class AdmStartup final : public StartupSequence {
  public:
    AdmStartup(installer::Context& context, AdmStartupActions& actions);

    // The exit code of the process (twinexit::*) once InitInstance has returned.
    int ExitCode() const { return exitCode_; }

  private:
    struct DispatchRow;
    static const DispatchRow kDispatchTable[];

    void EnumerateEnvironments() override;
    bool AcceptModeToken(const std::string& modeToken) override;
    std::string TokenForPendingRun(const std::string& modeToken) const override;
    void Dispatch(const std::string& modeToken) override;

    void RunStandardInstall(core::StartMode mode);
    void RunMultiInstall(core::StartMode mode);
    void RunResumeInstall(core::StartMode mode);
    void RunMaintenanceOperation(core::StartMode mode);

    AdmStartupActions& actions_;
    int exitCode_;
};

}  // namespace velnora::app
