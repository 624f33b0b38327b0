#include "app/adm_program.h"

#include "app/adm_startup.h"
#include "core/change_failures.h"
#include "core/exit_codes.h"
#include "environments/environment_table.h"
#include "flows/install_sequence.h"
#include "installer/context.h"
#include "pages/main_menu_page.h"
#include "pages/maintenance_page.h"
#include "pages/page_prompt.h"

namespace velnora::app {

namespace {

// The install's pages need an owner window: the main menu, opened hidden and without owner,
// answers the flow with them and is gone. Gives the twin's exit code.
template <typename Flow>
int RunWithHiddenMenu(installer::Context& context, Flow flow) {
    context.startup.startMode = core::StartMode::kInstall;
    pages::MainMenuPage menu(context);
    if (!context.platform.ui.OpenModeless(menu, nullptr))
        return core::twinexit::kRefused;
    if (!flows::Completed(flow(menu)))
        return core::twinexit::kAborted;
    menu.Finish();
    return core::twinexit::kDone;
}

class AdmActions final : public AdmStartupActions {
  public:
    explicit AdmActions(installer::Context& context) : context_(context) {}

    // A failed search has been shown to the user; the row check sees what was found.
    void EnumerateEnvironments() override {
        pages::EnumerateEnvironmentsTelling(context_, nullptr);
    }

    int RunMaintenanceOperation(core::StartMode mode, int row,
                                const std::string& keyName) override {
        return pages::RunHiddenMaintenance(context_, mode, row, keyName);
    }

    int RunInstallOperation(bool standardInstall) override {
        const flows::InstallKind kind =
            standardInstall ? flows::InstallKind::kStandard : flows::InstallKind::kMulti;
        return RunWithHiddenMenu(
            context_, [&](pages::MainMenuPage& menu) { return menu.RunLoggedSequence(kind); });
    }

    int ResumeInstallOperation() override {
        return RunWithHiddenMenu(context_,
                                 [&](pages::MainMenuPage& menu) { return menu.ResumeLogged(); });
    }

  private:
    installer::Context& context_;
};

}  // namespace

int RunVelnoraAdm(platform::Platform& platform) {
    core::ChangeFailures changes(platform);
    installer::Context context(changes.Services());
    changes.WriteTo(&context.operationLog);
    AdmActions actions(context);
    AdmStartup startup(context, actions);
    startup.InitInstance();
    startup.ExitInstance();
    return startup.ExitCode();
}

}  // namespace velnora::app
