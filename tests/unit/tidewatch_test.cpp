#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "environments/tidewatch.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using namespace environments;
using platform::RegRoot;

class Tidewatch : public ::testing::Test {
  protected:
    std::optional<platform::RegValue> Flag() {
        return machine.fake.registry.Get(RegRoot::LocalMachine, paths::Entry(kGuid),
                                         "TidewatchEnable");
    }
    void SetFlag(std::uint32_t value) {
        machine.fake.registry.SetDword(RegRoot::LocalMachine, paths::Entry(kGuid),
                                       "TidewatchEnable", value);
    }
    bool Running() { return machine.fake.processes.IsImageRunning(paths::kTidewatchProgram); }

    SwitchMachine machine;
};

TEST_F(Tidewatch, SettingOfAMissingKeyIsEmpty) {
    std::string out = "x";
    EXPECT_TRUE(ReadTidewatchSetting(machine.context.platform.registry, "Location", out));
    EXPECT_EQ(out, "");
    EXPECT_TRUE(RefreshTidewatchProgramName(machine.context));
    EXPECT_EQ(machine.context.tidewatchProgramName, "Tidewatch.exe");
}

TEST_F(Tidewatch, UnreadableKeyFailsTheRefresh) {
    machine.InstallTidewatch(false);
    machine.fake.faults.FailAt(fake::op::kOpenKey, 1, platform::error::kAccessDenied);
    EXPECT_FALSE(RefreshTidewatchProgramName(machine.context));
}

struct NameCase {
    const char* location;
    const char* name;
};

class TidewatchProgramName : public Tidewatch, public ::testing::WithParamInterface<NameCase> {};

TEST_P(TidewatchProgramName, IsTheFileNameOfLocation) {
    machine.fake.registry.SetText(RegRoot::LocalMachine, paths::kTidewatchKey, "Location",
                                  GetParam().location);
    ASSERT_TRUE(RefreshTidewatchProgramName(machine.context));
    EXPECT_EQ(machine.context.tidewatchProgramName, GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(TidewatchLocations, TidewatchProgramName,
                         ::testing::Values(NameCase{"C:\\Orvessa\\TW\\TwAgent.EXE", "TwAgent.EXE"},
                                           NameCase{"TwAgent.exe", "TwAgent.exe"},
                                           NameCase{"C:\\Orvessa\\TW\\", "Tidewatch.exe"},
                                           NameCase{"", "Tidewatch.exe"}));

// StopTidewatch with either way of walking the processes.
struct StopCase {
    const char* name;
    bool psapi;
    const char* runningImage;  // nullptr: not running
    std::uint32_t flag;
};

class TidewatchStop : public Tidewatch, public ::testing::WithParamInterface<StopCase> {};

TEST_P(TidewatchStop, EndsItAndRecordsWhetherItRan) {
    const StopCase& c = GetParam();
    machine.context.processApi.usePsapi = c.psapi;
    machine.InstallEnvironment({kGuid, "A"});
    machine.InstallTidewatch(false);
    std::uint32_t pid = 0;
    if (c.runningImage)
        pid = machine.fake.processes.AddRunningProcess(c.runningImage);

    EXPECT_TRUE(StopTidewatch(machine.context));
    EXPECT_EQ(Flag()->data, platform::DwordValue(c.flag).data);
    if (c.runningImage) {
        const auto state = machine.fake.processes.Process(pid);
        EXPECT_TRUE(state->terminated);
        EXPECT_EQ(state->exitCode, 0u);
    }
    EXPECT_EQ(machine.fake.processes.OpenHandleCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    TidewatchMethods, TidewatchStop,
    ::testing::Values(StopCase{"ToolhelpRunning", false, "C:\\Orvessa\\Tidewatch.exe", 1},
                      StopCase{"ToolhelpOtherLetterCase", false, "C:\\Orvessa\\TIDEWATCH.EXE", 1},
                      StopCase{"ToolhelpNotRunning", false, nullptr, 0},
                      StopCase{"PsapiRunning", true, "C:\\Orvessa\\tidewatch.exe", 1},
                      StopCase{"PsapiNotRunning", true, nullptr, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Tidewatch, NotInstalledRecordsZeroAndSucceeds) {
    machine.InstallEnvironment({kGuid, "A"});
    SetFlag(1);
    EXPECT_TRUE(StopTidewatch(machine.context));
    EXPECT_EQ(Flag()->data, platform::DwordValue(0).data);
}

TEST_F(Tidewatch, OnlyTheFirstMatchingProcessIsEnded) {
    machine.InstallEnvironment({kGuid, "A"});
    machine.InstallTidewatch(false);
    const auto first = machine.fake.processes.AddRunningProcess(paths::kTidewatchProgram);
    const auto second = machine.fake.processes.AddRunningProcess(paths::kTidewatchProgram);
    EXPECT_TRUE(EndProgram(machine.context, "tidewatch.exe"));
    EXPECT_TRUE(machine.fake.processes.Process(first)->terminated);
    EXPECT_FALSE(machine.fake.processes.Process(second)->terminated);
}

TEST_F(Tidewatch, RunningButNotEndableFailsTheStop) {
    machine.InstallEnvironment({kGuid, "A"});
    machine.InstallTidewatch(false);
    const auto pid = machine.fake.processes.AddRunningProcess(paths::kTidewatchProgram);
    machine.fake.processes.DenyOpen(pid);
    EXPECT_FALSE(StopTidewatch(machine.context));
    EXPECT_TRUE(Running());
}

TEST_F(Tidewatch, WithoutActiveEnvironmentNothingIsRecorded) {
    machine.InstallTidewatch(true);
    EXPECT_TRUE(StopTidewatch(machine.context));
    EXPECT_FALSE(Running());
    EXPECT_FALSE(machine.fake.registry.KeyExists(RegRoot::LocalMachine, paths::Entry(kGuid)));
}

TEST_F(Tidewatch, RefusedRecordFailsTheStop) {
    machine.InstallEnvironment({kGuid, "A"});
    machine.fake.faults.FailAt(fake::op::kSetValue, 1, platform::error::kAccessDenied);
    EXPECT_FALSE(StopTidewatch(machine.context));
}

struct ShouldStartCase {
    const char* name;
    std::optional<std::uint32_t> flag;
    bool programThere;
    bool start;
    std::optional<std::uint32_t> flagAfter;
};

class TidewatchShouldStart : public Tidewatch,
                             public ::testing::WithParamInterface<ShouldStartCase> {};

TEST_P(TidewatchShouldStart, WhenTheActiveEnvironmentHadItRunning) {
    const ShouldStartCase& c = GetParam();
    machine.InstallTidewatch(false);
    machine.fake.registry.AddKey(RegRoot::LocalMachine, paths::Entry(kGuid));
    if (c.flag)
        SetFlag(*c.flag);
    if (!c.programThere)
        machine.fake.files.Remove(paths::kTidewatchProgram);

    EXPECT_EQ(ShouldStartTidewatch(machine.context), c.start);
    if (c.flagAfter) {
        EXPECT_EQ(Flag()->data, platform::DwordValue(*c.flagAfter).data);
    } else {
        EXPECT_FALSE(Flag());
    }
}

INSTANTIATE_TEST_SUITE_P(
    TidewatchFlags, TidewatchShouldStart,
    ::testing::Values(ShouldStartCase{"Enabled", 1, true, true, 1},
                      ShouldStartCase{"Disabled", 0, true, false, 0},
                      ShouldStartCase{"OnlyLowestByteCounts", 256, true, false, 256},
                      ShouldStartCase{"NoFlag", std::nullopt, true, false, std::nullopt},
                      ShouldStartCase{"ProgramGoneResetsTheFlag", 1, false, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Tidewatch, NoActiveEnvironmentNeverStartsIt) {
    machine.InstallTidewatch(false);
    EXPECT_FALSE(ShouldStartTidewatch(machine.context));
}

TEST_F(Tidewatch, StartWritesTheStartupShortcutAndOpensIt) {
    machine.InstallTidewatch(false);
    ASSERT_TRUE(StartTidewatch(machine.context));

    const auto link = machine.fake.shell.Shortcut(paths::kStartupLink);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->target, paths::kTidewatchProgram);
    EXPECT_EQ(link->arguments, "-autorun");
    EXPECT_EQ(link->showCommand, 1);
    EXPECT_EQ(link->description, "");
    EXPECT_EQ(link->workingFolder, "");
    EXPECT_EQ(link->iconPath, "");
    const auto& executed = machine.fake.shell.Executed();
    ASSERT_EQ(executed.size(), 1u);
    EXPECT_EQ(executed[0].file, paths::kStartupLink);
    EXPECT_EQ(executed[0].verb, "");
    EXPECT_EQ(executed[0].showCommand, 6);
    EXPECT_TRUE(Running());
    EXPECT_EQ(machine.fake.ui.WaitCursorCalls(), (std::vector<bool>{true, false}));
}

TEST_F(Tidewatch, ShortcutThatCannotBeWrittenStartsNothing) {
    machine.InstallTidewatch(false);
    platform::ShortcutData old;
    old.target = paths::kTidewatchProgram;
    machine.fake.shell.AddShortcut(paths::kStartupLink, old);
    machine.fake.faults.FailAt(fake::op::kCreateShortcut, 1, platform::error::kAccessDenied);
    EXPECT_TRUE(StartTidewatch(machine.context));
    EXPECT_TRUE(machine.fake.shell.Executed().empty());
    EXPECT_FALSE(Running());
}

TEST_F(Tidewatch, StartFailsWhenLocationCannotBeRead) {
    machine.InstallTidewatch(false);
    machine.fake.faults.FailAt(fake::op::kOpenKey, 1, platform::error::kAccessDenied);
    EXPECT_FALSE(StartTidewatch(machine.context));
    EXPECT_FALSE(machine.fake.files.Exists(paths::kStartupLink));
}

TEST_F(Tidewatch, StartupFolderThatCannotBeMadeFailsTheStart) {
    machine.InstallTidewatch(false);
    machine.fake.shell.RemoveSpecialFolder(platform::csidl::kCommonStartup);
    EXPECT_FALSE(StartTidewatch(machine.context));
    EXPECT_TRUE(machine.fake.shell.Executed().empty());
}

}  // namespace
}  // namespace velnora::testing
