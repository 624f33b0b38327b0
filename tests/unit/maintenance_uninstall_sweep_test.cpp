// "Nothing else may be lost": the uninstall of an inactive environment from the maintenance page
// is run once to learn every platform call it makes, then once more for each of those calls
// failing alone. The active environment must keep all its material, and the chosen one must
// be either whole (under some name) or gone as its uninstaller leaves it.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pages/maintenance_page.h"
#include "resource_ids.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

const EnvironmentPlan kActiveA{kGuid, "A"};
const EnvironmentPlan kParkedB{ParkedKey(2), "B"};
const std::string kLiveSetup = paths::InstallerInfo(kGuid) + "\\setup.exe";

std::unique_ptr<SwitchMachine> Prepare() {
    auto machine = std::make_unique<SwitchMachine>();
    machine->InstallTidewatch(true);
    machine->InstallEnvironment(kActiveA);
    machine->InstallEnvironment(kParkedB);
    SwitchMachine* m = machine.get();
    // The vendor's setup removes the live entry and the installer information it knows.
    machine->fake.processes.AddProgram(kLiveSetup, [m](const std::string&) {
        m->fake.registry.RemoveKey(platform::RegRoot::LocalMachine, paths::Entry(kGuid));
        m->fake.files.Remove(paths::InstallerInfo(kGuid));
        return fake::ProgramBehaviour::RunsFor(50);
    });
    // Yes to the question; every other box is only read.
    machine->fake.ui.SetMessageBoxHandler([](const fake::MessageBoxRecord& box) {
        return (box.flags & platform::mb::kButtonsMask) == platform::mb::kYesNo
                   ? std::optional<int>(platform::answer::kYes)
                   : std::nullopt;
    });
    machine->fake.faults.Reset();
    return machine;
}

void UninstallB(SwitchMachine& machine) {
    pages::CMaintenanceDlg page(machine.context);
    machine.fake.dialogs.SetReporter([](const std::string&) {});
    machine.fake.dialogs.OnNextRun(IDD_MAINTENANCE, [&](fake::PageDriver& d) {
        // The user picks the row that shows B.
        const auto rows = d.Rows(IDC_MAINT_LIST);
        for (std::size_t row = 0; row < rows.size(); ++row)
            if (rows[row].at(1).find("Vantorix B") != std::string::npos)
                page.SelectRow(static_cast<int>(row));
        page.UninstallSelectedHere();
        if (!d.IsEnded())
            d.Click(IDC_MAINT_EXIT);
    });
    machine.fake.ui.RunModal(page, nullptr);
}

// Where the entries are: "A@live B@N" and the like.
std::string Outcome(SwitchMachine& machine) {
    std::string outcome;
    for (const std::string& name : {kGuid, ParkedKey(2), FirstGuidName()}) {
        const auto location = machine.fake.registry.GetText(platform::RegRoot::LocalMachine,
                                                            paths::Entry(name), "InstallLocation");
        if (location)
            outcome += location->substr(location->size() - 1) + "@" +
                       (name == kGuid          ? "live"
                        : name == ParkedKey(2) ? "N"
                                               : "P") +
                       " ";
    }
    return outcome;
}

TEST(MaintenanceUninstallSweep, NothingElseIsLostWhicheverCallFails) {
    auto reference = Prepare();
    const Material a = reference->Capture(kActiveA);
    const Material b = reference->Capture(kParkedB);
    UninstallB(*reference);
    ASSERT_EQ(Outcome(*reference), "A@live ");
    const std::vector<fake::Call> log = reference->fake.faults.Log();
    const std::vector<std::string> names{kGuid, ParkedKey(2), FirstGuidName()};

    std::vector<std::string> failures;
    std::map<std::string, int> outcomes;
    for (std::size_t i = 0; i < log.size(); ++i) {
        auto machine = Prepare();
        machine->fake.faults.FailAt(log[i].operation, OccurrenceOf(log, i),
                                    platform::error::kAccessDenied);
        UninstallB(*machine);
        machine->fake.faults.Clear();

        const std::string outcome = Outcome(*machine);
        ++outcomes[outcome];
        if (outcome != "A@live B@N " && outcome != "A@live ")
            failures.push_back("call " + std::to_string(i) + " " + log[i].operation + "(" +
                               log[i].subject + ") failing leaves " + outcome);
        std::vector<std::string> problems = machine->Losses(a, names);
        // B stays whole unless its uninstaller ran.
        if (outcome.find("B@") != std::string::npos) {
            const auto lostB = machine->Losses(b, names);
            problems.insert(problems.end(), lostB.begin(), lostB.end());
        }
        if (!problems.empty()) {
            std::ostringstream text;
            text << "call " << i << " " << log[i].operation << "(" << log[i].subject
                 << ") failing: [" << outcome << "]";
            for (const auto& message : machine->MessageTexts())
                text << "\n  box: " << message;
            for (const auto& problem : problems)
                text << "\n    " << problem;
            failures.push_back(text.str());
        }
    }
    std::ostringstream report;
    for (const auto& failure : failures)
        report << failure << "\n";
    EXPECT_TRUE(failures.empty()) << failures.size() << " of " << log.size()
                                  << " runs lost material:\n"
                                  << report.str();
    std::ostringstream seen;
    for (const auto& [outcome, count] : outcomes)
        seen << "[" << outcome << "] x" << count << "\n";
    // As before, or B uninstalled with A active again.
    for (const auto& [outcome, count] : outcomes)
        EXPECT_TRUE(outcome == "A@live B@N " || outcome == "A@live ") << seen.str();
}

}  // namespace
}  // namespace velnora::testing
