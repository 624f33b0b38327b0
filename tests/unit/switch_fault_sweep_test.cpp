// "Nothing may be lost": a complete change of the active environment is run once to learn every
// platform call it makes, and then once more for every one of those calls with that single call
// failing. Whatever the switch and its rollback make of the failure, every environment's
// material must still exist, complete, under a live or a parked name, and a fresh enumeration
// must list every environment.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "environments/activation_switch.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using environments::ChangeActiveEnvironment;
using environments::ChangeResult;

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

// Where each environment's uninstall entry ended up: "A@live B@parked" and the like.
std::string Outcome(SwitchMachine& machine) {
    std::string outcome;
    for (const std::string& name : {kGuid, ParkedKey(2), FirstGuidName()}) {
        const auto location = machine.fake.registry.GetText(platform::RegRoot::LocalMachine,
                                                            paths::Entry(name), "InstallLocation");
        if (!location)
            continue;
        const std::string where = name == kGuid ? "live" : (name == ParkedKey(2) ? "N" : "P");
        outcome += location->substr(location->size() - 1) + "@" + where + " ";
    }
    return outcome;
}

class SwitchFaultSweep : public ::testing::TestWithParam<SweepCase> {};

TEST_P(SwitchFaultSweep, NothingIsLostWhicheverCallFails) {
    const SweepCase& c = GetParam();
    auto reference = Prepare(c);
    const Material a = reference->Capture(kActiveA);
    const Material b = reference->Capture(ParkedB(c));
    ASSERT_EQ(ChangeActiveEnvironment(reference->context, ParkedKey(2)), ChangeResult::kChanged);
    const std::vector<fake::Call> log = reference->fake.faults.Log();
    const std::vector<std::string> names{kGuid, ParkedKey(2), FirstGuidName()};
    ASSERT_TRUE(reference->Losses(a, names).empty());
    ASSERT_TRUE(reference->Losses(b, names).empty());
    ASSERT_GT(log.size(), 200u);

    std::vector<std::string> failures;
    std::map<std::string, int> outcomes;
    for (std::size_t i = 0; i < log.size(); ++i) {
        auto machine = Prepare(c);
        machine->fake.faults.FailAt(log[i].operation, OccurrenceOf(log, i),
                                    platform::error::kAccessDenied);
        ChangeActiveEnvironment(machine->context, ParkedKey(2));
        machine->fake.faults.Clear();

        std::vector<std::string> problems = machine->Losses(a, names);
        const auto lostB = machine->Losses(b, names);
        problems.insert(problems.end(), lostB.begin(), lostB.end());
        const auto listed = machine->ListedLocations();
        for (const Material* m : {&a, &b})
            if (std::count(listed.begin(), listed.end(), m->location) == 0)
                problems.push_back(m->tag + ": not listed");
        ++outcomes[Outcome(*machine)];
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
                                  << " runs lost material:\n"
                                  << report.str();
    // Every run ends with each environment under one name: switched, or as before.
    std::ostringstream seen;
    for (const auto& [outcome, count] : outcomes)
        seen << "[" << outcome << "] x" << count << "\n";
    EXPECT_EQ(outcomes.size(), 2u) << seen.str();
    EXPECT_EQ(outcomes.count("A@live B@N "), 1u) << seen.str();
    EXPECT_EQ(outcomes.count("B@live A@P "), 1u) << seen.str();
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
