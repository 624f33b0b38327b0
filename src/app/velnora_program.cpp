#include "app/velnora_program.h"

#include "app/startup.h"
#include "core/change_failures.h"
#include "environments/environment_table.h"
#include "flows/install_sequence.h"
#include "flows/own_copy.h"
#include "installer/context.h"
#include "maintenance/elevated_twin.h"
#include "maintenance/own_installation.h"
#include "pages/autorun_prompt.h"
#include "pages/finish_page.h"
#include "pages/main_menu_page.h"
#include "pages/maintenance_page.h"
#include "pages/page_prompt.h"

namespace velnora::app {

namespace {

// What each start mode runs in the program itself.
class VelnoraActions final : public StartupActions {
  public:
    explicit VelnoraActions(installer::Context& context) : context_(context) {}

    // A failed search has been shown to the user; start-up goes on with what was found.
    void EnumerateEnvironments() override {
        pages::EnumerateEnvironmentsTelling(context_, nullptr);
    }

    void RunMainMenu() override {
        pages::MainMenuPage page(context_);
        context_.platform.ui.RunModal(page, nullptr);
    }
    void RunMaintenance() override {
        pages::MaintenancePage page(context_);
        context_.platform.ui.RunModal(page, nullptr);
    }
    // The outcome is not used: the process ends after the mode's pages whatever they did.
    void RunAutorunSequence(const InstallerOptions& options) override {
        pages::AutorunPrompt prompt(context_);
        if (options.optionsFromCommandLine != 0)
            prompt.SetOptionsFromCommandLine(options.interactive != 0, options.restartPc != 0);
        flows::RunAutorunSequence(context_, prompt);
    }
    // No page of this program is open yet, so there is nothing to hide while the twin runs.
    bool ResumeInTwin() override {
        return maintenance::RunElevatedTwin(
                   context_, std::string(maintenance::twintoken::kResumeInstall), nullptr, nullptr)
            .Done();
    }
    void RunFinishPage() override { pages::RunFinishPage(context_, nullptr); }
    maintenance::PartsLeft RemoveInstallManager() override {
        return maintenance::RemoveOwnCopy(context_);
    }
    void UpgradeInstallManager() override {
        pages::PagePrompt prompt(context_, nullptr);
        pages::OperationLog log(context_, prompt, "upgrade");
        log.Outcome(flows::InstallOwnCopy(context_, prompt) == flows::OwnCopyOutcome::kInstalled
                        ? "installed"
                        : "failed");
    }

  private:
    installer::Context& context_;
};

}  // namespace

int RunVelnora(platform::Platform& platform) {
    core::ChangeFailures changes(platform);
    installer::Context context(changes.Services());
    changes.WriteTo(&context.operationLog);
    VelnoraActions actions(context);
    VelnoraStartup startup(context, actions);
    startup.InitInstance();
    startup.ExitInstance();
    // Nobody reads the exit code.
    return 0;
}

}  // namespace velnora::app
