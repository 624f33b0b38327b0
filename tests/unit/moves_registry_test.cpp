// The registry moves: the uninstall entry (step 1), Tidewatch's "ClientInfo" (step 6) and the
// workspace file association (step 7).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "environments/component_moves.h"
#include "environments/registry_moves.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using namespace environments;
using platform::RegRoot;
using platform::RegValue;

const std::string kParked = ParkedKey(1);

class MovesUninstallEntry : public ::testing::Test {
  protected:
    MovesUninstallEntry() {
        machine.InstallEnvironment({kGuid, "A"});
        machine.fake.faults.Reset();
    }
    std::optional<std::string> Text(const std::string& key, const std::string& name) {
        return machine.fake.registry.GetText(RegRoot::LocalMachine, paths::Entry(key), name);
    }

    SwitchMachine machine;
};

TEST_F(MovesUninstallEntry, ParksEveryValueWithTheDisplayNameHiddenAndTheKeyNameFollowed) {
    const auto before =
        machine.fake.registry.ValueNames(RegRoot::LocalMachine, paths::Entry(kGuid));
    ASSERT_TRUE(DeactivateUninstallEntry(machine.context, kParked, machine.notices));

    EXPECT_FALSE(machine.fake.registry.KeyExists(RegRoot::LocalMachine, paths::Entry(kGuid)));
    auto expectedNames = before;
    std::replace(expectedNames.begin(), expectedNames.end(), std::string("DisplayName"),
                 std::string("_DisplayName"));
    EXPECT_EQ(machine.fake.registry.ValueNames(RegRoot::LocalMachine, paths::Entry(kParked)),
              expectedNames);
    EXPECT_EQ(Text(kParked, "_DisplayName"), "Vantorix A");
    EXPECT_EQ(Text(kParked, "LogFile"), paths::InstallerInfo(kParked) + "\\setup.ilg");
    EXPECT_EQ(Text(kParked, "UninstallString"),
              "RunDll32 C:\\PROGRA~1\\COMMON~1\\engine\\Ctor.dll,LaunchSetup \"" +
                  paths::InstallerInfo(kParked) + "\\setup.exe\" -l0x9 -removeonly");
    const auto icon =
        machine.fake.registry.Get(RegRoot::LocalMachine, paths::Entry(kParked), "DisplayIcon");
    EXPECT_EQ(icon->type, platform::regtype::kExpandString);
    EXPECT_EQ(
        machine.fake.registry.Get(RegRoot::LocalMachine, paths::Entry(kParked), "Setup Record")
            ->type,
        platform::regtype::kBinary);

    ASSERT_TRUE(ActivateUninstallEntry(machine.context, kParked, machine.notices));
    EXPECT_FALSE(machine.fake.registry.KeyExists(RegRoot::LocalMachine, paths::Entry(kParked)));
    EXPECT_EQ(machine.fake.registry.ValueNames(RegRoot::LocalMachine, paths::Entry(kGuid)), before);
    EXPECT_EQ(Text(kGuid, "LogFile"), paths::InstallerInfo(kGuid) + "\\setup.ilg");
}

TEST_F(MovesUninstallEntry, OnlyTheFirstOccurrenceOfTheNameIsReplaced) {
    machine.fake.registry.SetText(RegRoot::LocalMachine, paths::Entry(kGuid), "LogFile",
                                  kGuid + "\\" + kGuid);
    machine.fake.registry.SetText(RegRoot::LocalMachine, paths::Entry(kGuid), "UninstallString",
                                  "msiexec /x something");
    ASSERT_TRUE(DeactivateUninstallEntry(machine.context, kParked, machine.notices));
    EXPECT_EQ(Text(kParked, "LogFile"), kParked + "\\" + kGuid);
    EXPECT_EQ(Text(kParked, "UninstallString"), "msiexec /x something");
}

TEST_F(MovesUninstallEntry, ValueTooLongForTheBufferFailsBeforeTheOldEntryGoes) {
    machine.fake.registry.SetText(RegRoot::LocalMachine, paths::Entry(kGuid), "Comments",
                                  std::string(1500, 'x'));
    EXPECT_FALSE(DeactivateUninstallEntry(machine.context, kParked, machine.notices));
    EXPECT_EQ(Text(kGuid, "Comments")->size(), 1500u);
    EXPECT_TRUE(machine.fake.registry.KeyExists(RegRoot::LocalMachine, paths::Entry(kParked)));
}

TEST_F(MovesUninstallEntry, RefusedWriteKeepsTheOldEntry) {
    machine.fake.faults.FailAt(fake::op::kSetValue, 3, platform::error::kAccessDenied);
    EXPECT_FALSE(DeactivateUninstallEntry(machine.context, kParked, machine.notices));
    EXPECT_EQ(Text(kGuid, "InstallLocation"), "C:\\Vantorix\\EnvA");
    EXPECT_EQ(Text(kGuid, "DisplayName"), "Vantorix A");
}

TEST_F(MovesUninstallEntry, EntryWithASubkeyCannotMove) {
    machine.fake.registry.AddKey(RegRoot::LocalMachine, paths::Entry(kGuid) + "\\Extra");
    EXPECT_FALSE(DeactivateUninstallEntry(machine.context, kParked, machine.notices));
    EXPECT_TRUE(machine.fake.registry.KeyExists(RegRoot::LocalMachine, paths::Entry(kGuid)));
    EXPECT_EQ(Text(kParked, "_DisplayName"), "Vantorix A");
}

TEST_F(MovesUninstallEntry, MissingSourceFailsWithoutCreatingTheTarget) {
    EXPECT_FALSE(ActivateUninstallEntry(machine.context, kParked, machine.notices));
    EXPECT_FALSE(machine.fake.registry.KeyExists(RegRoot::LocalMachine, paths::Entry(kParked)));
}

// --- Tidewatch registration ----------------------------------------------------------------

class MovesTidewatchRegistration : public ::testing::Test {
  protected:
    std::optional<std::string> ClientInfo(const std::string& keyName) {
        return machine.fake.registry.GetText(RegRoot::LocalMachine,
                                             paths::TidewatchRegistration(keyName), "ClientInfo");
    }
    bool KeyExists(const std::string& path) {
        return machine.fake.registry.KeyExists(RegRoot::LocalMachine, path);
    }

    SwitchMachine machine;
};

TEST_F(MovesTidewatchRegistration, ClientInfoAloneTravelsAndComesBack) {
    machine.InstallTidewatch(false);
    machine.fake.registry.Set(RegRoot::LocalMachine, paths::kTidewatchKey, "ClientInfo",
                              platform::StringValue("client", platform::regtype::kExpandString));

    ASSERT_TRUE(DeactivateTidewatchRegistration(machine.context, kParked, machine.notices));
    EXPECT_EQ(machine.fake.registry.ValueNames(RegRoot::LocalMachine, paths::kTidewatchKey),
              (std::vector<std::string>{"Location", "Version"}));
    const auto parked = machine.fake.registry.Get(
        RegRoot::LocalMachine, paths::TidewatchRegistration(kParked), "ClientInfo");
    ASSERT_TRUE(parked);
    EXPECT_EQ(parked->type, platform::regtype::kExpandString);

    ASSERT_TRUE(ActivateTidewatchRegistration(machine.context, kParked, machine.notices));
    EXPECT_FALSE(KeyExists(paths::TidewatchRegistration(kParked)));
    EXPECT_EQ(ClientInfo(kGuid), "client");
}

TEST_F(MovesTidewatchRegistration, WithoutTheMakersKeyTheParkedKeyIsCreated) {
    ASSERT_TRUE(DeactivateTidewatchRegistration(machine.context, kParked, machine.notices));
    EXPECT_TRUE(KeyExists(paths::TidewatchRegistration(kParked)));
    EXPECT_FALSE(KeyExists(paths::kTidewatchKey));
}

TEST_F(MovesTidewatchRegistration, LiveKeyWithoutClientInfoGivesAnEmptyParkedKey) {
    machine.InstallTidewatch(false);
    ASSERT_TRUE(DeactivateTidewatchRegistration(machine.context, kParked, machine.notices));
    EXPECT_TRUE(machine.fake.registry
                    .ValueNames(RegRoot::LocalMachine, paths::TidewatchRegistration(kParked))
                    .empty());
}

TEST_F(MovesTidewatchRegistration, ActivationWithoutParkedKeyLeavesTheLiveKeyAlone) {
    machine.InstallTidewatch(false);
    const std::string before = machine.fake.registry.Dump(RegRoot::LocalMachine, "SOFTWARE");
    ASSERT_TRUE(ActivateTidewatchRegistration(machine.context, kParked, machine.notices));
    EXPECT_EQ(machine.fake.registry.Dump(RegRoot::LocalMachine, "SOFTWARE"), before);
}

TEST_F(MovesTidewatchRegistration, LongClientInfoIsMovedWhole) {
    machine.InstallTidewatch(false);
    const std::string big(3000, 'c');
    machine.fake.registry.SetText(RegRoot::LocalMachine, paths::kTidewatchKey, "ClientInfo", big);
    ASSERT_TRUE(DeactivateTidewatchRegistration(machine.context, kParked, machine.notices));
    EXPECT_EQ(ClientInfo(kParked), big);
    EXPECT_FALSE(ClientInfo(kGuid));
}

// A key that cannot be opened is not a missing key: nothing is created, and the value stays.
struct UnreadableCase {
    const char* name;
    int failingOpen;  // OpenKey occurrence: 1 the maker's key, 2 the source key
    bool activation;
};

class MovesTidewatchRegistrationUnreadable : public MovesTidewatchRegistration,
                                             public ::testing::WithParamInterface<UnreadableCase> {
};

TEST_P(MovesTidewatchRegistrationUnreadable, FailsAndKeepsTheValue) {
    const UnreadableCase& c = GetParam();
    machine.InstallTidewatch(false);
    const std::string source =
        c.activation ? paths::TidewatchRegistration(kParked) : paths::kTidewatchKey;
    machine.fake.registry.SetText(RegRoot::LocalMachine, source, "ClientInfo", "mine");
    const std::string before = machine.fake.registry.Dump(RegRoot::LocalMachine, "SOFTWARE");
    machine.fake.faults.FailAt(fake::op::kOpenKey, c.failingOpen, platform::error::kAccessDenied);

    EXPECT_FALSE(c.activation
                     ? ActivateTidewatchRegistration(machine.context, kParked, machine.notices)
                     : DeactivateTidewatchRegistration(machine.context, kParked, machine.notices));
    EXPECT_EQ(machine.fake.registry.Dump(RegRoot::LocalMachine, "SOFTWARE"), before);
}

INSTANTIATE_TEST_SUITE_P(MovesOpens, MovesTidewatchRegistrationUnreadable,
                         ::testing::Values(UnreadableCase{"ParkMakersKey", 1, false},
                                           UnreadableCase{"ParkLiveKey", 2, false},
                                           UnreadableCase{"ActivateMakersKey", 1, true},
                                           UnreadableCase{"ActivateParkedKey", 2, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MovesTidewatchRegistration, RefusedWriteKeepsClientInfoLive) {
    machine.InstallTidewatch(false);
    machine.fake.registry.SetText(RegRoot::LocalMachine, paths::kTidewatchKey, "ClientInfo", "x");
    machine.fake.faults.FailAt(fake::op::kSetValue, 1, platform::error::kAccessDenied);
    EXPECT_FALSE(DeactivateTidewatchRegistration(machine.context, kParked, machine.notices));
    EXPECT_EQ(ClientInfo(kGuid), "x");
}

// --- File association ----------------------------------------------------------------------

class MovesAssociation : public ::testing::Test {
  protected:
    void SetClass(const std::string& keyName, const std::string& subkey, const std::string& name,
                  const std::string& text) {
        machine.fake.registry.SetText(RegRoot::ClassesRoot, paths::Association(keyName) + subkey,
                                      name, text);
    }
    std::optional<std::string> ClassText(const std::string& keyName, const std::string& subkey,
                                         const std::string& name) {
        return machine.fake.registry.GetText(RegRoot::ClassesRoot,
                                             paths::Association(keyName) + subkey, name);
    }

    SwitchMachine machine;
};

TEST_F(MovesAssociation, ExistsOnlyWithClassIconAndCommand) {
    EXPECT_FALSE(AssociationExists(machine.context, kGuid));
    SetClass(kGuid, "\\DefaultIcon", "", "icon");
    EXPECT_FALSE(AssociationExists(machine.context, kGuid));
    SetClass(kGuid, "\\shell\\open\\command", "", "cmd");
    EXPECT_TRUE(AssociationExists(machine.context, kGuid));
    EXPECT_FALSE(AssociationExists(machine.context, kParked));
}

TEST_F(MovesAssociation, OnlyDefaultIconIsNoAssociationAndIsNotMoved) {
    SetClass(kGuid, "\\DefaultIcon", "", "icon");
    EXPECT_TRUE(CopyAssociation(machine.context, AssociationDirection::kLiveToParked, kParked));
    EXPECT_FALSE(
        machine.fake.registry.KeyExists(RegRoot::ClassesRoot, paths::Association(kParked)));
    EXPECT_TRUE(CopyAssociation(machine.context, AssociationDirection::kParkedToLive, kParked));
    EXPECT_EQ(ClassText(kGuid, "\\DefaultIcon", ""), "icon");
}

TEST_F(MovesAssociation, DefaultValuesTravelAsDefaultValues) {
    SetClass(kGuid, "\\DefaultIcon", "", "C:\\Env\\VTX2.exe,1");
    SetClass(kGuid, "\\shell\\open\\command", "", "\"C:\\Env\\VTX2.exe\" \"%1\"");
    SetClass(kGuid, "\\shell\\open\\command", "Extra", std::string(2000, 'e'));

    ASSERT_TRUE(CopyAssociation(machine.context, AssociationDirection::kLiveToParked, kParked));
    EXPECT_EQ(ClassText(kParked, "\\shell\\open\\command", ""), "\"C:\\Env\\VTX2.exe\" \"%1\"");
    EXPECT_EQ(ClassText(kParked, "\\shell\\open\\command", "Extra")->size(), 2000u);
    EXPECT_EQ(ClassText(kParked, "\\DefaultIcon", ""), "C:\\Env\\VTX2.exe,1");
    // The source stays until the switch drops it.
    EXPECT_TRUE(AssociationExists(machine.context, kGuid));

    DropMovedAssociation(machine.context, kGuid, kParked);
    EXPECT_FALSE(machine.fake.registry.KeyExists(RegRoot::ClassesRoot, "VTX_Workspace"));
    EXPECT_TRUE(AssociationExists(machine.context, kParked));
}

TEST_F(MovesAssociation, RefusedValueFailsTheCopy) {
    SetClass(kGuid, "\\DefaultIcon", "", "icon");
    SetClass(kGuid, "\\shell\\open\\command", "", "cmd");
    machine.fake.faults.FailAt(fake::op::kSetValue, 1, platform::error::kAccessDenied);
    EXPECT_FALSE(CopyAssociation(machine.context, AssociationDirection::kLiveToParked, kParked));
}

TEST_F(MovesAssociation, UnreadableLiveAssociationFailsInsteadOfBeingSkipped) {
    SetClass(kGuid, "\\DefaultIcon", "", "icon");
    SetClass(kGuid, "\\shell\\open\\command", "", "cmd");
    machine.fake.faults.FailAt(fake::op::kOpenKey, 2, platform::error::kAccessDenied);
    EXPECT_FALSE(CopyAssociation(machine.context, AssociationDirection::kLiveToParked, kParked));
}

TEST_F(MovesAssociation, DropNeedsBothSides) {
    SetClass(kGuid, "\\DefaultIcon", "", "icon");
    SetClass(kGuid, "\\shell\\open\\command", "", "cmd");
    DropMovedAssociation(machine.context, kGuid, kParked);
    EXPECT_TRUE(AssociationExists(machine.context, kGuid));
}

TEST_F(MovesAssociation, DeleteStopsAtAKeyWithAnotherVerb) {
    SetClass(kGuid, "\\DefaultIcon", "", "icon");
    SetClass(kGuid, "\\shell\\open\\command", "", "cmd");
    SetClass(kGuid, "\\shell\\print\\command", "", "print");
    EXPECT_FALSE(DeleteAssociation(machine.context.platform.registry, kGuid));
    EXPECT_FALSE(
        machine.fake.registry.KeyExists(RegRoot::ClassesRoot, "VTX_Workspace\\shell\\open"));
    EXPECT_TRUE(machine.fake.registry.KeyExists(RegRoot::ClassesRoot, "VTX_Workspace\\shell"));
    EXPECT_EQ(machine.fake.faults.Subjects(fake::op::kDeleteKey),
              (std::vector<std::string>{"VTX_Workspace\\DefaultIcon",
                                        "VTX_Workspace\\shell\\open\\command",
                                        "VTX_Workspace\\shell\\open", "VTX_Workspace\\shell"}));
}

}  // namespace
}  // namespace velnora::testing
