// "Nothing may be lost": a run that installs a new environment beside the active one is run
// once to learn every platform call it makes, then once more for each of those calls failing
// alone. Afterwards the environment that was active must be active again, or parked whole
// with the new one active; the program may end on the way, as a failed start of an installer
// ends it. Runs whose installers make no environment, or that find no installer, must bring the
// parked one back whichever call fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "environments/environment_table.h"
#include "fake/fault_sweep.h"
#include "fake/scripted_prompt.h"
#include "flows/install_run.h"
#include "installer/execution.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

const EnvironmentPlan kActiveA{kGuid, "A"};
constexpr char kSetup[] = "C:\\Media\\setup.exe";

// The page of a run with one ticked installer.
class OneInstallerPage : public flows::RunView {
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
    flows::Prompt& RunPrompt() override { return prompt; }

    fake::ScriptedPrompt prompt;
};

// What the vendor's installer does.
enum class Installer { kCreates, kMakesNothing, kMissing };

std::unique_ptr<SwitchMachine> Prepare(Installer installer) {
    auto machine = std::make_unique<SwitchMachine>();
    machine->InstallTidewatch(true);
    machine->InstallEnvironment(kActiveA);
    auto& startup = machine->context.startup;
    startup.programBaseName = "Velnora";
    startup.programFolder = "C:\\Media";
    startup.standardInstall = false;
    machine->fake.files.AddFolder("C:\\Media");
    if (installer != Installer::kMissing)
        machine->fake.files.AddFile(kSetup, "MZ");
    installer::InstallerEntry entry;
    entry.name = "Vantorix";
    entry.path = "setup.exe";
    machine->context.catalogue.Append(entry);
    SwitchMachine* m = machine.get();
    machine->fake.processes.AddProgram(kSetup, [m, installer](const std::string&) {
        if (installer == Installer::kCreates)
            m->InstallEnvironment({kGuid, "N"});
        return fake::ProgramBehaviour::RunsFor(2000);
    });
    core::Notices notices;
    environments::LoadProcessApi(machine->context, notices);
    environments::EnumerateEnvironments(machine->context);
    machine->fake.faults.Reset();
    return machine;
}

// False when the program ended on the way; what it left is judged all the same.
bool RunNewEnvironment(SwitchMachine& machine) {
    OneInstallerPage page;
    try {
        flows::InstallRun(machine.context, page);
        return true;
    } catch (const fake::ProcessExited&) {
        return false;
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

struct SweepCase {
    const char* name;
    Installer installer;
    std::string reference;  // where the environments are after a run without failures
    std::vector<std::string> allowed;
    // A program that ended in the middle of the run may also leave these, as a restart would.
    std::vector<std::string> allowedWhenEnded;
};

class InstallRunSweep : public ::testing::TestWithParam<SweepCase> {};

TEST_P(InstallRunSweep, TheParkedEnvironmentComesBackOrTheNewOneIsCompleteWhicheverCallFails) {
    const SweepCase& c = GetParam();
    auto reference = Prepare(c.installer);
    const Material a = reference->Capture(kActiveA);
    RunNewEnvironment(*reference);
    ASSERT_EQ(Outcome(*reference), c.reference);
    const std::vector<fake::Call> log = reference->fake.faults.Log();
    const std::vector<std::string> names{kGuid, FirstGuidName()};

    const fake::SweepReport report = fake::SweepEveryCall(log, [&](const fake::ArmFault& arm) {
        auto machine = Prepare(c.installer);
        arm(machine->fake.faults);
        const bool returned = RunNewEnvironment(*machine);
        machine->fake.faults.Clear();

        fake::FaultRun run{Outcome(*machine), machine->Losses(a, names)};
        std::vector<std::string> allowed = c.allowed;
        if (!returned)
            allowed.insert(allowed.end(), c.allowedWhenEnded.begin(), c.allowedWhenEnded.end());
        if (std::find(allowed.begin(), allowed.end(), run.outcome) == allowed.end())
            run.problems.push_back("environments left as [" + run.outcome + "]");
        return run;
    });
    EXPECT_TRUE(report.failures.empty()) << report.FailureText();
}

INSTANTIATE_TEST_SUITE_P(
    Installers, InstallRunSweep,
    ::testing::Values(
        SweepCase{"Creates", Installer::kCreates, "N@live A@P ", {"A@live ", "N@live A@P "}, {}},
        SweepCase{"MakesNothing", Installer::kMakesNothing, "A@live ", {"A@live "}, {"A@P "}},
        SweepCase{"Missing", Installer::kMissing, "A@live ", {"A@live "}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velnora::testing
