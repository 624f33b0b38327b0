#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "environments/com_scripts.h"
#include "environments/environment_table.h"
#include "switch_machine.h"

namespace velnora::testing {
namespace {

using environments::RegisterComServers;
using environments::UnregisterComServers;

const std::string kFolder = "C:\\Vantorix\\EnvA";

struct ScriptCase {
    const char* name;
    bool registering;
    std::vector<std::string> present;  // script files in the environment's folder
    std::vector<std::string> started;  // in order
};

class ComScripts : public ::testing::TestWithParam<ScriptCase> {
  protected:
    ComScripts() {
        machine.InstallEnvironment({kGuid, "A"});
        for (const char* name : {"ALL_REGISTERSERVER.bat", "ALL_UNREGISTERSERVER.bat"})
            machine.fake.files.Remove(kFolder + "\\" + name);
    }
    std::vector<std::string> Executed() const {
        std::vector<std::string> files;
        for (const auto& request : machine.fake.shell.Executed())
            files.push_back(request.file);
        return files;
    }

    SwitchMachine machine;
};

TEST_P(ComScripts, RunThePreferredScriptOrThePair) {
    const ScriptCase& c = GetParam();
    for (const std::string& name : c.present)
        machine.fake.files.AddFile(kFolder + "\\" + name, "@echo off");

    EXPECT_TRUE(c.registering ? RegisterComServers(machine.context, kGuid, machine.notices)
                              : UnregisterComServers(machine.context, kGuid, machine.notices));

    std::vector<std::string> expected;
    for (const std::string& name : c.started)
        expected.push_back(kFolder + "\\" + name);
    EXPECT_EQ(Executed(), expected);
    for (const auto& request : machine.fake.shell.Executed()) {
        EXPECT_EQ(request.verb, "open");
        EXPECT_EQ(request.parameters, "");
        EXPECT_EQ(request.directory, kFolder);
        EXPECT_EQ(request.showCommand, 0);
        EXPECT_EQ(request.mask, 0x400u | 0x100u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    ComScriptsFolders, ComScripts,
    ::testing::Values(ScriptCase{"RegisterAllOnly",
                                 true,
                                 {"ALL_REGISTERSERVER.bat", "REGISTERSERVER.bat"},
                                 {"ALL_REGISTERSERVER.bat"}},
                      ScriptCase{"RegisterPair",
                                 true,
                                 {"REGISTERSERVER.bat", "PDREGISTERSERVER.bat"},
                                 {"REGISTERSERVER.bat", "PDREGISTERSERVER.bat"}},
                      ScriptCase{"RegisterNoneStillTriesThePair",
                                 true,
                                 {},
                                 {"REGISTERSERVER.bat", "PDREGISTERSERVER.bat"}},
                      ScriptCase{"UnregisterAllOnly",
                                 false,
                                 {"ALL_UNREGISTERSERVER.bat", "ALL_REGISTERSERVER.bat"},
                                 {"ALL_UNREGISTERSERVER.bat"}},
                      ScriptCase{"UnregisterPair",
                                 false,
                                 {"UNREGISTERSERVER.bat"},
                                 {"UNREGISTERSERVER.bat", "PDUNREGISTERSERVER.bat"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ComScriptsStart, ScriptsThatAreMissingStartNothing) {
    SwitchMachine machine;
    machine.InstallEnvironment({kGuid, "A"});
    machine.fake.files.Remove(kFolder + "\\ALL_REGISTERSERVER.bat");
    machine.fake.processes.AddProgram(kFolder + "\\PDREGISTERSERVER.bat");
    machine.fake.files.AddFile(kFolder + "\\PDREGISTERSERVER.bat", "@echo off");

    EXPECT_TRUE(RegisterComServers(machine.context, kGuid, machine.notices));
    ASSERT_EQ(machine.fake.processes.Started().size(), 1u);
    EXPECT_TRUE(machine.fake.processes.Started()[0].hiddenWindow);
    // Not waited for: the process still runs and no handle is kept.
    EXPECT_EQ(machine.fake.processes.OpenHandleCount(), 0u);
}

TEST(ComScriptsStart, EnvironmentNotInTheFreshTableFails) {
    SwitchMachine machine;
    machine.InstallEnvironment({ParkedKey(1), "A"});
    EXPECT_FALSE(RegisterComServers(machine.context, kGuid, machine.notices));
    EXPECT_TRUE(machine.fake.shell.Executed().empty());
    // The table is enumerated afresh either way.
    EXPECT_EQ(machine.context.environments.Count(), 1);
}

TEST(ComScriptsStart, EntryThatCannotBeOpenedFails) {
    SwitchMachine machine;
    machine.InstallEnvironment({kGuid, "A"});
    environments::EnumerateEnvironments(machine.context);
    // The next open of the entry is the location read after the enumeration's own opens.
    const int opensBefore = machine.fake.faults.Calls(fake::op::kOpenKey);
    environments::EnumerateEnvironments(machine.context);
    const int opensPerEnumeration = machine.fake.faults.Calls(fake::op::kOpenKey) - opensBefore;
    machine.fake.faults.FailAt(
        fake::op::kOpenKey, machine.fake.faults.Calls(fake::op::kOpenKey) + opensPerEnumeration + 1,
        platform::error::kAccessDenied);
    EXPECT_FALSE(UnregisterComServers(machine.context, kGuid, machine.notices));
    EXPECT_TRUE(machine.fake.shell.Executed().empty());
}

// The scripts are found through "InstallLocation"; one that is no full path of an existing
// folder would have them looked for elsewhere (an empty one at the drive root).
struct LocationCase {
    const char* name;
    std::string location;
    bool dword;
    bool started;
    std::string folder = {};  // made beforehand, so that only the path's form can refuse it
};

class ComScriptsLocation : public ::testing::TestWithParam<LocationCase> {};

TEST_P(ComScriptsLocation, StartsOnlyFromAFullFolderPath) {
    const LocationCase& c = GetParam();
    SwitchMachine machine;
    machine.InstallEnvironment({kGuid, "A"});
    machine.fake.files.AddFile("C:\\ALL_REGISTERSERVER.bat", "@echo off");
    if (!c.folder.empty())
        machine.fake.files.AddFolder(c.folder);
    const std::string entry = std::string(core::kUninstallRoot) + "\\" + kGuid;
    if (c.dword)
        machine.fake.registry.SetDword(platform::RegRoot::LocalMachine, entry, "InstallLocation",
                                       0x5C3A43);  // the bytes of "C:\\"
    else
        machine.fake.registry.SetText(platform::RegRoot::LocalMachine, entry, "InstallLocation",
                                      c.location);

    EXPECT_TRUE(RegisterComServers(machine.context, kGuid, machine.notices));
    EXPECT_EQ(!machine.fake.shell.Executed().empty(), c.started);
}

INSTANTIATE_TEST_SUITE_P(
    ComScripts, ComScriptsLocation,
    ::testing::Values(LocationCase{"FullFolderPath", kFolder, false, true},
                      LocationCase{"Empty", "", false, false},
                      LocationCase{"DriveRelative", "C:Vantorix\\EnvA", false, false},
                      LocationCase{"Relative", "Vantorix\\EnvA", false, false},
                      LocationCase{"RootedWithoutDrive", "\\Vantorix\\EnvA", false, false},
                      LocationCase{"MissingFolder", "C:\\Vantorix\\Gone", false, false},
                      LocationCase{"File", "C:\\Vantorix\\EnvA\\ALL_REGISTERSERVER.bat", false,
                                   false},
                      LocationCase{"OverLong", "C:\\" + std::string(300, 'x'), false, false,
                                   "C:\\" + std::string(300, 'x')},
                      LocationCase{"LongestPath", "C:\\" + std::string(256, 'x'), false, true,
                                   "C:\\" + std::string(256, 'x')},
                      LocationCase{"NotText", "", true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ComScriptsStart, KeyNameMayComeFromTheTableItRebuilds) {
    SwitchMachine machine;
    machine.InstallEnvironment({kGuid, "A"});
    environments::EnumerateEnvironments(machine.context);
    EXPECT_TRUE(RegisterComServers(machine.context, machine.context.environments.Row(0).keyName,
                                   machine.notices));
    EXPECT_EQ(machine.fake.shell.Executed().size(), 1u);
}

}  // namespace
}  // namespace velnora::testing
