// "Nothing else may be lost": the flow of an environment's uninstall is run once to learn every
// platform call it makes, then once more for each of those calls failing alone. The environment
// that stays must keep all its material, and the uninstalled one must be either whole (under
// some name) or gone as its uninstaller leaves it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "fake/fault_sweep.h"
#include "fake/scripted_prompt.h"
#include "flows/uninstall_environment.h"
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
    machine->fake.faults.Reset();
    return machine;
}

struct SweepCase {
    const char* name;
    std::string chosen;
    const EnvironmentPlan* stays;
    const EnvironmentPlan* goes;
    std::string reference;  // where the entries are after a run without failures
    std::vector<std::string> allowed;
};

class UninstallFaultSweep : public ::testing::TestWithParam<SweepCase> {};

TEST_P(UninstallFaultSweep, NothingElseIsLostWhicheverCallFails) {
    const SweepCase& c = GetParam();
    auto reference = Prepare();
    const Material stays = reference->Capture(*c.stays);
    const Material goes = reference->Capture(*c.goes);
    fake::ScriptedPrompt referencePrompt;
    flows::UninstallEnvironment(reference->context, referencePrompt, c.chosen);
    ASSERT_EQ(EntryPlaces(*reference), c.reference);
    const std::vector<fake::Call> log = reference->fake.faults.Log();
    const std::vector<std::string> names{kGuid, ParkedKey(2), FirstGuidName()};

    const fake::SweepReport report = fake::SweepEveryCall(log, [&](const fake::ArmFault& arm) {
        auto machine = Prepare();
        arm(machine->fake.faults);
        fake::ScriptedPrompt prompt;
        flows::UninstallEnvironment(machine->context, prompt, c.chosen);
        machine->fake.faults.Clear();

        fake::FaultRun run{EntryPlaces(*machine), machine->Losses(stays, names)};
        if (std::find(c.allowed.begin(), c.allowed.end(), run.outcome) == c.allowed.end())
            run.problems.push_back("environments left as [" + run.outcome + "]");
        // The uninstalled one stays whole unless its uninstaller ran.
        if (run.outcome.find(goes.tag + "@") != std::string::npos) {
            const auto lost = machine->Losses(goes, names);
            run.problems.insert(run.problems.end(), lost.begin(), lost.end());
        }
        if (!run.problems.empty())
            for (const std::string& text : prompt.Texts())
                run.problems.push_back("told: " + text);
        return run;
    });
    EXPECT_TRUE(report.failures.empty()) << report.FailureText() << report.OutcomeText();
}

INSTANTIATE_TEST_SUITE_P(
    Uninstalls, UninstallFaultSweep,
    ::testing::Values(
        // B is made active for its uninstaller and A comes back.
        SweepCase{
            "Inactive", ParkedKey(2), &kActiveA, &kParkedB, "A@live ", {"A@live B@N ", "A@live "}},
        // A goes and B, the only one left, becomes active; a failed activation leaves it
        // parked.
        SweepCase{
            "Active", kGuid, &kParkedB, &kActiveA, "B@live ", {"A@live B@N ", "B@live ", "B@N "}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velnora::testing
