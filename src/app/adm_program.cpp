#include "app/adm_program.h"

#include "app/adm_startup.h"
#include "core/context.h"
#include "environments/environment_table.h"
#include "pages/main_menu_page.h"
#include "pages/maintenance_page.h"
#include "pages/page_prompt.h"

namespace velnora::app {

namespace {

class AdmActions final : public AdmStartupActions {
  public:
    explicit AdmActions(core::Context& context) : context_(context) {}

    // A failed search has been shown to the user; the row check sees what was found.
    void EnumerateEnvironments() override {
        pages::EnumerateEnvironmentsTelling(context_, nullptr);
    }

    int RunMaintenanceOperation(core::StartMode mode, int row,
                                const std::string& keyName) override {
        return pages::RunHiddenMaintenance(context_, mode, row, keyName);
    }

    int RunInstallOperation(bool standardInstall) override {
        return pages::RunHiddenInstall(context_, standardInstall);
    }

    int ResumeInstallOperation() override { return pages::RunHiddenResume(context_); }

  private:
    core::Context& context_;
};

}  // namespace

int RunVelnoraAdm(platform::Platform& platform) {
    core::Context context(platform);
    AdmActions actions(context);
    AdmStartup startup(context, actions);
    startup.InitInstance();
    startup.ExitInstance();
    return startup.ExitCode();
}

}  // namespace velnora::app
