// The maintenance page and the selection dialog on the in-memory dialog host, over a fake
// machine with three environments: A active, B and C parked.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/run_log.h"
#include "environments/environment_table.h"
#include "maintenance/elevated_twin.h"
#include "pages/active_select_dialog.h"
#include "pages/maintenance_page.h"
#include "resource_ids.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using core::StartMode;
using fake::PageDriver;
using pages::ActiveSelectDialog;
using platform::RegRoot;

const std::string kParkedB = ParkedKey(2);
const std::string kParkedC = ParkedKey(3);
const std::string kSetupFolder = paths::kInstallerInfoRoot + "\\" + kGuid;
const std::string kSetupProgram = kSetupFolder + "\\setup.exe";

// Rows in location order: A (active), B, C.
constexpr int kRowA = 0;
constexpr int kRowB = 1;
constexpr int kRowC = 2;

class MaintenancePage : public ::testing::Test {
  protected:
    MaintenancePage() {
        machine.InstallTidewatch(false);
        machine.InstallEnvironment({kGuid, "A"});
        machine.InstallEnvironment({kParkedB, "B"});
        machine.InstallEnvironment({kParkedC, "C"});
        machine.context.startup.startMode = StartMode::kMaintenance;
        machine.context.startup.programFolder = "C:\\Media";
        // The vendor's setup removes the live entry and the material it knows.
        machine.fake.processes.AddProgram(kSetupProgram, [this](const std::string&) {
            if (uninstallerRemoves) {
                machine.fake.registry.RemoveKey(RegRoot::LocalMachine, paths::Entry(kGuid));
                machine.fake.files.Remove(kSetupFolder);
            }
            return fake::ProgramBehaviour::RunsFor(100);
        });
        machine.fake.faults.Reset();
    }

    // Runs the page with a script of what the user does; the page's result.
    int Run(const std::function<void(PageDriver&)>& script) {
        machine.fake.dialogs.OnNextRun(IDD_MAINTENANCE, script);
        return machine.fake.ui.RunModal(page, nullptr);
    }
    std::vector<std::string> Listed(PageDriver& d) {
        std::vector<std::string> lines;
        for (const auto& row : d.Rows(IDC_MAINT_LIST))
            lines.push_back(row.at(0) + "|" + row.at(1));
        return lines;
    }
    bool Active(const std::string& tag) {
        return machine.fake.registry.GetText(RegRoot::LocalMachine, paths::Entry(kGuid),
                                             "InstallLocation") == "C:\\Vantorix\\Env" + tag;
    }

    SwitchMachine machine;
    pages::MaintenancePage page{machine.context};
    bool uninstallerRemoves = true;
};

TEST_F(MaintenancePage, ListsEveryEnvironmentAndShowsTheActiveOnesTools) {
    Run([&](PageDriver& d) {
        EXPECT_EQ(d.Title(), "Maintenance");
        EXPECT_EQ(Listed(d), (std::vector<std::string>{"Active|Vantorix A (C:\\Vantorix\\EnvA)",
                                                       "|Vantorix B (C:\\Vantorix\\EnvB)",
                                                       "|Vantorix C (C:\\Vantorix\\EnvC)"}));
        EXPECT_EQ(d.ColumnTitles(IDC_MAINT_LIST),
                  (std::vector<std::string>{"Active ", "DisplayName (Directory) "}));
        EXPECT_EQ(d.SelectedRow(IDC_MAINT_LIST), -1);
        EXPECT_FALSE(d.IsEnabled(IDC_MAINT_SWITCH));
        EXPECT_FALSE(d.IsEnabled(IDC_MAINT_UNINSTALL));
        const auto tree = d.TreeLines(IDC_MAINT_TREE);
        ASSERT_FALSE(tree.empty());
        EXPECT_EQ(tree[0], "C:\\Vantorix\\EnvA");
        EXPECT_TRUE(d.Node(IDC_MAINT_TREE, d.Children(IDC_MAINT_TREE, 0).at(0)).bold);
        d.Click(IDC_MAINT_EXIT);
    });
    EXPECT_EQ(page.ShownRow(), kRowA);
}

// What the page offers by start mode, and with nothing installed.
TEST_F(MaintenancePage, OffersTheButtonsOfItsStartMode) {
    const struct {
        StartMode mode;
        bool environments;
        const char* title;
        bool switchShown, uninstallShown, saveShown, listShown;
        const char* explanation;
    } cases[] = {
        {StartMode::kMaintenance, true, "Maintenance", true, true, true, true,
         "You can refer to the details when you click line.When you click [Switch active "
         "environment], switch over the active Vantorix which you chose.When you click "
         "[Uninstall], uninstall the Vantorix which you chose."},
        {StartMode::kInstall, true, "Maintenance", true, false, true, true,
         "You can refer to the details when you click line.When you click [Switch active "
         "environment], switch over the active Vantorix which you chose."},
        {StartMode::kUninstall, true, "Uninstall", false, true, false, true,
         "You can refer to the details when you click line.When you click [Uninstall], "
         "uninstall the Vantorix which you chose."},
        {StartMode::kMaintenance, false, "Maintenance", false, false, false, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title + std::string(c.environments ? "" : " empty"));
        SwitchMachine other;
        if (c.environments)
            other.InstallEnvironment({kGuid, "A"});
        other.context.startup.startMode = c.mode;
        pages::MaintenancePage shown(other.context);
        other.fake.dialogs.OnNextRun(IDD_MAINTENANCE, [&](PageDriver& d) {
            EXPECT_EQ(d.Title(), c.title);
            EXPECT_EQ(d.IsVisible(IDC_MAINT_SWITCH), c.switchShown);
            EXPECT_EQ(d.IsVisible(IDC_MAINT_UNINSTALL), c.uninstallShown);
            EXPECT_EQ(d.IsVisible(IDC_MAINT_SAVE), c.saveShown);
            EXPECT_EQ(d.IsVisible(IDC_MAINT_LIST), c.listShown);
            EXPECT_FALSE(d.IsVisible(IDC_MAINT_HELP));
            EXPECT_EQ(d.Text(IDC_MAINT_EXPLANATION), c.explanation);
            EXPECT_EQ(d.Text(IDC_MAINT_HEADLINE), c.environments
                                                      ? "Vantorix is already installed in this PC."
                                                      : "Vantorix is not installed in this PC.");
            d.PressEscape();
        });
        EXPECT_EQ(other.fake.ui.RunModal(shown, nullptr), 0);
    }
}

// The buttons a mode shows stand side by side from the left at the bottom; the list and the
// tree follow the width; Exit keeps its column. Checked at the template's size and larger.
TEST_F(MaintenancePage, LaysOutTheControlsOfItsStartModeWhenResized) {
    const struct {
        StartMode mode;
        std::vector<int> row;  // buttons from the left, the gap before each
        std::vector<int> gaps;
    } cases[] = {
        {StartMode::kMaintenance,
         {IDC_MAINT_SWITCH, IDC_MAINT_UNINSTALL, IDC_MAINT_SAVE, IDC_MAINT_HELP},
         {14, 1, 1, 10}},
        {StartMode::kInstall, {IDC_MAINT_SWITCH, IDC_MAINT_SAVE, IDC_MAINT_HELP}, {14, 1, 10}},
        {StartMode::kUninstall, {IDC_MAINT_UNINSTALL, IDC_MAINT_HELP}, {14, 10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        machine.context.startup.startMode = c.mode;
        pages::MaintenancePage shown(machine.context);
        machine.fake.dialogs.OnNextRun(IDD_MAINTENANCE, [&](PageDriver& d) {
            const platform::Rect start = d.ClientRect();
            const int exitLeft = d.Control(IDC_MAINT_EXIT).rect.left;
            for (const int grow : {0, 120}) {
                SCOPED_TRACE(grow);
                d.Resize(start.Width() + grow, start.Height() + grow);
                const platform::Rect client = d.ClientRect();
                const auto at = [&](int id) { return d.Control(id).rect; };
                EXPECT_EQ(at(IDC_MAINT_HEADLINE).top, 13);
                EXPECT_EQ(at(IDC_MAINT_LIST).top, at(IDC_MAINT_HEADLINE).bottom + 5);
                EXPECT_EQ(at(IDC_MAINT_LIST).right, client.right - 15);
                EXPECT_EQ(at(IDC_MAINT_TREE).top, at(IDC_MAINT_LIST).bottom + 10);
                EXPECT_EQ(at(IDC_MAINT_TREE).left, 14);
                EXPECT_EQ(at(IDC_MAINT_TREE).right, client.right - 15);
                EXPECT_EQ(at(IDC_MAINT_EXPLANATION).top, at(IDC_MAINT_TREE).bottom + 6);
                EXPECT_EQ(at(IDC_MAINT_EXIT).bottom, client.bottom - 8);
                EXPECT_EQ(at(IDC_MAINT_EXIT).left, exitLeft);
                int right = 0;
                for (std::size_t i = 0; i < c.row.size(); ++i) {
                    EXPECT_EQ(at(c.row[i]).left, right + c.gaps[i]) << c.row[i];
                    EXPECT_EQ(at(c.row[i]).bottom, client.bottom - 8) << c.row[i];
                    right = at(c.row[i]).right;
                }
            }
            // Not below the template's size.
            d.Resize(10, 10);
            EXPECT_EQ(d.ClientRect(), start);
            d.Click(IDC_MAINT_EXIT);
        });
        machine.fake.ui.RunModal(shown, nullptr);
    }
}

TEST_F(MaintenancePage, SelectionDecidesTheButtonsAndTheTree) {
    Run([&](PageDriver& d) {
        d.ClickRow(IDC_MAINT_LIST, kRowA);
        EXPECT_FALSE(d.IsEnabled(IDC_MAINT_SWITCH));
        EXPECT_TRUE(d.IsEnabled(IDC_MAINT_UNINSTALL));
        d.ClickRow(IDC_MAINT_LIST, kRowC);
        EXPECT_TRUE(d.IsEnabled(IDC_MAINT_SWITCH));
        EXPECT_TRUE(d.IsEnabled(IDC_MAINT_UNINSTALL));
        EXPECT_EQ(d.TreeLines(IDC_MAINT_TREE).at(0), "C:\\Vantorix\\EnvC");
        EXPECT_FALSE(d.Node(IDC_MAINT_TREE, d.Children(IDC_MAINT_TREE, 0).at(0)).bold);
        // Empty space: nothing chosen, the tree keeps C.
        d.ClickRow(IDC_MAINT_LIST, -1);
        EXPECT_FALSE(d.IsEnabled(IDC_MAINT_SWITCH));
        EXPECT_FALSE(d.IsEnabled(IDC_MAINT_UNINSTALL));
        EXPECT_EQ(d.TreeLines(IDC_MAINT_TREE).at(0), "C:\\Vantorix\\EnvC");
        d.Click(IDC_MAINT_EXIT);
    });
    EXPECT_EQ(page.SelectedRow(), -1);
}

TEST_F(MaintenancePage, SwitchMakesTheChosenOneActiveAndRefreshes) {
    Run([&](PageDriver& d) {
        d.ClickRow(IDC_MAINT_LIST, kRowB);
        d.Click(IDC_MAINT_SWITCH);
        EXPECT_EQ(Listed(d).at(kRowB), "Active|Vantorix B (C:\\Vantorix\\EnvB)");
        EXPECT_EQ(Listed(d).at(kRowA), "|Vantorix A (C:\\Vantorix\\EnvA)");
        // A refresh selects nothing.
        EXPECT_FALSE(d.IsEnabled(IDC_MAINT_SWITCH));
        d.Click(IDC_MAINT_EXIT);
    });
    EXPECT_TRUE(Active("B"));
    EXPECT_TRUE(machine.MessageTexts().empty());
    // The switch leaves its log: the flow's steps and the outcome.
    const auto log = core::RunLog::LastRunLog(machine.fake.Get(), core::kRunLogPrefix, "");
    ASSERT_TRUE(log.has_value());
    EXPECT_THAT(*log, ::testing::EndsWith("-switch.log"));
    std::string text;
    ASSERT_EQ(machine.fake.files.ReadText(*log, text), platform::error::kSuccess);
    EXPECT_THAT(text, ::testing::HasSubstr("step: activate " + std::string(kParkedB)));
    EXPECT_THAT(text, ::testing::EndsWith("outcome: changed\r\n"));
}

TEST_F(MaintenancePage, TheActiveRowIsNotSwitchedTo) {
    page.SelectRow(kRowA);
    Run([&](PageDriver& d) {
        page.SelectRow(kRowA);
        page.SwitchActiveHere();
        d.Click(IDC_MAINT_EXIT);
    });
    ASSERT_EQ(machine.fake.ui.MessageBoxes().size(), 1u);
    const auto& box = machine.fake.ui.MessageBoxes()[0];
    EXPECT_EQ(box.text, "It is current active Vantorix.");
    EXPECT_EQ(box.caption, "Confirmation");
    EXPECT_EQ(box.flags, platform::mb::kOk);
    EXPECT_EQ(box.owner, &page);
    EXPECT_TRUE(Active("A"));
}

// What the page makes of the uninstall flow: it closes, or shows what is left; the choice of the
// next active environment is the selection dialog. The flow's own cases are flow tests.
struct UninstallCase {
    const char* name;
    int row;
    StartMode mode;
    int parkedLeft;  // parked environments besides the chosen one (B, C: up to 2)
    bool removes;    // the uninstaller really removes the entry
    std::vector<std::string> locationsAfter;
    const char* activeAfter;  // tag, or "" for none
    bool pageClosed;
    const char* stored = nullptr;  // the chosen one's uninstall command, when not the vendor's
    bool told = false;             // "Failed in uninstallation." after the Yes
};

class MaintenanceUninstall : public ::testing::TestWithParam<UninstallCase> {};

TEST_P(MaintenanceUninstall, LeavesTheEnvironmentsAsTheUserExpects) {
    const UninstallCase& c = GetParam();
    SwitchMachine machine;
    machine.InstallTidewatch(false);
    machine.InstallEnvironment({kGuid, "A"});
    if (c.parkedLeft >= 1)
        machine.InstallEnvironment({kParkedB, "B"});
    if (c.parkedLeft >= 2)
        machine.InstallEnvironment({kParkedC, "C"});
    machine.context.startup.startMode = c.mode;
    if (c.stored != nullptr)
        machine.fake.registry.SetText(RegRoot::LocalMachine,
                                      paths::Entry(c.row == kRowA ? kGuid : kParkedB),
                                      "UninstallString", c.stored);
    const auto uninstaller = [&](const std::string&) {
        if (c.removes)
            machine.fake.registry.RemoveKey(RegRoot::LocalMachine, paths::Entry(kGuid));
        return fake::ProgramBehaviour::RunsFor(100);
    };
    machine.fake.processes.AddProgram(kSetupProgram, uninstaller);
    machine.fake.processes.AddProgram("C:\\Vtx\\Setup.exe", uninstaller);
    // Every question is answered with Yes; the selection dialog takes C (its item 1 of B, C).
    const auto question = [](const fake::MessageBoxRecord& box) {
        return (box.flags & platform::mb::kButtonsMask) == platform::mb::kYesNo;
    };
    machine.fake.ui.SetMessageBoxHandler([&](const fake::MessageBoxRecord& box) {
        return question(box) ? std::optional<int>(platform::answer::kYes) : std::nullopt;
    });
    if (c.row == kRowA && c.parkedLeft == 2 && c.removes)
        machine.fake.dialogs.OnNextRun(IDD_ACTIVE_SELECT, [](PageDriver& d) {
            d.SelectCombo(IDC_SELECT_LIST, 1);
            d.Click(IDC_SELECT_OK);
        });

    pages::MaintenancePage page(machine.context);
    bool closed = true;
    machine.fake.dialogs.OnNextRun(IDD_MAINTENANCE, [&](PageDriver& d) {
        d.ClickRow(IDC_MAINT_LIST, c.row);
        d.Click(IDC_MAINT_UNINSTALL);
        closed = d.IsEnded();
        if (!closed)
            d.Click(IDC_MAINT_EXIT);
    });
    machine.fake.ui.RunModal(page, nullptr);

    EXPECT_EQ(machine.ListedLocations(), c.locationsAfter);
    EXPECT_EQ(closed, c.pageClosed);
    const auto live = machine.fake.registry.GetText(RegRoot::LocalMachine, paths::Entry(kGuid),
                                                    "InstallLocation");
    if (std::string(c.activeAfter).empty())
        EXPECT_FALSE(live.has_value());
    else
        EXPECT_EQ(live, "C:\\Vantorix\\Env" + std::string(c.activeAfter));
    std::vector<std::string> told;
    for (const auto& box : machine.fake.ui.MessageBoxes())
        if (!question(box))
            told.push_back(box.text + "|" + box.caption);
    EXPECT_EQ(told, c.told ? std::vector<std::string>{"Failed in uninstallation.|Error"}
                           : std::vector<std::string>{});
}

const std::string kA = "C:\\Vantorix\\EnvA";
const std::string kB = "C:\\Vantorix\\EnvB";
const std::string kC = "C:\\Vantorix\\EnvC";
using V = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Pages, MaintenanceUninstall,
    ::testing::Values(
        UninstallCase{"ActiveLastOne", 0, StartMode::kMaintenance, 0, true, V{}, "", true},
        UninstallCase{"ActiveOneLeft", 0, StartMode::kMaintenance, 1, true, V{kB}, "B", false},
        UninstallCase{"ActiveTwoLeftChosenBySelection", 0, StartMode::kMaintenance, 2, true,
                      V{kB, kC}, "C", false},
        UninstallCase{"ActiveUninstallModeCloses", 0, StartMode::kUninstall, 1, true, V{kB}, "B",
                      true},
        UninstallCase{"ActiveUninstallerLeavesIt", 0, StartMode::kMaintenance, 1, false, V{kA, kB},
                      "A", false}),
    [](const auto& info) { return std::string(info.param.name); });

// The twin's row names another environment than the install manager's list showed (one was
// removed since): refused in the language of the settings, before anything runs.
TEST(MaintenanceInTheTwin, RefusesARowThatNamesAnotherEnvironment) {
    for (const bool japanese : {false, true}) {
        SwitchMachine machine;
        machine.InstallTidewatch(false);
        machine.InstallEnvironment({kGuid, "A"});
        machine.InstallEnvironment({kParkedB, "B"});
        machine.context.texts = core::TextSet(japanese);
        machine.context.startup.elevatedTwin = true;
        ASSERT_TRUE(environments::EnumerateEnvironments(machine.context));

        EXPECT_EQ(
            pages::RunHiddenMaintenance(machine.context, StartMode::kUninstall, kRowA, kParkedB),
            maintenance::twinexit::kRefused);

        ASSERT_EQ(machine.fake.ui.MessageBoxes().size(), 1u);
        EXPECT_EQ(machine.fake.ui.MessageBoxes()[0].text,
                  japanese ? "表示した後にVantorixの一覧が変わりました。何も変更していません。"
                             "もう一度選択してください。"
                           : "The list of environments changed after it was shown. Nothing was "
                             "changed; choose the environment again.");
        EXPECT_TRUE(machine.fake.processes.Started().empty());
        EXPECT_EQ(machine.ListedLocations(), (std::vector<std::string>{kA, kB}));
    }
}

// The twin's uninstall needs a window only for the choice of the next active environment: its
// hidden maintenance page owns the dialog and shows while the dialog is up.
TEST(MaintenanceInTheTwin, ShowsItsHiddenPageOnlyUnderTheChoice) {
    SwitchMachine machine;
    machine.InstallTidewatch(false);
    machine.InstallEnvironment({kGuid, "A"});
    machine.InstallEnvironment({kParkedB, "B"});
    machine.InstallEnvironment({kParkedC, "C"});
    machine.context.startup.elevatedTwin = true;
    machine.fake.processes.AddProgram(kSetupProgram, [&](const std::string&) {
        machine.fake.registry.RemoveKey(RegRoot::LocalMachine, paths::Entry(kGuid));
        return fake::ProgramBehaviour::RunsFor(100);
    });
    machine.fake.ui.SetMessageBoxHandler([](const fake::MessageBoxRecord& box) {
        EXPECT_EQ(box.owner, nullptr);
        return std::optional<int>(platform::answer::kYes);
    });
    bool ownerShown = false;
    machine.fake.dialogs.OnNextRun(IDD_ACTIVE_SELECT, [&](PageDriver& d) {
        ownerShown = machine.fake.dialogs.LastWindow(IDD_MAINTENANCE).IsWindowVisible();
        d.SelectCombo(IDC_SELECT_LIST, 1);
        d.Click(IDC_SELECT_OK);
    });
    ASSERT_TRUE(environments::EnumerateEnvironments(machine.context));

    EXPECT_EQ(pages::RunHiddenMaintenance(machine.context, StartMode::kUninstall, kRowA, kGuid),
              maintenance::twinexit::kDone);

    EXPECT_TRUE(ownerShown);
    EXPECT_FALSE(machine.fake.dialogs.LastWindow(IDD_MAINTENANCE).IsWindowVisible());
    EXPECT_EQ(machine.fake.registry.GetText(RegRoot::LocalMachine, paths::Entry(kGuid),
                                            "InstallLocation"),
              "C:\\Vantorix\\EnvC");
}

// With the last environment gone the installed copy removes itself, on the NT family from
// version 5 on and only where its shortcut shows it was installed; the page closes either way,
// after naming what could not be removed. A search that fails after the uninstall knows of no
// environment, but not that none is left: the copy stays and the page shows what the next
// search finds.
TEST(MaintenanceSelfRemoval, FollowsTheLastUninstallWhereTheCopyIsInstalled) {
    const std::string own = "C:\\Program Files\\Common Files\\Orvessa\\Velnora";
    const std::string link = paths::kPrograms + "\\Orvessa\\Multiple Install Manager.lnk";
    struct Case {
        const char* name;
        platform::OsVersion os;
        bool shortcut;
        bool searchFails;
        bool removes;
        bool entryDenied = false;
    };
    for (const Case& c : {Case{"Installed", {5, 1, 2600, 2}, true, false, true},
                          Case{"NotInstalled", {5, 1, 2600, 2}, false, false, false},
                          Case{"NtBelow5", {4, 0, 1381, 2}, true, false, false},
                          Case{"Windows9x", {4, 90, 3000, 1}, true, false, false},
                          Case{"SearchFailsAfter", {5, 1, 2600, 2}, true, true, false},
                          Case{"EntryDenied", {5, 1, 2600, 2}, true, false, true, true}}) {
        SwitchMachine machine;
        machine.InstallTidewatch(false);
        machine.InstallEnvironment({kGuid, "A"});
        machine.context.startup.osVersion = c.os;
        machine.context.startup.programBaseName = "Velnora";
        machine.context.startup.startMode = StartMode::kMaintenance;
        machine.fake.processes.AddProgram(kSetupProgram, [&](const std::string&) {
            machine.fake.registry.RemoveKey(RegRoot::LocalMachine, paths::Entry(kGuid));
            // The next listing of the uninstall root is the search after the uninstall.
            auto& faults = machine.fake.faults;
            if (c.searchFails)
                faults.FailAt(fake::op::kEnumKey, faults.Calls(fake::op::kEnumKey) + 1,
                              platform::error::kAccessDenied);
            return fake::ProgramBehaviour::RunsFor(100);
        });
        machine.fake.processes.AddProgram(own + "\\del.bat", fake::ProgramBehaviour::RunsFor(10));
        machine.fake.files.AddFile(own + "\\Velnora.exe", "installed");
        machine.fake.registry.SetText(RegRoot::LocalMachine, paths::Entry("Velnora"), "DisplayName",
                                      "Vantorix(Multiple Install)");
        if (c.shortcut)
            machine.fake.files.AddFile(link, "link");
        machine.fake.ui.SetMessageBoxHandler([](const fake::MessageBoxRecord& box) {
            return box.text.starts_with("Do you") ? std::optional<int>(platform::answer::kYes)
                                                  : std::nullopt;
        });
        if (c.entryDenied)
            machine.fake.registry.DenyWrite(RegRoot::LocalMachine, paths::Entry("Velnora"));

        pages::MaintenancePage page(machine.context);
        bool closed = false;
        machine.fake.dialogs.OnNextRun(IDD_MAINTENANCE, [&](PageDriver& d) {
            d.ClickRow(IDC_MAINT_LIST, kRowA);
            d.Click(IDC_MAINT_UNINSTALL);
            closed = d.IsEnded();
            if (!closed) {
                EXPECT_EQ(d.Text(IDC_MAINT_HEADLINE), "Vantorix is not installed in this PC.");
                d.Click(IDC_MAINT_EXIT);
            }
        });
        EXPECT_EQ(machine.fake.ui.RunModal(page, nullptr), 0) << c.name;
        EXPECT_EQ(closed, !c.searchFails) << c.name;
        EXPECT_EQ(machine.fake.files.Exists(own), !c.removes) << c.name;
        const bool left = !c.removes || c.entryDenied;
        EXPECT_EQ(machine.fake.files.Exists(link), c.shortcut && left) << c.name;
        EXPECT_EQ(machine.fake.registry.KeyExists(RegRoot::LocalMachine, paths::Entry("Velnora")),
                  left)
            << c.name;
        // After a failed search the last box is the search's own.
        if (!c.searchFails) {
            EXPECT_EQ(machine.fake.ui.MessageBoxes().back().text,
                      c.entryDenied
                          ? "The install manager could not be deleted completely. Left "
                            "behind:\r\n- the entry in the list of installed programs "
                            "[Vantorix(Multiple Install)]\r\n- the start-menu shortcut [" +
                                link + "]"
                          : machine.fake.ui.MessageBoxes().front().text)
                << c.name;
        }
        bool scriptRan = false;
        for (const auto& started : machine.fake.processes.Started())
            scriptRan |= started.commandLine.rfind("\"" + own + "\\del.bat\"", 0) == 0;
        EXPECT_EQ(scriptRan, c.removes) << c.name;
    }
}

// From version 6 on the twin uninstalls and the page stays open: with nothing left it must not
// go on showing the tools of the environment that is gone.
TEST(MaintenanceAfterTheTwin, LastUninstallLeavesNoToolsOfTheGoneEnvironment) {
    for (const StartMode mode : {StartMode::kMaintenance, StartMode::kUninstall}) {
        SCOPED_TRACE(static_cast<int>(mode));
        SwitchMachine machine;
        machine.InstallTidewatch(false);
        machine.InstallEnvironment({kGuid, "A"});
        machine.context.startup.startMode = mode;
        machine.context.startup.osVersion = {10, 0, 19045, 2};
        machine.fake.processes.AddProgram("C:\\Media\\VelnoraAdm.exe", [&](const std::string&) {
            machine.fake.registry.RemoveKey(RegRoot::LocalMachine, paths::Entry(kGuid));
            return fake::ProgramBehaviour::RunsFor(100);
        });

        pages::MaintenancePage page(machine.context);
        machine.fake.dialogs.OnNextRun(IDD_MAINTENANCE, [&](PageDriver& d) {
            EXPECT_TRUE(d.IsVisible(IDC_MAINT_TREE));
            d.ClickRow(IDC_MAINT_LIST, kRowA);
            d.Click(IDC_MAINT_UNINSTALL);
            ASSERT_FALSE(d.IsEnded());
            EXPECT_EQ(d.Text(IDC_MAINT_HEADLINE), "Vantorix is not installed in this PC.");
            EXPECT_FALSE(d.IsVisible(IDC_MAINT_LIST));
            EXPECT_FALSE(d.IsVisible(IDC_MAINT_TREE));
            d.Click(IDC_MAINT_EXIT);
        });
        EXPECT_EQ(machine.fake.ui.RunModal(page, nullptr), 0);
        EXPECT_EQ(machine.ListedLocations(), std::vector<std::string>{});
    }
}

// A Windows shutdown after the last environment is gone waits for the page and becomes a
// restart when the page closes.
TEST_F(MaintenancePage, LastEnvironmentGoneHoldsTheShutdownUntilThePageCloses) {
    SwitchMachine empty;
    pages::MaintenancePage shown(empty.context);
    empty.fake.dialogs.OnNextRun(IDD_MAINTENANCE, [&](PageDriver& d) {
        EXPECT_FALSE(d.QueryEndSession());
        d.EndSession(true);
        EXPECT_TRUE(shown.RebootOnClose());
        d.Click(IDC_MAINT_EXIT);
    });
    empty.fake.ui.RunModal(shown, nullptr);
    EXPECT_EQ(shown.EnvironmentCountAtShutdown(), 0);
    EXPECT_TRUE(!empty.fake.session.ExitWindowsCalls().empty());

    // With environments the end of the session is not held.
    Run([&](PageDriver& d) {
        EXPECT_TRUE(d.QueryEndSession());
        d.Click(IDC_MAINT_EXIT);
    });
    EXPECT_FALSE(page.RebootOnClose());
}

TEST_F(MaintenancePage, HelpOpensTheContextOfTheStartMode) {
    machine.fake.files.AddFile("C:\\Media\\VelnoraE.CHM", "help");
    for (const StartMode mode : {StartMode::kMaintenance, StartMode::kUninstall}) {
        machine.context.startup.startMode = mode;
        pages::MaintenancePage shown(machine.context);
        machine.fake.dialogs.OnNextRun(IDD_MAINTENANCE, [](PageDriver& d) {
            d.Help();
            d.Click(IDC_MAINT_EXIT);
        });
        machine.fake.ui.RunModal(shown, nullptr);
    }
    ASSERT_EQ(machine.fake.ui.HelpCalls().size(), 2u);
    EXPECT_EQ(machine.fake.ui.HelpCalls()[0].contextId, 300u);
    EXPECT_EQ(machine.fake.ui.HelpCalls()[1].contextId, 500u);
}

// --- The selection dialog ------------------------------------------------------------------

class ActiveSelect : public ::testing::Test {
  protected:
    ActiveSelect() {
        machine.InstallEnvironment({ParkedKey(1), "A"});
        machine.InstallEnvironment({kParkedB, "B"});
        machine.InstallEnvironment({kParkedC, "C"});
    }
    static std::vector<flows::EnvironmentChoice> Choices() {
        return {{ParkedKey(1), "Vantorix A (" + kA + ")"},
                {kParkedB, "Vantorix B (" + kB + ")"},
                {kParkedC, "Vantorix C (" + kC + ")"}};
    }
    SwitchMachine machine;
    ActiveSelectDialog dialog{machine.context, Choices()};
};

TEST_F(ActiveSelect, OkGivesTheChosenRowAndActivatesNothing) {
    machine.fake.dialogs.OnNextRun(IDD_ACTIVE_SELECT, [&](PageDriver& d) {
        EXPECT_EQ(d.Title(), "Switch active environment");
        EXPECT_EQ(
            d.Control(IDC_SELECT_LIST).comboItems,
            (V{"Vantorix A (" + kA + ")", "Vantorix B (" + kB + ")", "Vantorix C (" + kC + ")"}));
        EXPECT_EQ(d.Control(IDC_SELECT_LIST).comboSelection, 0);
        d.SelectCombo(IDC_SELECT_LIST, 2);
        d.Click(IDC_SELECT_OK);
    });
    EXPECT_EQ(machine.fake.ui.RunModal(dialog, nullptr), 0);
    EXPECT_EQ(dialog.SelectedRow(), 2);
    EXPECT_EQ(dialog.ChosenKeyName(), kParkedC);
    // The flow that asked activates.
    EXPECT_FALSE(machine.fake.registry.KeyExists(RegRoot::LocalMachine, paths::Entry(kGuid)));
}

TEST_F(ActiveSelect, ListAndNoteGrowWithTheDialogAndOkStaysAtTheBottom) {
    machine.fake.dialogs.OnNextRun(IDD_ACTIVE_SELECT, [&](PageDriver& d) {
        const platform::Rect start = d.ClientRect();
        const platform::Rect okBefore = d.Control(IDC_SELECT_OK).rect;
        d.Resize(start.Width() + 100, start.Height() + 60);
        const platform::Rect client = d.ClientRect();
        const auto at = [&](int id) { return d.Control(id).rect; };
        EXPECT_EQ(at(IDC_SELECT_INSTRUCTION).top, 13);
        EXPECT_EQ(at(IDC_SELECT_INSTRUCTION).left, 13);
        EXPECT_EQ(at(IDC_SELECT_LIST).top, at(IDC_SELECT_INSTRUCTION).bottom + 7);
        EXPECT_EQ(at(IDC_SELECT_LIST).right, client.right - 15);
        EXPECT_EQ(at(IDC_SELECT_OK).bottom, client.bottom - 10);
        EXPECT_EQ(at(IDC_SELECT_OK).left, 200);
        EXPECT_EQ(at(IDC_SELECT_OK).Height(), okBefore.Height());
        // The list and the note take their bottom from where OK stood before the pass: the
        // next pass settles them.
        d.Resize(start.Width() + 100, start.Height() + 60);
        EXPECT_EQ(at(IDC_SELECT_LIST).bottom, at(IDC_SELECT_OK).top - 48);
        EXPECT_EQ(at(IDC_SELECT_NOTE).top, at(IDC_SELECT_LIST).bottom + 11);
        EXPECT_EQ(at(IDC_SELECT_NOTE).bottom, at(IDC_SELECT_OK).top - 8);
        d.PressEscape();
    });
    machine.fake.ui.RunModal(dialog, nullptr);
}

TEST_F(ActiveSelect, EscapeChoosesNothing) {
    machine.fake.dialogs.OnNextRun(IDD_ACTIVE_SELECT, [&](PageDriver& d) {
        d.SelectCombo(IDC_SELECT_LIST, 2);
        EXPECT_TRUE(d.PressEscape());
    });
    EXPECT_EQ(machine.fake.ui.RunModal(dialog, nullptr), 0);
    EXPECT_EQ(dialog.SelectedRow(), -1);
    EXPECT_EQ(dialog.ChosenKeyName(), std::nullopt);
}

TEST_F(ActiveSelect, RefusedShutdownBecomesARestartOnClose) {
    machine.fake.dialogs.OnNextRun(IDD_ACTIVE_SELECT, [&](PageDriver& d) {
        EXPECT_FALSE(d.QueryEndSession());
        d.EndSession(true);
        EXPECT_TRUE(d.QueryEndSession());
        d.PressEscape();
    });
    machine.fake.ui.RunModal(dialog, nullptr);
    EXPECT_TRUE(dialog.EndSessionNoticed());
    EXPECT_TRUE(!machine.fake.session.ExitWindowsCalls().empty());
}

}  // namespace
}  // namespace velnora::testing
