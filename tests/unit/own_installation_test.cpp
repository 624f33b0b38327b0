// The install manager's installed copy on a fake Windows XP machine: which files are refreshed,
// what the installation writes and in which order, what the removal hands to del.bat, and that
// the removal takes only what the installation made.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "environments/environment_table.h"
#include "environments_fixture.h"
#include "flows/own_copy.h"
#include "maintenance/own_installation.h"
#include "fake/scripted_prompt.h"

namespace velnora::testing {
namespace {

using maintenance::OwnFile;
using platform::LocalFileTime;
using platform::RegRoot;
using V = std::vector<std::string>;

const std::string kMedia = "C:\\Media";
const std::string kMaker = "C:\\Program Files\\Common Files\\Orvessa";
const std::string kOwn = kMaker + "\\Velnora";
const std::string kStartMenu = std::string(fake::machine::kCommonPrograms) + "\\Orvessa";
const std::string kLink = kStartMenu + "\\Multiple Install Manager.lnk";
const std::string kOwnEntry = EntryKey("Velnora");
const std::string kRunOnce = std::string(fake::machine::kCurrentVersionKey) + "\\RunOnce";
const std::string kLogonScript = "C:\\WINDOWS\\del.bat";
const std::string kMarkedScript = std::string(maintenance::kLogonScriptMarker) + "\r\n";
constexpr LocalFileTime kNoon{2010, 4, 1, 12, 0, 0};

class OwnInstallation : public EnvironmentFixture {
  protected:
    OwnInstallation() {
        context.startup.programBaseName = "Velnora";
        context.startup.managerBaseName = "Velnora";
        context.startup.programFolder = kMedia;
        fake.shell.AddVersionedProgram(kMedia + "\\Velnora.exe", "2.20.0.1");
        fake.files.AddFile(kMedia + "\\VelnoraE.CHM", std::string(4000, 'h'));
        fake.files.AddFile(kMedia + "\\VelnoraJ.CHM", "help J");
        fake.files.AddFile(kMedia + "\\del.bat", "script");
        fake.files.AddFolder("C:\\Program Files\\Common Files");  // every Windows has it
        fake.files.AddFolder("C:\\Target");
        AddEnvironment(kProductGuid, "C:\\Vantorix");
        environments::EnumerateEnvironments(context);
    }
    std::string Text(const std::string& key, const std::string& name) {
        return fake.registry.GetText(RegRoot::LocalMachine, key, name).value_or("<none>");
    }
    // The self-installation as the flow runs it; what it has to say goes to the prompt.
    bool Install() {
        return flows::InstallOwnCopy(context, prompt) == flows::OwnCopyOutcome::kInstalled;
    }
    // The media's del.bat as the program sees it: it writes the logon script.
    void AddSelfRemovalScript(std::uint32_t exitCode) {
        fake.processes.AddProgram(kOwn + "\\del.bat", [this, exitCode](const std::string&) {
            fake.files.AddFile(kLogonScript, kMarkedScript);
            return fake::ProgramBehaviour::RunsFor(300, exitCode);
        });
    }

    fake::ScriptedPrompt prompt;
};

struct ProgramCase {
    const char* name;
    const char* targetVersion;  // nullptr: no target; "": a target without a version
    LocalFileTime targetTime;
    const char* sourceVersion;  // "": a source without a version
    bool copied;
    bool result;
};

class CopyProgram : public OwnInstallation, public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(CopyProgram, RefreshesOnlyALowerVersionOrAnOlderFileOfTheSameVersion) {
    const ProgramCase& c = GetParam();
    const auto add = [&](const std::string& path, const char* version) {
        if (*version != '\0')
            fake.shell.AddVersionedProgram(path, version);
        else
            fake.files.AddFile(path, "no version");
    };
    const std::string source = kMedia + "\\Velnora.exe";
    const std::string target = "C:\\Target\\Velnora.exe";
    add(source, c.sourceVersion);
    fake.files.SetModifiedTime(source, kNoon);
    if (c.targetVersion != nullptr) {
        add(target, c.targetVersion);
        fake.files.SetModifiedTime(target, c.targetTime);
    }
    // Every target differs from its source, so a copy shows.
    EXPECT_EQ(maintenance::CopyProgramIfNewer(context, kMedia, "C:\\Target", "Velnora"), c.result);
    EXPECT_EQ(fake.files.Exists(target) && fake.files.Content(target) == fake.files.Content(source),
              c.copied);
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, CopyProgram,
    ::testing::Values(
        ProgramCase{"NoTarget", nullptr, {}, "2.20.0.1", true, true},
        ProgramCase{"LowerVersionNewer", "2.10.0.1", {2011, 1, 1, 0, 0, 0}, "2.20.0.1", true, true},
        ProgramCase{
            "HigherVersionOlder", "2.30.0.1", {2009, 1, 1, 0, 0, 0}, "2.20.0.1", false, true},
        ProgramCase{
            "SameVersionSecondOlder", "2.20.0.9", {2010, 4, 1, 11, 59, 59}, "2.20.0.1", true, true},
        ProgramCase{"SameVersionSameSecond", "2.20.0.9", kNoon, "2.20.0.1", false, true},
        ProgramCase{
            "SameVersionSecondNewer", "2.20.0.9", {2010, 4, 1, 12, 0, 1}, "2.20.0.1", false, true},
        // The date decides before the time of day.
        ProgramCase{
            "DayBeforeLaterHour", "2.20.0.9", {2010, 3, 31, 23, 0, 0}, "2.20.0.1", true, true},
        ProgramCase{
            "DayAfterEarlierHour", "2.20.0.9", {2010, 4, 2, 1, 0, 0}, "2.20.0.1", false, true},
        ProgramCase{"TargetVersionUnreadable", "", {}, "2.20.0.1", false, false},
        ProgramCase{"SourceVersionUnreadable", "2.10.0.1", {}, "", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// The help file (of the current language only) and del.bat go by time alone; a read-only
// target is refreshed, a copy that fails is reported.
TEST_F(OwnInstallation, CopiesHelpAndScriptByTimeAlone) {
    struct Case {
        bool japanese;
        OwnFile which;
        const char* name;
        const char* target;  // content, nullptr for none
        LocalFileTime time;
        bool heldOpen;
        bool result;
        const char* after;
    };
    for (const Case& c : {
             Case{false, OwnFile::kHelp, "VelnoraE.CHM", nullptr, {}, false, true, "new"},
             Case{true,
                  OwnFile::kHelp,
                  "VelnoraJ.CHM",
                  "old",
                  {2010, 4, 1, 11, 59, 59},
                  false,
                  true,
                  "new"},
             Case{false, OwnFile::kHelp, "VelnoraE.CHM", "old", kNoon, false, true, "old"},
             Case{false,
                  OwnFile::kSelfRemovalScript,
                  "del.bat",
                  "old",
                  {2010, 4, 2, 0, 0, 0},
                  false,
                  true,
                  "old"},
             Case{false,
                  OwnFile::kSelfRemovalScript,
                  "del.bat",
                  "old",
                  {2001, 1, 1, 0, 0, 0},
                  true,
                  false,
                  "old"},
         }) {
        fake.files.Remove("C:\\Target");
        fake.files.AddFolder("C:\\Target");
        context.texts = core::TextSet(c.japanese);
        fake.files.AddFile(kMedia + "\\" + c.name, "new");
        fake.files.SetModifiedTime(kMedia + "\\" + c.name, kNoon);
        const std::string target = "C:\\Target\\" + std::string(c.name);
        if (c.target != nullptr) {
            fake.files.AddFile(target, c.target, platform::fileattr::kReadOnly);
            fake.files.SetModifiedTime(target, c.time);
        }
        if (c.heldOpen)
            fake.files.HoldOpen(target);
        EXPECT_EQ(maintenance::CopyFileIfNewer(context, kMedia, "C:\\Target", c.which), c.result)
            << c.name;
        EXPECT_EQ(fake.files.Content(target), c.after) << c.name;
        EXPECT_EQ(fake.files.ListTree("C:\\Target"), V{c.name});
        fake.files.Release(target);
    }
}

TEST_F(OwnInstallation, InstallsTheCopyTheEntryAndTheShortcut) {
    ASSERT_TRUE(Install());
    EXPECT_EQ(fake.files.ListTree(kOwn), (V{"del.bat", "Velnora.exe", "VelnoraE.CHM"}));
    // In the order written: every path that is run is quoted; the values the list of programs
    // shows besides come last.
    EXPECT_EQ(
        fake.registry.ValueNames(RegRoot::LocalMachine, kOwnEntry),
        (V{"DisplayName", "UninstallString", "NoModify", "NoRemove", "NoRepair", "DisplayIcon",
           "Publisher", "InstallLocation", "DisplayVersion", "EstimatedSize"}));
    EXPECT_EQ(Text(kOwnEntry, "DisplayName"), "Vantorix(Multiple Install)");
    EXPECT_EQ(Text(kOwnEntry, "UninstallString"), "\"" + kOwn + "\\Velnora.exe\" -uninstall");
    EXPECT_EQ(Text(kOwnEntry, "DisplayIcon"), "\"" + kOwn + "\\Velnora.exe\"");
    EXPECT_EQ(Text(kOwnEntry, "Publisher"), "Orvessa");
    EXPECT_EQ(Text(kOwnEntry, "InstallLocation"), kOwn);
    EXPECT_EQ(Text(kOwnEntry, "DisplayVersion"), "2.20.0.1");
    std::vector<std::uint8_t> numbers;
    for (const char* name : {"NoModify", "NoRemove", "NoRepair", "EstimatedSize"})
        numbers.push_back(fake.registry.Get(RegRoot::LocalMachine, kOwnEntry, name)->data[0]);
    // 4000 bytes of help and a few of the script and the program: 4 KB, rounded up.
    EXPECT_EQ(numbers, (std::vector<std::uint8_t>{1, 0, 1, 4}));
    EXPECT_EQ(fake.shell.Shortcut(kLink)->target, kOwn + "\\Velnora.exe");
    EXPECT_EQ(fake.shell.Shortcut(kLink)->workingFolder, "");
}

// The twin installs the install manager's program first and its own beside it, under the
// install manager's name, and gives the shortcut a working folder.
TEST_F(OwnInstallation, TheTwinInstallsBothProgramsUnderTheManagersName) {
    context.startup.programBaseName = "VelnoraAdm";
    context.startup.elevatedTwin = true;
    fake.shell.AddVersionedProgram(kMedia + "\\VelnoraAdm.exe", "2.20.0.1");
    ASSERT_TRUE(Install());
    EXPECT_EQ(fake.files.ListTree(kOwn),
              (V{"del.bat", "Velnora.exe", "VelnoraAdm.exe", "VelnoraE.CHM"}));
    EXPECT_EQ(Text(kOwnEntry, "UninstallString"), "\"" + kOwn + "\\Velnora.exe\" -uninstall");
    EXPECT_EQ(fake.shell.Shortcut(kLink)->target, kOwn + "\\Velnora.exe");
    EXPECT_EQ(fake.shell.Shortcut(kLink)->workingFolder, kOwn);

    fake.files.Remove(kMaker);
    fake.files.Remove(kMedia + "\\Velnora.exe");
    EXPECT_FALSE(Install());
    EXPECT_FALSE(fake.files.Exists(kOwn + "\\VelnoraAdm.exe"));
}

enum class Fault { kNoEnvironment, kMakerFolder, kOwnFolder, kNoStartMenu, kNoHelp };
struct InstallCase {
    const char* name;
    Fault fault;
    bool entry;
    V files;
    bool link;
    bool message;
};

class InstallFailure : public OwnInstallation, public ::testing::WithParamInterface<InstallCase> {};

// Each failure stops the installation where it happens; the entry is written before it.
TEST_P(InstallFailure, StopsTheInstallationWhereItHappens) {
    const InstallCase& c = GetParam();
    if (c.fault == Fault::kNoEnvironment) {
        fake.registry.RemoveKey(RegRoot::LocalMachine, EntryKey(kProductGuid));
        environments::EnumerateEnvironments(context);
    }
    if (c.fault == Fault::kMakerFolder || c.fault == Fault::kOwnFolder)
        fake.faults.FailAt(fake::op::kCreateDirectory, c.fault == Fault::kMakerFolder ? 1 : 2,
                           platform::error::kAccessDenied);
    if (c.fault == Fault::kNoStartMenu)
        fake.shell.RemoveSpecialFolder(platform::csidl::kCommonPrograms);
    if (c.fault == Fault::kNoHelp)
        fake.files.Remove(kMedia + "\\VelnoraE.CHM");

    EXPECT_FALSE(Install());
    EXPECT_EQ(fake.registry.KeyExists(RegRoot::LocalMachine, kOwnEntry), c.entry);
    EXPECT_EQ(fake.files.Exists(kOwn) ? fake.files.ListTree(kOwn) : V{}, c.files);
    EXPECT_EQ(fake.files.Exists(kLink), c.link);
    EXPECT_TRUE(fake.ui.MessageBoxes().empty());
    ASSERT_EQ(prompt.notices.size(), c.message ? 1u : 0u);
    if (c.message) {
        const core::Notice& notice = prompt.notices[0];
        EXPECT_EQ(notice.text, context.texts.Get(core::TextId::kMsgFolderNotFound) + "[]");
        EXPECT_EQ(notice.caption, core::NoticeCaption::kError);
        EXPECT_EQ(notice.style, platform::mb::kOk);
        EXPECT_FALSE(notice.overPage);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, InstallFailure,
    ::testing::Values(InstallCase{"NoEnvironment", Fault::kNoEnvironment, false, {}, false, false},
                      InstallCase{"MakerFolder", Fault::kMakerFolder, true, {}, false, false},
                      InstallCase{"OwnFolder", Fault::kOwnFolder, true, {}, false, false},
                      InstallCase{
                          "NoStartMenu", Fault::kNoStartMenu, true, {"Velnora.exe"}, false, true},
                      InstallCase{"NoHelp", Fault::kNoHelp, true, {"Velnora.exe"}, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A self-installation before the next logon takes the waiting removal back, but never deletes
// a del.bat of the Windows folder that the removal did not write.
TEST_F(OwnInstallation, CancelsAPendingRemovalButKeepsSomebodyElsesScript) {
    for (const bool ours : {true, false}) {
        fake.files.AddFile(kLogonScript, ours ? kMarkedScript : "@echo off\r\n");
        fake.registry.SetText(RegRoot::LocalMachine, kRunOnce, "Velnora", "x");
        fake.registry.SetText(RegRoot::LocalMachine, kRunOnce, "Other", "other.exe");
        ASSERT_TRUE(Install()) << ours;
        EXPECT_EQ(fake.files.Exists(kLogonScript), !ours);
        EXPECT_EQ(fake.registry.ValueNames(RegRoot::LocalMachine, kRunOnce), V{"Other"});
    }
}

TEST_F(OwnInstallation, TextsTooLongForTheirBuffersAreRefusedNotCut) {
    using maintenance::ValueKind;
    EXPECT_TRUE(maintenance::WriteOwnUninstallValue(context, "Fits", ValueKind::kText,
                                                    std::string(1023, 'a'), 0));
    EXPECT_FALSE(maintenance::WriteOwnUninstallValue(context, "Long", ValueKind::kText,
                                                     std::string(1024, 'a'), 0));
    EXPECT_EQ(fake.registry.ValueNames(RegRoot::LocalMachine, kOwnEntry), V{"Fits"});

    fake.shell.SetSpecialFolder(platform::csidl::kProgramFiles, "C:\\" + std::string(900, 'p'));
    AddSelfRemovalScript(0);
    EXPECT_FALSE(maintenance::ScheduleSelfRemoval(context));
    EXPECT_TRUE(fake.processes.Started().empty());
}

struct ScheduleCase {
    const char* name;
    bool scriptThere;
    std::uint32_t exitCode;
    std::string_view failing;  // an operation that fails, or none
    bool result;
};

class Schedule : public OwnInstallation, public ::testing::WithParamInterface<ScheduleCase> {};

// del.bat gets every path quoted; a script that did not write the logon script, or that could
// not be watched to its end, leaves no value that would run nothing or somebody else's file.
TEST_P(Schedule, StartsDelBatHiddenAndRegistersTheLogonScriptOnlyWhenItWasWritten) {
    const ScheduleCase& c = GetParam();
    if (c.scriptThere)
        AddSelfRemovalScript(c.exitCode);
    if (!c.failing.empty())
        fake.faults.FailAlways(c.failing, platform::error::kAccessDenied);
    EXPECT_EQ(maintenance::ScheduleSelfRemoval(context), c.result);
    fake.faults.Clear();
    EXPECT_EQ(Text(kRunOnce, "Velnora"), c.result ? "\"" + kLogonScript + "\"" : "<none>");
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
    if (!c.scriptThere)
        return;
    const auto& started = fake.processes.Started().at(0);
    EXPECT_EQ(started.commandLine, "\"" + kOwn + "\\del.bat\" \"" + kOwn + "\" \"" + kLogonScript +
                                       "\" \"C:\\Program Files\\InstallShield Installation "
                                       "Information\\" +
                                       kProductGuid + "\"");
    EXPECT_EQ(started.creationFlags, platform::createflags::kNewConsole);
    EXPECT_TRUE(started.hiddenWindow);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, Schedule,
    ::testing::Values(ScheduleCase{"Written", true, 0, "", true},
                      ScheduleCase{"NotThere", false, 0, "", false},
                      ScheduleCase{"ScriptFailed", true, 1, "", false},
                      ScheduleCase{"WaitFails", true, 0, fake::op::kWaitForProcess, false},
                      ScheduleCase{"ExitCodeFails", true, 0, fake::op::kGetExitCode, false},
                      ScheduleCase{"RunOnceDenied", true, 0, fake::op::kOpenKey, false}),
    [](const auto& info) { return std::string(info.param.name); });

// The removal takes the files it installed and each folder it emptied; the maker's other
// products, the user's files and the running program stay. It names what it could not take.
TEST_F(OwnInstallation, RemovalTakesOnlyWhatTheInstallationMade) {
    enum Fault { kNone, kOthers, kRunning, kEntryGone, kEntryDenied };
    using maintenance::OwnPart;
    struct Case {
        Fault fault;
        maintenance::PartsLeft left;
        V maker;
        V startMenu;
    };
    const V gone{"<gone>"};
    for (const Case& c :
         {Case{kNone, {}, gone, gone},
          Case{kOthers,
               {},
               {"Other\\", "Other\\o.dll", "Velnora\\", "Velnora\\notes.txt"},
               {"Vantorix\\", "Vantorix\\v.lnk"}},
          Case{kRunning, {OwnPart::kFiles}, {"Velnora\\", "Velnora\\Velnora.exe"}, gone},
          Case{kEntryGone, {}, gone, gone},
          Case{kEntryDenied,
               {OwnPart::kEntry, OwnPart::kShortcut},
               gone,
               {"Multiple Install Manager.lnk"}}}) {
        ASSERT_TRUE(Install());
        fake.files.AddFile(kOwn + "\\VelnoraAdm.exe", "twin");
        fake.files.AddFile(kOwn + "\\VelnoraJ.CHM", "help J", platform::fileattr::kReadOnly);
        if (c.fault == kOthers) {
            fake.files.AddFile(kMaker + "\\Other\\o.dll");
            fake.files.AddFile(kOwn + "\\notes.txt");
            fake.files.AddFile(kStartMenu + "\\Vantorix\\v.lnk");
        }
        if (c.fault == kRunning)
            fake.files.HoldOpen(kOwn + "\\Velnora.exe");
        if (c.fault == kEntryGone)
            fake.registry.RemoveKey(RegRoot::LocalMachine, kOwnEntry);
        if (c.fault == kEntryDenied)
            fake.faults.FailAlways(fake::op::kDeleteKey, platform::error::kAccessDenied);

        EXPECT_EQ(maintenance::RemoveOwnInstallation(context), c.left) << c.fault;
        const auto tree = [&](const std::string& folder) {
            return fake.files.Exists(folder) ? fake.files.ListTree(folder) : gone;
        };
        EXPECT_EQ(tree(kMaker), c.maker) << c.fault;
        EXPECT_EQ(tree(kStartMenu), c.startMenu) << c.fault;
        EXPECT_EQ(fake.registry.KeyExists(RegRoot::LocalMachine, kOwnEntry),
                  c.fault == kEntryDenied);
        fake.faults.Clear();
        fake.files.Remove(kMaker);
        fake.files.Remove(kStartMenu);
        fake.registry.RemoveKey(RegRoot::LocalMachine, kOwnEntry);
    }
}

}  // namespace
}  // namespace velnora::testing
