// A failure at each step of the switch, in both directions: which steps the rollback reverses
// and in which order, what the user is told (both languages), and what the machine looks like
// afterwards.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "environments/activation_switch.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using environments::ActivateEnvironment;
using environments::DeactivateEnvironment;
using environments::SwitchDirection;
using platform::RegRoot;

const std::string kParkedA = ParkedKey(1);
const std::string kParkedB = ParkedKey(2);

struct ComponentName {
    const char* english;
    const char* japanese;
};
// Index = step.
const ComponentName kNames[] = {
    {"", ""},
    {"Registry of uninstallation", "レジストリのアンインストール"},
    {"Tidewatch", "タイドウォッチ"},
    {"Execution file of uninstallation", "アンインストール時実行ファイル"},
    {"Windows menu", "Windowsメニュー"},
    {"Vtx2Inst.ini file", "Vtx2Inst.iniファイル"},
    {"Registry of tidewatch", "レジストリのタイドウォッチ"},
};

std::string CannotMessage(SwitchDirection direction, int step, bool japanese) {
    const ComponentName& name = kNames[step];
    if (direction == SwitchDirection::kDeactivation)
        return japanese
                   ? std::string(name.japanese) +
                         "情報が不足していますので、\n非アクティブ状態に移行することができません。"
                   : std::string(name.english) +
                         " information is insufficient. Therefore, cannot switch over to an "
                         "deactive state.";
    return japanese ? std::string(name.japanese) +
                          "情報が不足していますので、\nアクティブ状態に移行することができません。"
                    : std::string(name.english) +
                          " information is insufficient. Therefore, cannot switch over to an "
                          "active state.";
}

std::string FolderNotFound(const std::string& path, bool japanese) {
    return (japanese ? "フォルダが見つかりません。[" : "Can not found folder. [") + path + "]";
}

// The machine before the switch: for a deactivation A is active and B parked, for an
// activation both are parked.
std::unique_ptr<SwitchMachine> Prepare(SwitchDirection direction, bool japanese) {
    auto machine = std::make_unique<SwitchMachine>();
    machine->context.texts = core::TextSet(japanese);
    machine->InstallTidewatch(false);
    const bool deactivating = direction == SwitchDirection::kDeactivation;
    machine->InstallEnvironment({deactivating ? kGuid : kParkedA, "A"});
    machine->InstallEnvironment({kParkedB, "B"});
    machine->fake.faults.Reset();
    return machine;
}

bool RunSwitch(SwitchMachine& machine, SwitchDirection direction) {
    return direction == SwitchDirection::kDeactivation
               ? DeactivateEnvironment(machine.context, kParkedA, machine.notices)
               : ActivateEnvironment(machine.context, kParkedB, machine.notices);
}

enum class Pick { kFirst, kLastBeforeScripts };

struct StepCase {
    const char* name;
    SwitchDirection direction;
    int step;
    // The call made to fail: of this operation, whose subject contains the text.
    std::string_view operation;
    std::string subject;
    Pick pick;
    std::vector<int> reversed;  // steps the rollback touches, in order
    // A folder-not-found message shown before the step's own, if any. The rollback shows none:
    // it does not reverse a failed move that left nothing at its target.
    std::optional<std::string> folderMessage;
    bool restored;  // the machine is exactly as before
};

std::optional<std::size_t> FindCall(const std::vector<fake::Call>& log, const StepCase& c) {
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (c.pick == Pick::kLastBeforeScripts && log[i].operation == fake::op::kShellExecuteEx)
            break;
        if (log[i].operation == c.operation &&
            log[i].subject.find(c.subject) != std::string::npos) {
            found = i;
            if (c.pick == Pick::kFirst)
                break;
        }
    }
    return found;
}

std::vector<StepCase> StepCases() {
    const auto de = SwitchDirection::kDeactivation;
    const auto act = SwitchDirection::kActivation;
    namespace op = fake::op;
    return {
        {"Deactivation1", de, 1, op::kDeleteKey, paths::Entry(kGuid), Pick::kFirst, {1}, {}, true},
        {"Deactivation2",
         de,
         2,
         op::kMoveFile,
         paths::TidewatchFolder(kGuid),
         Pick::kFirst,
         {1},
         {},
         true},
        {"Deactivation3",
         de,
         3,
         op::kMoveFile,
         paths::InstallerInfo(kGuid),
         Pick::kFirst,
         {1, 2},
         {},
         true},
        {"Deactivation4",
         de,
         4,
         op::kSetAttributes,
         paths::StartMenu(kParkedA),
         Pick::kFirst,
         {1, 2, 3, 4},
         {},
         true},
        {"Deactivation5",
         de,
         5,
         op::kDeleteFile,
         paths::ToolRecord(kGuid),
         Pick::kFirst,
         {1, 2, 3, 4, 5},
         {},
         true},
        {"Deactivation6",
         de,
         6,
         op::kDeleteValue,
         "ClientInfo",
         Pick::kFirst,
         {1, 2, 3, 4, 5, 6},
         {},
         true},
        {"Deactivation7",
         de,
         7,
         op::kSetValue,
         "Owner",
         Pick::kFirst,
         {1, 2, 3, 4, 5, 6, 7},
         {},
         true},
        {"Deactivation8",
         de,
         8,
         op::kOpenKey,
         paths::Entry(kParkedA),
         Pick::kLastBeforeScripts,
         {1, 2, 3, 4, 5, 6, 7, 8},
         {},
         true},
        {"Activation1",
         act,
         1,
         op::kDeleteKey,
         paths::Entry(kParkedB),
         Pick::kFirst,
         {1},
         {},
         true},
        {"Activation2",
         act,
         2,
         op::kMoveFile,
         paths::TidewatchFolder(kParkedB),
         Pick::kFirst,
         {1},
         {},
         true},
        {"Activation3",
         act,
         3,
         op::kMoveFile,
         paths::InstallerInfo(kParkedB),
         Pick::kFirst,
         {1, 2},
         {},
         true},
        {"Activation4",
         act,
         4,
         op::kMoveFile,
         paths::StartMenu(kParkedB),
         Pick::kFirst,
         {1, 2, 3},
         {},
         true},
        {"Activation5",
         act,
         5,
         op::kDeleteFile,
         paths::ToolRecord(kParkedB),
         Pick::kFirst,
         {1, 2, 3, 4, 5},
         {},
         true},
        {"Activation6",
         act,
         6,
         op::kDeleteKey,
         paths::TidewatchRegistration(kParkedB),
         Pick::kFirst,
         {1, 2, 3, 4, 5, 6},
         {},
         true},
        // The live association keys stay where step 7 put them.
        {"Activation7",
         act,
         7,
         op::kSetValue,
         "Owner",
         Pick::kFirst,
         {1, 2, 3, 4, 5, 6, 7},
         {},
         false},
        {"Activation8",
         act,
         8,
         op::kOpenKey,
         paths::Entry(kGuid),
         Pick::kLastBeforeScripts,
         {1, 2, 3, 4, 5, 6, 7, 8},
         {},
         false},
    };
}

class SwitchStepFailure : public ::testing::TestWithParam<StepCase> {};

TEST_P(SwitchStepFailure, RollsBackInStepOrderAndNamesTheComponent) {
    const StepCase& c = GetParam();
    auto reference = Prepare(c.direction, false);
    ASSERT_TRUE(RunSwitch(*reference, c.direction));
    const auto referenceLog = reference->fake.faults.Log();
    const auto fault = FindCall(referenceLog, c);
    ASSERT_TRUE(fault.has_value()) << "no call to fail";
    const Material a =
        Prepare(c.direction, false)
            ->Capture({c.direction == SwitchDirection::kDeactivation ? kGuid : kParkedA, "A"});
    const Material b = Prepare(c.direction, false)->Capture({kParkedB, "B"});

    for (const bool japanese : {false, true}) {
        SCOPED_TRACE(japanese ? "Japanese" : "English");
        auto machine = Prepare(c.direction, japanese);
        const std::string before = machine->State();
        machine->fake.faults.FailAt(c.operation, OccurrenceOf(referenceLog, *fault),
                                    platform::error::kAccessDenied);

        EXPECT_FALSE(RunSwitch(*machine, c.direction));
        machine->fake.faults.Clear();

        EXPECT_EQ(StepsTouched(machine->fake.faults.Log(), *fault + 1), c.reversed);

        std::vector<std::string> expected;
        if (c.folderMessage)
            expected.push_back(FolderNotFound(*c.folderMessage, japanese));
        if (c.step <= 6)
            expected.push_back(CannotMessage(c.direction, c.step, japanese));
        EXPECT_EQ(machine->NoticeTexts(), expected);
        EXPECT_TRUE(machine->MessageTexts().empty());
        for (const core::Notice& notice : machine->notices) {
            EXPECT_EQ(core::CaptionText(machine->context, notice.caption),
                      japanese ? "エラー" : "Error");
            EXPECT_EQ(notice.style, platform::mb::kOk | platform::mb::kIconError);
            EXPECT_FALSE(notice.overPage);
        }

        if (c.restored) {
            EXPECT_EQ(machine->State(), before);
        }
        const std::vector<std::string> names{kGuid, kParkedA, kParkedB};
        EXPECT_TRUE(machine->Losses(a, names).empty());
        EXPECT_TRUE(machine->Losses(b, names).empty());
        EXPECT_EQ(machine->fake.registry.OpenKeyCount(), 0u);
        EXPECT_EQ(machine->fake.files.OpenListings(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(SwitchSteps, SwitchStepFailure, ::testing::ValuesIn(StepCases()),
                         [](const ::testing::TestParamInfo<StepCase>& info) {
                             return std::string(info.param.name);
                         });

// --- What the failures of steps 7 and 8 leave behind ---------------------------------------

class SwitchStepFailureDetails : public ::testing::Test {
  protected:
    // Fails the step of `c` on a fresh machine and returns it.
    std::unique_ptr<SwitchMachine> FailStep(const std::string& caseName) {
        for (const StepCase& c : StepCases()) {
            if (c.name != caseName)
                continue;
            auto reference = Prepare(c.direction, false);
            RunSwitch(*reference, c.direction);
            const auto log = reference->fake.faults.Log();
            const auto fault = FindCall(log, c);
            auto machine = Prepare(c.direction, false);
            machine->fake.faults.FailAt(c.operation, OccurrenceOf(log, *fault),
                                        platform::error::kAccessDenied);
            RunSwitch(*machine, c.direction);
            machine->fake.faults.Clear();
            return machine;
        }
        ADD_FAILURE() << "no case " << caseName;
        return nullptr;
    }
};

TEST_F(SwitchStepFailureDetails, FailedRegistrationStartsTheParkedEnvironmentsUnregisterScripts) {
    auto machine = FailStep("Activation8");
    const auto& executed = machine->fake.shell.Executed();
    ASSERT_FALSE(executed.empty());
    EXPECT_EQ(executed.back().file, "C:\\Vantorix\\EnvB\\ALL_UNREGISTERSERVER.bat");
    // B is parked again with its own association under its parked name; the live keys stay.
    EXPECT_EQ(machine->fake.registry.GetText(RegRoot::ClassesRoot,
                                             paths::Association(kParkedB) + "\\DefaultIcon", ""),
              "C:\\Vantorix\\EnvB\\VTX2.exe,1");
    EXPECT_EQ(
        machine->fake.registry.GetText(RegRoot::ClassesRoot, "VTX_Workspace\\DefaultIcon", ""),
        "C:\\Vantorix\\EnvB\\VTX2.exe,1");
    EXPECT_TRUE(machine->fake.registry.KeyExists(RegRoot::LocalMachine, paths::Entry(kParkedB)));
    EXPECT_FALSE(machine->fake.registry.KeyExists(RegRoot::LocalMachine, paths::Entry(kGuid)));
}

TEST_F(SwitchStepFailureDetails, FailedUnregistrationRegistersTheServersOfTheActiveAgain) {
    auto machine = FailStep("Deactivation8");
    const auto& executed = machine->fake.shell.Executed();
    ASSERT_EQ(executed.size(), 1u);
    EXPECT_EQ(executed[0].file, "C:\\Vantorix\\EnvA\\ALL_REGISTERSERVER.bat");
}

TEST_F(SwitchStepFailureDetails, FailedAssociationCopyOnActivationLeavesTheParkedOneWhole) {
    auto machine = FailStep("Activation7");
    EXPECT_EQ(
        machine->fake.registry.GetText(
            RegRoot::ClassesRoot, paths::Association(kParkedB) + "\\shell\\open\\command", "Owner"),
        "workspace of B");
    EXPECT_TRUE(machine->fake.registry.KeyExists(RegRoot::ClassesRoot, "VTX_Workspace"));
}

// --- Pre-check -----------------------------------------------------------------------------

struct PrecheckCase {
    const char* name;
    SwitchDirection direction;
    void (*breakMachine)(SwitchMachine& machine);
    int step;  // component named in the message
};

const PrecheckCase kPrecheckCases[] = {
    {"ParkedInstallerInfoMissing", SwitchDirection::kActivation,
     [](SwitchMachine& m) { m.fake.files.Remove(paths::InstallerInfo(kParkedB)); }, 3},
    {"InstallerInfoRootMissing", SwitchDirection::kDeactivation,
     [](SwitchMachine& m) { m.fake.files.Remove(paths::kInstallerInfoRoot); }, 3},
    {"ParkedEntryMissing", SwitchDirection::kActivation,
     [](SwitchMachine& m) {
         m.fake.registry.RemoveKey(platform::RegRoot::LocalMachine, paths::Entry(kParkedB));
     },
     1},
    {"ProgramsFolderUnknown", SwitchDirection::kDeactivation,
     [](SwitchMachine& m) { m.fake.shell.RemoveSpecialFolder(platform::csidl::kCommonPrograms); },
     4},
    {"WindowsFolderUnknown", SwitchDirection::kActivation,
     [](SwitchMachine& m) { m.fake.shell.RemoveSpecialFolder(platform::csidl::kWindows); }, 5},
};

class SwitchPrecheck : public ::testing::TestWithParam<PrecheckCase> {};

TEST_P(SwitchPrecheck, RefusesWithTheComponentAndMovesNothing) {
    const PrecheckCase& c = GetParam();
    for (const bool japanese : {false, true}) {
        auto machine = Prepare(c.direction, japanese);
        c.breakMachine(*machine);
        const std::string before = machine->State();

        EXPECT_FALSE(RunSwitch(*machine, c.direction));

        EXPECT_EQ(machine->NoticeTexts(),
                  std::vector<std::string>{CannotMessage(c.direction, c.step, japanese)});
        EXPECT_EQ(machine->State(), before);
        EXPECT_TRUE(StepsTouched(machine->fake.faults.Log()).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(SwitchCases, SwitchPrecheck, ::testing::ValuesIn(kPrecheckCases),
                         [](const ::testing::TestParamInfo<PrecheckCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(SwitchPrecheckCodes, NameTheMissingPiece) {
    SwitchMachine machine;
    machine.InstallEnvironment({kParkedB, "B"});
    EXPECT_EQ(environments::CheckEnvironmentComponents(machine.context, kParkedB),
              environments::precheck::kComplete);
    EXPECT_EQ(environments::CheckEnvironmentComponents(machine.context, kParkedA),
              environments::precheck::kUninstallEntry);
    machine.fake.registry.SetText(RegRoot::LocalMachine, paths::Entry(kParkedA), "X", "y");
    EXPECT_EQ(environments::CheckEnvironmentComponents(machine.context, kParkedA),
              environments::precheck::kInstallerInfo);
}

}  // namespace
}  // namespace velnora::testing
