// The main menu on the in-memory dialog host, over a fake machine: its texts, which offers it
// enables, the explanation that follows the mouse, the read-me, the maintenance page, the
// install sequence of pages and the hand-over to the twin from Windows 6 on.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "environments/environment_table.h"
#include "installer/catalogue.h"
#include "installer/execution.h"
#include "maintenance/elevated_twin.h"
#include "pages/main_menu_page.h"
#include "pages/select_installer_page.h"
#include "resource_ids.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using core::StartMode;
using fake::PageDriver;
using pages::MainMenuPage;

constexpr int kExit = platform::cmd::kCancel;
constexpr char kMedia[] = "C:\\Media";
constexpr char kAutorun[] = "C:\\Media\\autorun.ini";
constexpr char kSetup[] = "C:\\Media\\setup.exe";
constexpr char kTwin[] = "C:\\Media\\VelnoraAdm.exe";
constexpr char kGeneral[] =
    "The Install Manager is the utility that guides you through steps as you install the "
    "integrated development environment Vantorix. It permits you to install two or more "
    "instances of the Vantorix in a single PC.";

// Velnora on the medium, Windows XP unless a test says otherwise, a catalogue of one installer
// that installs an environment of its own when there is none active.
class MenuBench {
  public:
    explicit MenuBench(int setInstallDir = 0) {
        auto& startup = machine.context.startup;
        startup.programBaseName = "Velnora";
        startup.settingsFile = "Velnora.ini";
        startup.programFolder = kMedia;
        startup.autorunPath = kAutorun;
        startup.startMode = StartMode::kInstall;
        SetMajor(5);
        machine.fake.session.SetProgramPath("C:\\Media\\Velnora.exe");
        machine.fake.files.AddFolder("C:\\TEMP");
        machine.fake.session.SetEnvironmentVariable("TEMP", "C:\\TEMP");
        machine.fake.files.AddFile(kAutorun,
                                   "[General]\r\nbSetInstallDir=" + std::to_string(setInstallDir) +
                                       "\r\nInstall_00=1\r\n[Tools]\r\n"
                                       "Vantorix=setup.exe\r\n");
        startup.installerCount =
            static_cast<int>(installer::ReadInstallerCatalogue(machine.context, "Tools", kAutorun));
        core::Notices notices;
        environments::LoadProcessApi(machine.context, notices);
        machine.fake.files.AddFile(kSetup, "MZ");
        machine.fake.processes.AddProgram(kSetup, [this](const std::string&) {
            ++installerRuns;
            machine.InstallEnvironment({kGuid, "N"});
            return fake::ProgramBehaviour::RunsFor(1000);
        });
    }

    void SetMajor(std::uint32_t major) {
        machine.context.startup.osVersion = platform::OsVersion{major, 0, 0, 2};
        machine.fake.session.SetVersion(major, 0, 2);
    }
    void WithActiveEnvironment() {
        machine.InstallEnvironment({kGuid, "A"});
        environments::EnumerateEnvironments(machine.context);
    }
    void Use(bool japanese) { machine.context.texts = core::TextSet(japanese); }

    int Run(const std::function<void(PageDriver&)>& script) {
        machine.fake.dialogs.OnNextRun(IDD_MAIN_MENU, script);
        return machine.fake.ui.RunModal(page, nullptr);
    }
    PageDriver Menu() { return machine.fake.dialogs.Driver(IDD_MAIN_MENU); }
    // The templates of the pages run over the menu, in the order they ended.
    std::vector<int> InnerRuns() const {
        std::vector<int> runs;
        for (const auto& run : machine.fake.dialogs.Runs())
            if (run.templateId != IDD_MAIN_MENU)
                runs.push_back(run.templateId);
        return runs;
    }

    SwitchMachine machine;
    MainMenuPage page{machine.context};
    int installerRuns = 0;
};

// The texts of each language, the picture of the medium, and the offers: Multi Install needs
// an environment beside which to install and Windows 2000 or later, Maintenance needs an
// environment; without a catalogue the template decides.
TEST(MainMenu, ShowsItsTextsAndOffersWhatTheMachineAllows) {
    const struct {
        const char* name;
        bool japanese, catalogue, environment;
        std::uint32_t major;
        bool multi, maintenance;
        const char *title, *standard, *exit, *explanation;
    } cases[] = {
        {"NoCatalogue", false, false, false, 5, true, true, "Vantorix Install Manager",
         "Standard Install (Recommended)", "Exit", kGeneral},
        {"NoEnvironment", true, true, false, 5, false, false, "Vantorixインストールマネージャ",
         "標準インストール（推奨）", "終了", "Vantorixインストールマネージャは、統合開発環境"},
        {"EnvironmentOnXp", false, true, true, 5, true, true, nullptr, nullptr, nullptr, nullptr},
        {"EnvironmentOnNt4", false, true, true, 4, false, true, nullptr, nullptr, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MenuBench bench;
        bench.Use(c.japanese);
        bench.SetMajor(c.major);
        bench.machine.context.startup.installerCount = c.catalogue ? 1 : 0;
        if (c.environment)
            bench.WithActiveEnvironment();
        bench.Run([&](PageDriver& d) {
            EXPECT_EQ(d.IsEnabled(IDC_MENU_MULTI), c.multi);
            EXPECT_EQ(d.IsEnabled(IDC_MENU_MAINTENANCE), c.maintenance);
            if (c.title) {
                EXPECT_EQ(d.Title(), c.title);
                EXPECT_EQ(d.Text(IDC_MENU_STANDARD), c.standard);
                EXPECT_EQ(d.Text(kExit), c.exit);
                EXPECT_EQ(d.Text(IDC_MENU_EXPLANATION).rfind(c.explanation, 0), 0u);
                EXPECT_EQ(d.Control(IDC_MENU_PICTURE).picture, "C:\\Media\\InstManImg.bmp");
                EXPECT_EQ(d.Control(IDC_MENU_EXPLANATION).font,
                          bench.machine.context.texts.PageFont());
            }
            d.PressEscape();
        });
        EXPECT_EQ(bench.machine.fake.dialogs.Runs().back().result, kExit);
    }
}

// The explanation follows the pointer from button to button, disabled ones included, and
// anything that is no button gives the general description.
TEST(MainMenu, TheExplanationFollowsTheMouse) {
    MenuBench bench;
    const std::pair<int, const char*> steps[] = {
        {IDC_MENU_STANDARD, "You can install the Vantorix. If you have"},
        {IDC_MENU_MULTI,
         "You can install the Vantorix in the new folder. It is possible to "
         "make multiple environments. "},
        {IDC_MENU_READ_FIRST, "Clicking this button shows you an explanation"},
        {IDC_MENU_PICTURE, kGeneral},
        {IDC_MENU_MAINTENANCE, "Clicking this button permits you to inspect"},
        {IDC_MENU_DETAIL_FRAME, kGeneral},
        {0, kGeneral},
    };
    bench.Run([&](PageDriver& d) {
        for (const auto& [over, starts] : steps) {
            EXPECT_FALSE(d.HoverOver(over));  // the cursor is left to the control
            EXPECT_EQ(d.Text(IDC_MENU_EXPLANATION).rfind(starts, 0), 0u) << over;
        }
        d.Click(kExit);
    });
}

// Read first opens the help file of the language at the context of where the user is: the
// menu itself, an install page or the finish page, the maintenance page.
TEST(MainMenu, ReadFirstOpensTheHelpAtWhereTheUserIs) {
    const struct {
        const char* name;
        bool japanese;
        bool helpThere;
        std::vector<std::uint32_t> contexts;
    } cases[] = {
        {"English", false, true, {0, 300, 210, 210}},
        {"Japanese", true, true, {0, 300, 210, 210}},
        {"HelpMissing", false, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MenuBench bench(1);
        bench.Use(c.japanese);
        const std::string help =
            std::string(kMedia) + (c.japanese ? "\\VelnoraJ.CHM" : "\\VelnoraE.CHM");
        if (c.helpThere)
            bench.machine.fake.files.AddFile(help, "ITSF");
        bench.WithActiveEnvironment();
        auto& dialogs = bench.machine.fake.dialogs;
        dialogs.OnNextRun(IDD_MAINTENANCE, [&](PageDriver& d) {
            bench.Menu().Help();
            d.Click(IDC_MAINT_EXIT);
        });
        dialogs.OnNextRun(IDD_DEST_FOLDER, [&](PageDriver& d) {
            bench.Menu().Help();
            d.Click(IDC_DEST_NEXT);
        });
        dialogs.OnNextRun(IDD_SELECT_INSTALLER, [&](PageDriver& d) {
            bench.Menu().Help();
            d.Click(IDC_INST_INSTALL);
        });
        // The menu has ended under the finish page; its context is still the install's.
        dialogs.OnNextRun(IDD_FINISH, [&](PageDriver& d) {
            EXPECT_EQ(bench.page.HelpContext(), core::helpcontext::kInstallPages);
            d.Click(kExit);
        });
        bench.Run([&](PageDriver& d) {
            d.Click(IDC_MENU_READ_FIRST);
            d.Click(IDC_MENU_MAINTENANCE);
            d.Click(IDC_MENU_MULTI);
        });
        EXPECT_EQ(bench.page.HelpContext(), core::helpcontext::kReadMe);
        std::vector<std::uint32_t> contexts;
        for (const auto& call : bench.machine.fake.ui.HelpCalls()) {
            EXPECT_EQ(call.file, help);
            contexts.push_back(call.contextId);
        }
        EXPECT_EQ(contexts, c.contexts);
    }
}

// Without an environment Maintenance says so (the button is enabled without a catalogue);
// with one, the page runs over the menu and offers the switch, not the uninstall.
TEST(MainMenu, MaintenanceSaysWhenThereIsNothingToMaintain) {
    const struct {
        bool japanese, environment;
        const char* text;
    } cases[] = {
        {false, false, "Vantorix is not installed in this PC."},
        {true, false, "このPCには、Vantorixがインストールされていません。"},
        {false, true, nullptr},
    };
    for (const auto& c : cases) {
        MenuBench bench;
        bench.Use(c.japanese);
        bench.machine.context.startup.installerCount = 0;
        if (c.environment) {
            bench.WithActiveEnvironment();
            bench.machine.fake.dialogs.OnNextRun(IDD_MAINTENANCE, [&](PageDriver& d) {
                EXPECT_EQ(d.Window().ownerTemplateId, IDD_MAIN_MENU);
                EXPECT_FALSE(d.IsVisible(IDC_MAINT_UNINSTALL));
                d.Click(IDC_MAINT_EXIT);
            });
        }
        bench.Run([&](PageDriver& d) {
            EXPECT_TRUE(d.Click(IDC_MENU_MAINTENANCE));
            d.Click(kExit);
        });
        const auto& boxes = bench.machine.fake.ui.MessageBoxes();
        ASSERT_EQ(boxes.size(), c.text ? 1u : 0u);
        EXPECT_EQ(bench.InnerRuns(),
                  c.text ? std::vector<int>{} : std::vector<int>{IDD_MAINTENANCE});
        if (c.text) {
            EXPECT_EQ(boxes[0].text, c.text);
            EXPECT_EQ(boxes[0].caption, c.japanese ? "確認" : "Confirm");
            EXPECT_EQ(boxes[0].flags, platform::mb::kOk);
        }
    }
}

// --- The install sequence --------------------------------------------------------------------

// kNextOnceInstalled: the installer has appeared on the medium by the time the user goes on.
enum Act { kNext, kNextOnceInstalled, kLeave, kInstall };

struct SequenceCase {
    const char* name;
    bool standard;
    int setInstallDir;
    bool active;
    // The installer page skips the choice and its installer is missing: it stops by itself,
    // unseen, with one message each time.
    bool stopsBySkipping;
    std::vector<Act> destination;  // what the user does on each showing of the page
    std::vector<Act> installers;
    std::vector<int> runs;  // the pages, in order
    bool completed;
};

// clang-format off
// The sequence's steps are the flow's (install_sequence_test); these rows show the pages answer
// it: the folder page, the installer page, the finish page over the menu's ends.
const SequenceCase kSequenceCases[] = {
    {"StandardFirstAsksTheFolder", true, 1, false, false, {kNext}, {kInstall},
     {IDD_DEST_FOLDER, IDD_SELECT_INSTALLER, IDD_FINISH}, true},
    {"ExitOnTheFolderPage", true, 1, false, false, {kLeave}, {}, {IDD_DEST_FOLDER}, false},
    {"ExitOnTheInstallerPage", false, 0, true, false, {}, {kLeave}, {IDD_SELECT_INSTALLER},
     false},
    {"StoppedRunThenInstallFromTheFolderPage", false, 1, true, true, {kNext, kNextOnceInstalled},
     {}, {IDD_DEST_FOLDER, IDD_SELECT_INSTALLER, IDD_DEST_FOLDER, IDD_SELECT_INSTALLER,
     IDD_FINISH}, true},
    {"StoppedRunWithoutFolderPageEnds", true, 0, false, true, {}, {}, {IDD_SELECT_INSTALLER},
     false},
};
// clang-format on

class MainMenuSequence : public ::testing::TestWithParam<SequenceCase> {};

// Each press starts at Start; the menu's Exit is disabled while the pages run and enabled
// again when the user is back; a completed install ends the menu under the finish page.
TEST_P(MainMenuSequence, RunsThePagesOfTheSequence) {
    const SequenceCase& c = GetParam();
    MenuBench bench(c.setInstallDir);
    if (c.active)
        bench.WithActiveEnvironment();
    auto& fake = bench.machine.fake;
    if (c.stopsBySkipping) {
        fake.files.Remove(kSetup);
        fake.profile.WriteString("General", "bSkipSelectInstaller", "1", kAutorun);
    }
    const auto stops =
        std::count(c.runs.begin(), c.runs.end(), IDD_SELECT_INSTALLER) - (c.completed ? 1 : 0);
    // A sequence that went round once more than it should finds the installer there, so that
    // it ends with pages too many instead of going round for ever.
    long boxes = 0;
    fake.ui.SetMessageBoxHandler([&](const fake::MessageBoxRecord&) {
        if (++boxes > stops)
            fake.files.AddFile(kSetup, "MZ");
        return std::optional<int>(platform::answer::kOk);
    });
    auto& dialogs = fake.dialogs;
    const auto menuExitDisabled = [&] { EXPECT_FALSE(bench.Menu().IsEnabled(kExit)); };
    for (const Act act : c.destination)
        dialogs.OnNextRun(IDD_DEST_FOLDER, [&, act](PageDriver& d) {
            menuExitDisabled();
            EXPECT_EQ(d.Window().ownerTemplateId, IDD_MAIN_MENU);
            if (act == kNextOnceInstalled)
                fake.files.AddFile(kSetup, "MZ");
            d.Click(act == kLeave ? IDC_DEST_EXIT : IDC_DEST_NEXT);
        });
    for (const Act act : c.installers)
        dialogs.OnNextRun(IDD_SELECT_INSTALLER, [&, act](PageDriver& d) {
            menuExitDisabled();
            EXPECT_EQ(d.Window().ownerTemplateId, IDD_MAIN_MENU);
            EXPECT_EQ(bench.machine.context.startup.standardInstall, c.standard);
            d.Click(act == kInstall ? IDC_INST_INSTALL : IDC_INST_EXIT);
        });
    if (c.completed)
        dialogs.OnNextRun(IDD_FINISH, [&](PageDriver& d) {
            // The menu has ended under it.
            EXPECT_TRUE(bench.Menu().IsEnded());
            EXPECT_EQ(d.Window().ownerTemplateId, 0);
            d.Click(kExit);
        });

    bench.Run([&](PageDriver& d) {
        d.Click(c.standard ? IDC_MENU_STANDARD : IDC_MENU_MULTI);
        EXPECT_EQ(d.IsEnded(), c.completed);
        if (!d.IsEnded()) {
            EXPECT_TRUE(d.IsEnabled(kExit));
            d.Click(kExit);
        }
    });
    EXPECT_EQ(bench.InnerRuns(), c.runs);
    EXPECT_EQ(bench.installerRuns, c.completed ? 1 : 0);
    const auto messages = bench.machine.MessageTexts();
    EXPECT_EQ(static_cast<long>(messages.size()), c.stopsBySkipping ? stops : 0);
    for (const std::string& text : messages)
        EXPECT_EQ(text.rfind("An installer program is not found.", 0), 0u) << text;
    EXPECT_TRUE(dialogs.Failures().empty());
}

INSTANTIATE_TEST_SUITE_P(Xp, MainMenuSequence, ::testing::ValuesIn(kSequenceCases),
                         [](const auto& info) { return std::string(info.param.name); });

// From Windows 6 on the twin runs the install; only its exit code 0 means an install that
// completed, and then the menu ends under the finish page. The twin is started once, with the
// token of the button, and never when it is the twin's own menu.
TEST(MainMenu, FromWindows6TheTwinRunsTheInstall) {
    const struct {
        const char* name;
        bool standard;
        bool twinThere;
        std::uint32_t exitCode;
        bool finished;
    } cases[] = {
        {"StandardCompleted", true, true, 0, true},
        {"MultiCompleted", false, true, 0, true},
        {"Aborted", true, true, maintenance::twinexit::kAborted, false},
        {"Refused", false, true, maintenance::twinexit::kRefused, false},
        {"RunCutOff", true, true, maintenance::twinexit::kCutOff, false},
        {"TwinMissing", true, false, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MenuBench bench(1);
        bench.SetMajor(6);
        bench.WithActiveEnvironment();
        if (c.twinThere)
            bench.machine.fake.processes.AddProgram(
                kTwin, fake::ProgramBehaviour::RunsFor(5000, c.exitCode));
        if (c.finished)
            bench.machine.fake.dialogs.OnNextRun(IDD_FINISH, [](PageDriver& d) { d.Click(kExit); });
        bench.Run([&](PageDriver& d) {
            d.Click(c.standard ? IDC_MENU_STANDARD : IDC_MENU_MULTI);
            EXPECT_EQ(d.IsEnded(), c.finished);
            if (!d.IsEnded()) {
                EXPECT_TRUE(d.IsWindowVisible());
                EXPECT_TRUE(d.IsEnabled(kExit));
                d.Click(kExit);
            }
        });
        const auto& executed = bench.machine.fake.shell.Executed();
        ASSERT_EQ(executed.size(), 1u);
        EXPECT_EQ(executed[0].verb, "runas");
        EXPECT_EQ(executed[0].file, kTwin);
        EXPECT_EQ(executed[0].parameters, c.standard ? "-standard_install" : "-multi_install");
        EXPECT_EQ(executed[0].owner, &bench.page);
        EXPECT_EQ(bench.InnerRuns(),
                  c.finished ? std::vector<int>{IDD_FINISH} : std::vector<int>{});
        EXPECT_EQ(bench.installerRuns, 0);
    }
}

}  // namespace
}  // namespace velnora::testing
