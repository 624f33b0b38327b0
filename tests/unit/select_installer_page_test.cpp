// The installer page on the in-memory dialog host: its three forms, the ticks and selection
// rules of the list, the detail box, and what closing it does to the run state and a restart.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "environments/environment_table.h"
#include "flows/install_sequence.h"
#include "installer/catalogue.h"
#include "pages/autorun_prompt.h"
#include "pages/select_installer_page.h"
#include "resource_ids.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using core::StartMode;
using fake::PageDriver;
using pages::SelectInstallerPage;

constexpr char kMedia[] = "C:\\Media";
constexpr char kAutorun[] = "C:\\Media\\autorun.ini";
constexpr char kStateFile[] = "C:\\TEMP\\_autorun.ini";

class InstallerPageBench {
  public:
    InstallerPageBench() {
        auto& startup = machine.context.startup;
        startup.programBaseName = "Velnora";
        startup.programFolder = kMedia;
        startup.autorunPath = kAutorun;
        startup.startMode = StartMode::kInstall;
        machine.fake.files.AddFolder(kMedia);
        machine.fake.files.AddFolder("C:\\TEMP");
        machine.fake.session.SetEnvironmentVariable("TEMP", "C:\\TEMP");
    }

    void WriteAutorun(const std::string& text) {
        machine.fake.files.AddFile(kAutorun, text);
        installer::ReadInstallerCatalogue(machine.context, "Tools", kAutorun);
    }

    int Run(const std::function<void(PageDriver&)>& script) {
        machine.fake.dialogs.OnNextRun(IDD_SELECT_INSTALLER, script);
        return machine.fake.ui.RunModal(page, nullptr);
    }

    SwitchMachine machine;
    SelectInstallerPage page{machine.context};
};

// Four entries: the debugger follows the compiler's tick, ticking the simulator unticks the
// compiler, and the user may not change the last one.
constexpr char kCatalogue[] =
    "[General]\r\nInstall_00=1\r\nInstall_01=1\r\nInstall_02=1\r\nInstall_03=1\r\n"
    "[Installer]\r\nSelText=Choose what you need.\r\n"
    "[Tools]\r\n"
    "Compiler=Compiler\\setup.exe\r\nCompiler_User_Selection=enable\r\n"
    "Compiler_Tooltip=The compiler.\r\nCompiler_User_Selection_Condition_AND=1\r\n"
    "Debugger=Debugger\\setup.exe\r\n"
    "Simulator=Simulator\\setup.exe\r\nSimulator_User_Selection_Condition_OR=0\r\n"
    "Vantorix=Vantorix\\setup.exe\r\nVantorix_User_Selection=disable\r\n";

TEST(InstallerPage, ChoosesItsFormFromAutorunIni) {
    const struct {
        const char* name;
        const char* autorun;  // nullptr: none
        bool installerThere;
        const char* headline;
        bool list, path, browse;
    } cases[] = {
        {"NoAutorunIni", nullptr, false, "Select the installer you want.", false, true, true},
        {"NamedInstaller", "[Default]\r\nInstallerName=Setup\\setup.exe\r\n", true,
         "The installers listed below will be executed.", false, true, false},
        {"NamedInstallerMissing", "[Default]\r\nInstallerName=Setup\\setup.exe\r\n", false,
         "Select the installer you want.", false, true, true},
        {"Catalogue", kCatalogue, false, "Please choose software to install.", true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InstallerPageBench bench;
        if (c.autorun)
            bench.WriteAutorun(c.autorun);
        if (c.installerThere)
            bench.machine.fake.files.AddFile("C:\\Media\\Setup\\setup.exe", "MZ");
        bench.Run([&](PageDriver& d) {
            EXPECT_EQ(d.Title(), "Choose software");
            EXPECT_EQ(d.Text(IDC_INST_HEADLINE), c.headline);
            EXPECT_EQ(d.IsVisible(IDC_INST_LIST), c.list);
            EXPECT_EQ(d.IsVisible(IDC_INST_PATH), c.path);
            EXPECT_EQ(d.IsVisible(IDC_INST_BROWSE), c.browse);
            EXPECT_EQ(d.Text(IDC_INST_EXIT), "Exit");
            if (c.installerThere) {
                EXPECT_EQ(d.Text(IDC_INST_PATH), "C:\\Media\\Setup\\setup.exe");
            }
            d.Click(IDC_INST_EXIT);
        });
    }
}

TEST(InstallerPage, TicksFollowTheUserAndTheSelectionRules) {
    InstallerPageBench bench;
    bench.WriteAutorun(kCatalogue);
    const auto ticks = [](PageDriver& d) {
        std::string marks;
        for (int row = 0; row < 4; ++row)
            marks += d.OwnerCell(IDC_INST_LIST, row, 0).checked ? 'x' : '.';
        return marks;
    };
    bench.Run([&](PageDriver& d) {
        EXPECT_EQ(d.OwnerCell(IDC_INST_LIST, 0, 0).text, " Compiler");
        EXPECT_TRUE(d.OwnerCell(IDC_INST_LIST, 3, 0).greyed);
        EXPECT_EQ(ticks(d), "xxxx");
        d.ToggleRowCheck(IDC_INST_LIST, 0);
        EXPECT_EQ(ticks(d), "..xx");
        d.ClickRow(IDC_INST_LIST, 1);
        EXPECT_EQ(ticks(d), "..xx");
        d.ToggleRowCheck(IDC_INST_LIST, 3);
        EXPECT_EQ(ticks(d), "..xx");
        d.ToggleRowCheck(IDC_INST_LIST, 2);  // C off
        EXPECT_EQ(ticks(d), "...x");
        EXPECT_TRUE(d.IsEnabled(IDC_INST_INSTALL));
        d.ToggleRowCheck(IDC_INST_LIST, 2);  // C on unticks A, which is already off
        EXPECT_EQ(ticks(d), "..xx");
        d.Click(IDC_INST_EXIT);
    });
}

TEST(InstallerPage, TheDetailFollowsTheMouse) {
    InstallerPageBench bench;
    bench.WriteAutorun(kCatalogue);
    bench.Run([&](PageDriver& d) {
        EXPECT_EQ(d.Text(IDC_INST_DESCRIPTION), "Choose what you need.");
        EXPECT_EQ(d.OwnerCell(IDC_INST_LIST, 0, 0).tip, "The compiler.");
        EXPECT_EQ(d.Text(IDC_INST_DESCRIPTION), "The compiler.");
        d.HoverOver(IDC_INST_INSTRUCTION);
        EXPECT_EQ(d.Text(IDC_INST_DESCRIPTION), "Choose what you need.");
        d.Click(IDC_INST_EXIT);
    });
}

// Only the close box gives the run up; Exit and Escape keep it for the next start.
TEST(InstallerPage, ClosingEndsTheRunStateOnlyThroughTheCloseBox) {
    const struct {
        const char* name;
        std::function<void(PageDriver&)> close;
        bool stateKept;
    } cases[] = {
        {"Exit", [](PageDriver& d) { d.Click(IDC_INST_EXIT); }, true},
        {"Escape", [](PageDriver& d) { d.PressEscape(); }, true},
        {"CloseBox", [](PageDriver& d) { d.CloseBox(); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InstallerPageBench bench;
        bench.WriteAutorun(kCatalogue);
        bench.machine.fake.files.AddFile(kStateFile, "[General]\r\nPrev=C:\\x.exe\r\n");
        EXPECT_EQ(pages::InstallerPageResultOf(bench.Run(c.close)),
                  pages::InstallerPageResult::kExit);
        std::string prev;
        bench.machine.fake.profile.GetString("General", "Prev", "", 512, kStateFile, prev);
        EXPECT_EQ(!prev.empty(), c.stateKept);
    }
}

// After an installer asked for a restart, closing asks over the page (the offer itself is the
// flow's, install_sequence_test), and the page keeps the answer for the menu.
TEST(InstallerPage, ARequestedRestartIsOfferedOverThePageAtClose) {
    InstallerPageBench bench;
    bench.WriteAutorun(kCatalogue);
    const std::string record = paths::kWindows + "\\Vtx2Inst.ini";
    bench.machine.fake.files.AddFile(record, "[Install Manager]\r\nbWindowsReboot=1\r\n");
    bench.machine.fake.ui.QueueAnswer(platform::answer::kNo);
    bench.Run([&](PageDriver& d) {
        bench.machine.context.run.installerFinished = true;
        d.Click(IDC_INST_EXIT);
    });
    const auto& boxes = bench.machine.fake.ui.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, &bench.page);
    EXPECT_EQ(boxes[0].caption, "Velnora");
    EXPECT_EQ(bench.page.Restart(), flows::RestartEnd::kRestartNeeded);
}

// The Autorun mode ends on the finish page after a run, but a run that installed nothing is no
// completed installation: the page stays for another choice.
TEST(InstallerPage, AutorunPageStaysWhenNoInstallerRan) {
    InstallerPageBench bench;
    bench.machine.context.startup.startMode = StartMode::kAutorun;
    bench.WriteAutorun(kCatalogue);
    pages::AutorunInstallerPage autorun(bench.machine.context);
    bench.machine.fake.dialogs.OnNextRun(IDD_SELECT_INSTALLER, [&](PageDriver& d) {
        EXPECT_EQ(d.Text(IDC_INST_EXIT), "Close");
        d.Click(IDC_INST_INSTALL);
        EXPECT_TRUE(d.IsOpen());
        EXPECT_TRUE(d.IsEnabled(IDC_INST_INSTALL));
        d.Click(IDC_INST_EXIT);
    });
    EXPECT_EQ(pages::InstallerPageResultOf(bench.machine.fake.ui.RunModal(autorun, nullptr)),
              pages::InstallerPageResult::kExit);
    ASSERT_EQ(bench.machine.MessageTexts().size(), 1u);
    EXPECT_EQ(bench.machine.MessageTexts()[0].rfind("An installer program is not found.", 0), 0u);
    // Nothing was installed, so the install manager does not install its own copy either.
    EXPECT_FALSE(bench.machine.fake.registry.KeyExists(platform::RegRoot::LocalMachine,
                                                       paths::Entry("Velnora")));
}

// Only a completed run ends the page as completed, with the own copy and, in the Autorun mode,
// the finish page: a stopped run is stopped whatever Tidewatch did, and a resume that finds
// nothing left to run ends the run it resumes.
TEST(InstallerPage, ActsOnTheOutcomeOfTheRun) {
    // Beside the active environment; the catalogue's installers are not on the medium.
    const struct {
        const char* name;
        StartMode mode;
        bool standardInstall;
        const char* runState;  // nullptr: a fresh run, started with Install
        bool tidewatch;
        bool completed;
    } cases[] = {
        {"StoppedUpdate", StartMode::kInstall, true, nullptr, false, false},
        {"StoppedNewEnvironment", StartMode::kInstall, false, nullptr, false, false},
        {"StoppedNewEnvironmentWithTidewatch", StartMode::kInstall, false, nullptr, true, false},
        {"ResumeAfterTheLastEntry", StartMode::kAutorun, true, "Continue=4\r\n", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InstallerPageBench bench;
        auto& machine = bench.machine;
        machine.context.startup.startMode = c.mode;
        machine.context.startup.managerBaseName = "Velnora";
        machine.context.startup.standardInstall = c.standardInstall;
        machine.InstallEnvironment({kGuid, "A"});
        environments::EnumerateEnvironments(machine.context);
        if (c.tidewatch)
            machine.InstallTidewatch(true);
        if (c.runState)
            machine.fake.files.AddFile(kStateFile, std::string("[General]\r\n") + c.runState);
        bench.WriteAutorun(kCatalogue);
        pages::AutorunInstallerPage autorun(machine.context);
        SelectInstallerPage& page =
            c.mode == StartMode::kAutorun ? autorun : static_cast<SelectInstallerPage&>(bench.page);
        // A resumed page starts by itself and, its run completed, ends unseen.
        if (c.runState == nullptr) {
            machine.fake.dialogs.OnNextRun(IDD_SELECT_INSTALLER, [&](PageDriver& d) {
                d.Click(IDC_INST_INSTALL);
                EXPECT_EQ(d.IsOpen(), !c.completed);
                if (d.IsOpen())
                    d.Click(IDC_INST_EXIT);
            });
        }
        if (c.completed)
            machine.fake.dialogs.OnNextRun(IDD_FINISH,
                                           [](PageDriver& d) { d.Click(platform::cmd::kCancel); });

        const pages::InstallerPageResult result =
            pages::InstallerPageResultOf(machine.fake.ui.RunModal(page, nullptr));

        EXPECT_EQ(result, c.completed ? pages::InstallerPageResult::kCompleted
                                      : pages::InstallerPageResult::kExit);
        EXPECT_EQ(machine.fake.registry.KeyExists(platform::RegRoot::LocalMachine,
                                                  paths::Entry("Velnora")),
                  c.completed);
        std::string resume;
        machine.fake.profile.GetString("General", "Continue", "", 64, kStateFile, resume);
        EXPECT_EQ(resume, "");
    }
}

// The Autorun mode's pages answer the install flow as the program's own windows, without an
// owner; the finish page of a completed run comes over the installer page, before it closes.
TEST(InstallerPage, TheAutorunPromptShowsThePagesAsTheProgramsWindows) {
    using Runs = std::vector<std::pair<int, int>>;  // template, owner's template
    const struct {
        const char* name;
        bool environment;
        const char* runState;  // nullptr: a fresh run
        bool quietSwitch;
        std::vector<int> clicks;  // on the destination page, then the installer page
        Runs runs;
        flows::InstallOutcome outcome;
        bool installerTried;
    } cases[] = {
        {"FolderThenExit",
         false,
         nullptr,
         false,
         {IDC_DEST_NEXT, IDC_INST_EXIT},
         Runs{{IDD_DEST_FOLDER, 0}, {IDD_SELECT_INSTALLER, 0}},
         flows::InstallOutcome::kLeft,
         false},
        {"ExitOnTheFolderPage",
         false,
         nullptr,
         false,
         {IDC_DEST_EXIT},
         Runs{{IDD_DEST_FOLDER, 0}},
         flows::InstallOutcome::kLeft,
         false},
        {"ResumedRunCompleted",
         true,
         "Continue=4\r\n",
         false,
         {},
         Runs{{IDD_FINISH, IDD_SELECT_INSTALLER}, {IDD_SELECT_INSTALLER, 0}},
         flows::InstallOutcome::kCompleted,
         false},
        {"QuietSwitchStartsTheRun",
         true,
         nullptr,
         true,
         {IDC_INST_EXIT},
         Runs{{IDD_SELECT_INSTALLER, 0}},
         flows::InstallOutcome::kLeft,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InstallerPageBench bench;
        auto& machine = bench.machine;
        machine.context.startup.startMode = StartMode::kAutorun;
        machine.context.startup.managerBaseName = "Velnora";
        machine.context.startup.osVersion = {5, 1, 2600, 2};
        if (c.environment) {
            machine.InstallEnvironment({kGuid, "A"});
            environments::EnumerateEnvironments(machine.context);
        }
        if (c.runState)
            machine.fake.files.AddFile(kStateFile, std::string("[General]\r\n") + c.runState);
        std::string medium = kCatalogue;
        medium.insert(medium.find("\r\n") + 2, "bSetInstallDir=1\r\n");
        bench.WriteAutorun(medium);
        std::vector<int> clicks = c.clicks;
        const auto click = [&clicks](PageDriver& d) {
            if (!clicks.empty() && d.IsOpen()) {
                d.Click(clicks.front());
                clicks.erase(clicks.begin());
            }
        };
        for (const auto& [page, owner] : c.runs)
            if (page == IDD_FINISH)
                machine.fake.dialogs.OnNextRun(
                    page, [](PageDriver& d) { d.Click(platform::cmd::kCancel); });
            else if (!c.clicks.empty())  // a resumed page ends unseen
                machine.fake.dialogs.OnNextRun(page, click);
        pages::AutorunPrompt prompt(machine.context);
        if (c.quietSwitch)
            prompt.SetOptionsFromCommandLine(false, false);

        EXPECT_EQ(flows::RunAutorunSequence(machine.context, prompt), c.outcome);
        Runs runs;
        for (const auto& run : machine.fake.dialogs.Runs())
            runs.emplace_back(run.templateId, run.ownerTemplateId);
        EXPECT_EQ(runs, c.runs);
        EXPECT_TRUE(clicks.empty());
        EXPECT_EQ(machine.context.startup.chosenInstallDir.empty(),
                  c.clicks.empty() || c.clicks[0] != IDC_DEST_NEXT);
        // The quiet run starts without Install; the medium has none of its installers.
        EXPECT_EQ(machine.MessageTexts().size(), c.installerTried ? 1u : 0u);
    }
}

}  // namespace
}  // namespace velnora::testing
