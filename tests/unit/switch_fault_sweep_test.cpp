// "Nothing may be lost": the flow of a complete change of the active environment is run once to
// learn every platform call it makes, and then once more for every one of those calls with that
// single call failing. Whatever the switch and its rollback make of the failure, every
// environment's material must still exist, complete, under a live or a parked name, and a fresh
// enumeration must list every environment.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "fake/fault_sweep.h"
#include "fake/scripted_prompt.h"
#include "flows/change_active.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using flows::ChangeActiveEnvironment;
using flows::ChangeOutcome;

struct SweepCase {
    const char* name;
    bool elevatedTwin;
    std::uint32_t major;
    std::uint32_t minor;
    bool bHasAssociation;
};

const EnvironmentPlan kActiveA{kGuid, "A"};

EnvironmentPlan ParkedB(const SweepCase& c) {
    EnvironmentPlan plan{ParkedKey(2), "B"};
    plan.association = c.bHasAssociation;
    return plan;
}

std::unique_ptr<SwitchMachine> Prepare(const SweepCase& c) {
    auto machine = std::make_unique<SwitchMachine>();
    machine->context.startup.elevatedTwin = c.elevatedTwin;
    machine->context.startup.osVersion = {c.major, c.minor, 0, 2};
    machine->InstallTidewatch(true);
    machine->InstallEnvironment(kActiveA);
    machine->InstallEnvironment(ParkedB(c));
    machine->fake.faults.Reset();
    return machine;
}

class SwitchFaultSweep : public ::testing::TestWithParam<SweepCase> {};

TEST_P(SwitchFaultSweep, NothingIsLostWhicheverCallFails) {
    const SweepCase& c = GetParam();
    auto reference = Prepare(c);
    const Material a = reference->Capture(kActiveA);
    const Material b = reference->Capture(ParkedB(c));
    fake::ScriptedPrompt referencePrompt;
    ASSERT_EQ(ChangeActiveEnvironment(reference->context, referencePrompt, ParkedKey(2)),
              ChangeOutcome::kChanged);
    const std::vector<fake::Call> log = reference->fake.faults.Log();
    const std::vector<std::string> names{kGuid, ParkedKey(2), FirstGuidName()};
    ASSERT_TRUE(reference->Losses(a, names).empty());
    ASSERT_TRUE(reference->Losses(b, names).empty());
    ASSERT_GT(log.size(), 200u);

    const fake::SweepReport report = fake::SweepEveryCall(log, [&](const fake::ArmFault& arm) {
        auto machine = Prepare(c);
        arm(machine->fake.faults);
        fake::ScriptedPrompt prompt;
        ChangeActiveEnvironment(machine->context, prompt, ParkedKey(2));
        machine->fake.faults.Clear();

        fake::FaultRun run{EntryPlaces(*machine), machine->Losses(a, names)};
        const auto lostB = machine->Losses(b, names);
        run.problems.insert(run.problems.end(), lostB.begin(), lostB.end());
        const auto listed = machine->ListedLocations();
        for (const Material* m : {&a, &b})
            if (std::count(listed.begin(), listed.end(), m->location) == 0)
                run.problems.push_back(m->tag + ": not listed");
        // The flow shows nothing itself.
        if (!machine->MessageTexts().empty())
            run.problems.push_back("a message box below the prompt");
        return run;
    });

    EXPECT_TRUE(report.failures.empty()) << report.FailureText();
    // Every run ends with each environment under one name: switched, or as before.
    EXPECT_EQ(report.outcomes.size(), 2u) << report.OutcomeText();
    EXPECT_EQ(report.outcomes.count("A@live B@N "), 1u) << report.OutcomeText();
    EXPECT_EQ(report.outcomes.count("B@live A@P "), 1u) << report.OutcomeText();
}

INSTANTIATE_TEST_SUITE_P(
    SwitchPrograms, SwitchFaultSweep,
    ::testing::Values(SweepCase{"VelnoraOnXp", false, 5, 1, true},
                      SweepCase{"VelnoraAdmOnVista", true, 6, 0, true},
                      SweepCase{"VelnoraAdmOnWindows7", true, 6, 1, true},
                      SweepCase{"ChosenWithoutAssociation", false, 5, 1, false}),
    [](const ::testing::TestParamInfo<SweepCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velnora::testing
