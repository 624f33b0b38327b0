// Every failed change of the platform is in the operation's log: VelnoraCmd's switch is run once
// to learn its calls, then once for each registry, file and settings change failing alone, and
// the run's log must name that call's key, value, file or move.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/cmd_program.h"
#include "fake/fault_sweep.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

constexpr char kLogStart[] = "C:\\TEMP\\Velnora-";

const std::set<std::string> kNotedChanges = {"CreateKey",       "SetValue",      "DeleteKey",
                                             "DeleteValue",     "SetAttributes", "MoveFile",
                                             "CopyFile",        "DeleteFile",    "CreateDirectory",
                                             "RemoveDirectory", "WriteFile",     "WriteString"};

std::unique_ptr<SwitchMachine> Prepare() {
    auto machine = std::make_unique<SwitchMachine>();
    machine->fake.session.SetProgramPath("C:\\Media\\VelnoraCmd.exe");
    machine->InstallTidewatch(true);
    machine->InstallEnvironment({kGuid, "A"});
    machine->InstallEnvironment({ParkedKey(2), "B"});
    machine->fake.faults.Reset();
    return machine;
}

// The log the run printed the path of.
std::string RunLogOf(SwitchMachine& machine) {
    const std::string& err = machine.fake.console.Error();
    const auto at = err.find(kLogStart);
    if (at == std::string::npos)
        return {};
    const auto end = err.find('\n', at);
    std::string log;
    machine.fake.files.ReadText(err.substr(at, end == std::string::npos ? end : end - at), log);
    return log;
}

TEST(ChangeFailures, EveryFailedChangeOfASwitchIsInItsLog) {
    auto reference = Prepare();
    ASSERT_EQ(app::RunVelnoraCmd(reference->fake.Get(), {"switch", ParkedKey(2)}), 0);
    const std::vector<fake::Call> calls = reference->fake.faults.Log();
    EXPECT_THAT(RunLogOf(*reference), ::testing::Not(::testing::HasSubstr("platform: ")));

    int swept = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const fake::Call& call = calls[i];
        // The log's own writes are not the operation's.
        if (kNotedChanges.count(call.operation) == 0 || call.subject.starts_with(kLogStart))
            continue;
        ++swept;
        auto machine = Prepare();
        machine->fake.faults.FailAt(call.operation, fake::OccurrenceOf(calls, i),
                                    platform::error::kAccessDenied);
        try {
            app::RunVelnoraCmd(machine->fake.Get(), {"switch", ParkedKey(2)});
        } catch (const fake::ProcessExited&) {
        }
        machine->fake.faults.Clear();
        const std::string log = RunLogOf(*machine);
        const std::string trace = call.operation + " " + call.subject;
        EXPECT_THAT(log, ::testing::HasSubstr("platform: ")) << trace;
        EXPECT_THAT(log, ::testing::HasSubstr(call.subject)) << trace;
    }
    EXPECT_GT(swept, 50);
    std::cout << swept << " failed changes swept\n";
}

}  // namespace
}  // namespace velnora::testing
