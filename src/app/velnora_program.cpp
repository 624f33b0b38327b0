#include "app/velnora_program.h"

#include "app/context.h"
#include "app/startup.h"

namespace velnora::app {

namespace {

// What each start mode runs in the program itself. The environment table, the pages and the
// install manager's own installation are not part of the program yet: until they are, the
// table is empty and the pages and actions below return without doing anything.
class VelnoraActions final : public StartupActions {
  public:
    explicit VelnoraActions(Context& context) : context_(context) {}

    int EnumerateEnvironments() override { return 0; }  // environment table not built yet
    void RunMainMenu() override {}                      // main menu page not built yet
    void RunMaintenance() override {}                   // maintenance page not built yet
    int RunDestinationFolder() override { return 0; }   // destination-folder page not built yet
    void RunAutorunInstallerPage(const InstallerOptions&) override {}  // installer page
    void RemoveInstallManager() override {}   // own installation's removal not built yet
    void UpgradeInstallManager() override {}  // own installation not built yet

  private:
    [[maybe_unused]] Context& context_;
};

}  // namespace

int RunVelnora(platform::Platform& platform) {
    Context context(platform);
    VelnoraActions actions(context);
    VelnoraStartup startup(context, actions);
    startup.InitInstance();
    startup.ExitInstance();
    // Nobody reads the exit code.
    return 0;
}

}  // namespace velnora::app
