// "Nothing may be lost": a run that installs a new environment beside the active one is run
// once to learn every platform call it makes, then once more for each of those calls failing
// alone. Afterwards the environment that was active must be active again, or parked whole
// with the new one active; the program may end on the way, as a failed start of an installer
// ends it.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "environments/environment_table.h"
#include "installer/execution.h"
#include "installer/install_run.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

const EnvironmentPlan kActiveA{kGuid, "A"};
constexpr char kSetup[] = "C:\\Media\\setup.exe";

// The page of a run with one ticked installer.
class OneInstallerPage : public installer::RunPage {
  public:
    int Form() const override { return installer::pageform::kList; }
    int ResumeIndex() const override { return 0; }
    int EntryCount() const override { return 1; }
    bool IsTicked(int) const override { return true; }
    bool Interactive() const override { return true; }
    std::string InstallerPath() override { return {}; }
    void EnableButtons(bool) override {}
    void EnableExit() override {}
    void MinimizeForRun() override {}
    bool IsMinimized() const override { return false; }
    void Hide() override {}
    std::string MainTitle() override { return {}; }
    void SetMainTitle(const std::string&) override {}
    void RestorePageTitle() override {}
    const platform::DialogPage* Owner() const override { return nullptr; }
};

std::unique_ptr<SwitchMachine> Prepare() {
    auto machine = std::make_unique<SwitchMachine>();
    machine->InstallTidewatch(true);
    machine->InstallEnvironment(kActiveA);
    auto& startup = machine->context.startup;
    startup.programBaseName = "Velnora";
    startup.programFolder = "C:\\Media";
    startup.standardInstall = false;
    machine->fake.files.AddFolder("C:\\Media");
    machine->fake.files.AddFile(kSetup, "MZ");
    core::InstallerEntry entry;
    entry.name = "Vantorix";
    entry.path = "setup.exe";
    machine->context.catalogue.Append(entry);
    SwitchMachine* m = machine.get();
    // The vendor's installer makes a new environment under the live names.
    machine->fake.processes.AddProgram(kSetup, [m](const std::string&) {
        m->InstallEnvironment({kGuid, "N"});
        return fake::ProgramBehaviour::RunsFor(2000);
    });
    installer::LoadProcessApi(machine->context);
    environments::EnumerateEnvironments(machine->context);
    machine->fake.faults.Reset();
    return machine;
}

void RunNewEnvironment(SwitchMachine& machine) {
    OneInstallerPage page;
    try {
        installer::InstallRun(machine.context, page);
    } catch (const fake::ProcessExited&) {
        // The program ended on the way; what it left is judged all the same.
    }
}

// Where the environments are: "A@live", "N@live A@P" and the like.
std::string Outcome(SwitchMachine& machine) {
    std::string outcome;
    for (const std::string& name : {kGuid, FirstGuidName()}) {
        const auto location = machine.fake.registry.GetText(platform::RegRoot::LocalMachine,
                                                            paths::Entry(name), "InstallLocation");
        if (location)
            outcome +=
                location->substr(location->size() - 1) + "@" + (name == kGuid ? "live" : "P") + " ";
    }
    return outcome;
}

TEST(InstallRunSweep, TheParkedEnvironmentComesBackOrTheNewOneIsCompleteWhicheverCallFails) {
    auto reference = Prepare();
    const Material a = reference->Capture(kActiveA);
    RunNewEnvironment(*reference);
    ASSERT_EQ(Outcome(*reference), "N@live A@P ");
    const std::vector<fake::Call> log = reference->fake.faults.Log();
    const std::vector<std::string> names{kGuid, FirstGuidName()};

    std::vector<std::string> failures;
    for (std::size_t i = 0; i < log.size(); ++i) {
        auto machine = Prepare();
        machine->fake.faults.FailAt(log[i].operation, OccurrenceOf(log, i),
                                    platform::error::kAccessDenied);
        RunNewEnvironment(*machine);
        machine->fake.faults.Clear();

        const std::string outcome = Outcome(*machine);
        std::vector<std::string> problems = machine->Losses(a, names);
        if (outcome != "A@live " && outcome != "N@live A@P ")
            problems.push_back("environments left as [" + outcome + "]");
        if (!problems.empty()) {
            std::ostringstream text;
            text << "call " << i << " " << log[i].operation << "(" << log[i].subject
                 << ") failing:";
            for (const auto& problem : problems)
                text << "\n    " << problem;
            failures.push_back(text.str());
        }
    }
    std::ostringstream report;
    for (const auto& failure : failures)
        report << failure << "\n";
    EXPECT_TRUE(failures.empty()) << failures.size() << " of " << log.size()
                                  << " runs went wrong:\n"
                                  << report.str();
}

}  // namespace
}  // namespace velnora::testing
