#include "maintenance/elevated_twin.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "fake/fake_platform.h"

namespace velnora::maintenance {
namespace {

using core::StartMode;

constexpr char kTwin[] = "C:\\Media\\VelnoraAdm.exe";
constexpr std::uint32_t kTwinExitCode = 7;

class BlankPage final : public platform::DialogPage {
  public:
    explicit BlankPage(int templateId) : DialogPage(templateId) {}
};

struct Seen {
    bool visible;
    bool toolWindow;
    bool operator==(const Seen&) const = default;
};

class ElevatedTwin : public ::testing::Test {
  protected:
    ElevatedTwin() : context(fake.Get()) {
        fake.processes.AddProgram(kTwin,
                                  fake::ProgramBehaviour::RunsFor(60 * 60 * 1000, kTwinExitCode));
        fake.processes.SetWaitObserver([this](platform::Handle) {
            whileWaiting = Seen{Main().IsWindowVisible(), Main().IsToolWindow()};
        });
        EXPECT_TRUE(fake.ui.OpenModeless(mainPage, nullptr));
    }

    fake::PageDriver Main() { return fake.dialogs.LastWindow(mainPage.TemplateId()); }
    fake::PageDriver Owner() { return fake.dialogs.LastWindow(ownerPage.TemplateId()); }

    fake::FakePlatform fake;
    core::Context context;
    BlankPage mainPage{7001};
    BlankPage ownerPage{7002};
    std::optional<Seen> whileWaiting;
};

struct HandOverCase {
    const char* name;
    StartMode startMode;
    std::string parameters;
    bool ownerOnTop;  // the page that starts the twin is not the main window
    bool mainHidden;
};

class ElevatedTwinHandOver : public ElevatedTwin,
                             public ::testing::WithParamInterface<HandOverCase> {};

TEST_P(ElevatedTwinHandOver, HidesWhatItMustAndBringsTheMainWindowBack) {
    const HandOverCase& c = GetParam();
    context.startup.startMode = c.startMode;
    platform::DialogPage* owner = &mainPage;
    if (c.ownerOnTop) {
        ASSERT_TRUE(fake.ui.OpenModeless(ownerPage, &mainPage));
        owner = &ownerPage;
    }
    mainPage.OpenWindow()->Enable(0, false);

    const TwinOutcome outcome = RunElevatedTwin(context, c.parameters, owner, &mainPage);
    EXPECT_EQ(outcome.end, TwinOutcome::End::kExited);
    EXPECT_EQ(outcome.exitCode, kTwinExitCode);

    ASSERT_EQ(fake.shell.Executed().size(), 1u);
    const platform::ExecuteRequest& request = fake.shell.Executed()[0];
    EXPECT_EQ(request.verb, "runas");
    EXPECT_EQ(request.file, kTwin);
    EXPECT_EQ(request.parameters, c.parameters);
    EXPECT_EQ(request.showCommand, 10);
    EXPECT_EQ(request.mask, 0x540u);
    EXPECT_EQ(request.owner, owner);
    EXPECT_EQ(whileWaiting, (Seen{!c.mainHidden, c.mainHidden}));
    EXPECT_TRUE(Main().IsWindowVisible());
    EXPECT_FALSE(Main().IsToolWindow());
    EXPECT_TRUE(Main().IsWindowEnabled());
    EXPECT_TRUE(Main().IsForeground());
    EXPECT_EQ(Main().ForegroundCalls(), 1);
    if (c.ownerOnTop) {
        EXPECT_TRUE(Owner().IsWindowVisible() && !Owner().IsToolWindow());
    }
    EXPECT_EQ(fake.ui.PumpCalls(), 0);
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Twin, ElevatedTwinHandOver,
    ::testing::Values(HandOverCase{"SwitchKeepsThePageInSight", StartMode::kMaintenance,
                                   "-maintenance_active 2", false, false},
                      HandOverCase{"UninstallHidesThePage", StartMode::kMaintenance,
                                   "-maintenance_uninstall 0", false, true},
                      HandOverCase{"TokenMustMatchExactly", StartMode::kUninstall,
                                   "-maintenance_uninstalls 1", false, false},
                      HandOverCase{"InstallModeHidesTheMainMenu", StartMode::kInstall,
                                   "-standard_install", false, true},
                      HandOverCase{"SwitchFromMaintenanceOnTheMainMenu", StartMode::kInstall,
                                   "-maintenance_active 0", true, true},
                      HandOverCase{"UninstallFromMaintenanceOnTheMainMenu", StartMode::kInstall,
                                   "-maintenance_uninstall 3", true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ElevatedTwin, NotStartedHidesNothing) {
    context.startup.startMode = StartMode::kInstall;
    for (const bool refused : {true, false}) {
        SCOPED_TRACE(refused ? "elevation refused" : "program missing");
        fake.shell.RefuseElevation(refused);
        if (!refused)
            fake.session.SetProgramPath("D:\\Elsewhere\\Velnora.exe");
        EXPECT_EQ(RunElevatedTwin(context, "-standard_install", &mainPage, &mainPage).end,
                  TwinOutcome::End::kNotStarted);
        EXPECT_EQ(fake.shell.Executed().back().file,
                  refused ? kTwin : "D:\\Elsewhere\\VelnoraAdm.exe");
    }
    EXPECT_FALSE(whileWaiting.has_value());
    EXPECT_TRUE(Main().IsWindowVisible());
    EXPECT_EQ(Main().ForegroundCalls(), 0);
}

// A twin whose end was not seen did not finish anything that the install manager knows of; a
// page left hidden could never be reached again, so the windows come back after any wait.
TEST_F(ElevatedTwin, FailedWaitOrExitCodeIsNoDoneTwinWithTheWindowsBack) {
    for (const std::string_view failing : {fake::op::kWaitForProcess, fake::op::kGetExitCode}) {
        SCOPED_TRACE(failing);
        fake.faults.FailAt(failing, 1, platform::error::kAccessDenied);
        mainPage.OpenWindow()->ShowWindow(platform::WindowShow::kMinimize);
        fake.processes.AddProgram(kTwin, fake::ProgramBehaviour::RunsFor(1000, twinexit::kDone));
        const TwinOutcome outcome =
            RunElevatedTwin(context, "-maintenance_uninstall 0", &mainPage, &mainPage);
        EXPECT_EQ(outcome.end, TwinOutcome::End::kNotSeen);
        EXPECT_FALSE(outcome.Done());
        EXPECT_TRUE(Main().IsWindowVisible() && !Main().IsToolWindow() && !Main().IsMinimized());
        EXPECT_TRUE(Main().IsForeground());
        fake.faults.Reset();
    }
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace velnora::maintenance
