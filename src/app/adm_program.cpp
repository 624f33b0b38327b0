#include "app/adm_program.h"

#include "app/adm_startup.h"
#include "environments/environment_table.h"

namespace velnora::app {

namespace {

class AdmActions final : public AdmStartupActions {
  public:
    AdmActions(core::Context& context, const MaintenanceOperation& maintenance)
        : context_(context), maintenance_(maintenance) {}

    // A failed search has been shown to the user; the row check sees what was found.
    void EnumerateEnvironments() override { environments::EnumerateEnvironments(context_); }

    int RunMaintenanceOperation(core::StartMode mode, int row) override {
        return maintenance_(context_, mode, row);
    }

  private:
    core::Context& context_;
    const MaintenanceOperation& maintenance_;
};

}  // namespace

int RunVelnoraAdm(platform::Platform& platform, const MaintenanceOperation& maintenance) {
    core::Context context(platform);
    AdmActions actions(context, maintenance);
    AdmStartup startup(context, actions);
    startup.InitInstance();
    startup.ExitInstance();
    return startup.ExitCode();
}

}  // namespace velnora::app
