// The install manager's installed copy on a fake Windows XP machine: which files are refreshed,
// what the installation writes and in which order, what the removal hands to del.bat, and that
// the removal takes only what the installation made.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "environments/environment_table.h"
#include "environments_fixture.h"
#include "maintenance/own_installation.h"

namespace velnora::testing {
namespace {

using maintenance::OwnFile;
using platform::LocalFileTime;
using platform::RegRoot;

const std::string kMedia = "C:\\Media";
const std::string kMaker = "C:\\Program Files\\Common Files\\Orvessa";
const std::string kOwn = kMaker + "\\Velnora";
const std::string kStartMenu = std::string(fake::machine::kCommonPrograms) + "\\Orvessa";
const std::string kLink = kStartMenu + "\\Multiple Install Manager.lnk";
const std::string kOwnEntry = EntryKey("Velnora");
const std::string kRunOnce = std::string(fake::machine::kCurrentVersionKey) + "\\RunOnce";
const std::string kLogonScript = "C:\\WINDOWS\\del.bat";
const std::string kMarkedScript = std::string(maintenance::kLogonScriptMarker) + "\r\nrd x\r\n";

constexpr LocalFileTime kNoon{2010, 4, 1, 12, 0, 0};

class OwnInstallation : public EnvironmentFixture {
  protected:
    OwnInstallation() {
        context.startup.programBaseName = "Velnora";
        context.startup.managerBaseName = "Velnora";
        context.startup.programFolder = kMedia;
        fake.shell.AddVersionedProgram(kMedia + "\\Velnora.exe", "2.20.0.1");
        fake.files.AddFile(kMedia + "\\VelnoraE.CHM", "help E");
        fake.files.AddFile(kMedia + "\\VelnoraJ.CHM", "help J");
        fake.files.AddFile(kMedia + "\\del.bat", "script");
        // Every Windows has it; the maker's folder goes below it.
        fake.files.AddFolder("C:\\Program Files\\Common Files");
        AddEnvironment(kProductGuid, "C:\\Vantorix");
        environments::EnumerateEnvironments(context);
    }

    void BecomeTwin() {
        context.startup.programBaseName = "VelnoraAdm";
        context.startup.elevatedTwin = true;
        fake.shell.AddVersionedProgram(kMedia + "\\VelnoraAdm.exe", "2.20.0.1");
    }

    std::string Text(const std::string& key, const std::string& name) {
        return fake.registry.GetText(RegRoot::LocalMachine, key, name).value_or("<none>");
    }

    // The del.bat of the media, as far as the program sees it: it writes the logon script.
    void AddSelfRemovalScript(std::uint32_t exitCode) {
        fake.processes.AddProgram(kOwn + "\\del.bat", [this, exitCode](const std::string&) {
            fake.files.AddFile(kLogonScript, kMarkedScript);
            return fake::ProgramBehaviour::RunsFor(300, exitCode);
        });
    }
};

// --- Copy-if-newer decisions --------------------------------------------------------------

struct ProgramCase {
    const char* name;
    const char* targetVersion;  // nullptr: no target; "": a target without a version
    LocalFileTime targetTime;
    const char* sourceVersion;
    bool copied;
    bool result;
};

class CopyProgram : public OwnInstallation, public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(CopyProgram, RefreshesOnlyALowerVersionOrAnOlderFileOfTheSameVersion) {
    const ProgramCase& c = GetParam();
    fake.files.AddFolder("C:\\Target");
    const std::string source = kMedia + "\\Velnora.exe";
    const std::string target = "C:\\Target\\Velnora.exe";
    if (*c.sourceVersion != '\0')
        fake.shell.AddVersionedProgram(source, c.sourceVersion);
    else
        fake.files.AddFile(source, "no version");
    fake.files.SetModifiedTime(source, kNoon);
    if (c.targetVersion != nullptr) {
        if (*c.targetVersion != '\0')
            fake.shell.AddVersionedProgram(target, c.targetVersion);
        else
            fake.files.AddFile(target, "no version");
        fake.files.SetModifiedTime(target, c.targetTime);
    }
    // Every target differs from the source, so a copy shows.
    EXPECT_EQ(maintenance::CopyProgramIfNewer(context, kMedia, "C:\\Target", "Velnora"), c.result);
    EXPECT_EQ(fake.files.Exists(target) && fake.files.Content(target) == fake.files.Content(source),
              c.copied);
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, CopyProgram,
    ::testing::Values(
        ProgramCase{"NoTarget", nullptr, {}, "2.20.0.1", true, true},
        ProgramCase{
            "LowerVersionNewerFile", "2.10.0.1", {2011, 1, 1, 0, 0, 0}, "2.20.0.1", true, true},
        ProgramCase{
            "HigherVersionOlderFile", "2.30.0.1", {2009, 1, 1, 0, 0, 0}, "2.20.0.1", false, true},
        ProgramCase{"SameVersionOneSecondOlder",
                    "2.20.0.9",
                    {2010, 4, 1, 11, 59, 59},
                    "2.20.0.1",
                    true,
                    true},
        ProgramCase{"SameVersionSameSecond", "2.20.0.9", kNoon, "2.20.0.1", false, true},
        ProgramCase{"SameVersionOneSecondNewer",
                    "2.20.0.9",
                    {2010, 4, 1, 12, 0, 1},
                    "2.20.0.1",
                    false,
                    true},
        // The date decides before the time of day.
        ProgramCase{"SameVersionDayBeforeLaterHour",
                    "2.20.0.9",
                    {2010, 3, 31, 23, 0, 0},
                    "2.20.0.1",
                    true,
                    true},
        ProgramCase{"SameVersionDayAfterEarlierHour",
                    "2.20.0.9",
                    {2010, 4, 2, 1, 0, 0},
                    "2.20.0.1",
                    false,
                    true},
        ProgramCase{"TargetVersionUnreadable", "", {2009, 1, 1, 0, 0, 0}, "2.20.0.1", false, false},
        ProgramCase{
            "SourceVersionUnreadable", "2.10.0.1", {2009, 1, 1, 0, 0, 0}, "", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OwnInstallation, AProgramCopyThatFailsIsReported) {
    fake.shell.AddVersionedProgram("C:\\Target\\Velnora.exe", "2.10.0.1");
    fake.files.HoldOpen("C:\\Target\\Velnora.exe");
    EXPECT_FALSE(maintenance::CopyProgramIfNewer(context, kMedia, "C:\\Target", "Velnora"));
    EXPECT_FALSE(maintenance::CopyProgramIfNewer(context, kMedia, "C:\\Missing", "Velnora"));
}

struct FileCase {
    const char* name;
    bool japanese;
    OwnFile which;
    bool targetExists;
    LocalFileTime targetTime;
    bool copied;
};

class CopyFile : public OwnInstallation, public ::testing::WithParamInterface<FileCase> {};

TEST_P(CopyFile, RefreshesByTimeAloneAndOnlyTheHelpFileOfTheLanguage) {
    const FileCase& c = GetParam();
    context.texts = core::TextSet(c.japanese);
    const std::string name = c.which == OwnFile::kSelfRemovalScript ? "del.bat"
                             : c.japanese                           ? "VelnoraJ.CHM"
                                                                    : "VelnoraE.CHM";
    fake.files.SetModifiedTime(kMedia + "\\" + name, kNoon);
    if (c.targetExists) {
        // Read-only, as a copy from a CD leaves it.
        fake.files.AddFile("C:\\Target\\" + name, "installed", platform::fileattr::kReadOnly);
        fake.files.SetModifiedTime("C:\\Target\\" + name, c.targetTime);
    }
    fake.files.AddFolder("C:\\Target");

    EXPECT_TRUE(maintenance::CopyFileIfNewer(context, kMedia, "C:\\Target", c.which));
    EXPECT_EQ(fake.files.Content("C:\\Target\\" + name),
              c.copied ? fake.files.Content(kMedia + "\\" + name) : "installed");
    const std::string other = c.japanese ? "VelnoraE.CHM" : "VelnoraJ.CHM";
    EXPECT_FALSE(fake.files.Exists("C:\\Target\\" + other));
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, CopyFile,
    ::testing::Values(
        FileCase{"HelpMissing", false, OwnFile::kHelp, false, {}, true},
        FileCase{"JapaneseHelpMissing", true, OwnFile::kHelp, false, {}, true},
        FileCase{"HelpOlder", false, OwnFile::kHelp, true, {2010, 4, 1, 11, 59, 59}, true},
        FileCase{"HelpSameSecond", false, OwnFile::kHelp, true, kNoon, false},
        FileCase{"HelpNewer", true, OwnFile::kHelp, true, {2010, 4, 2, 0, 0, 0}, false},
        FileCase{"ScriptOlder",
                 false,
                 OwnFile::kSelfRemovalScript,
                 true,
                 {2009, 12, 31, 23, 59, 59},
                 true},
        FileCase{"ScriptNewer",
                 false,
                 OwnFile::kSelfRemovalScript,
                 true,
                 {2010, 4, 1, 12, 0, 1},
                 false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OwnInstallation, AFileCopyThatFailsIsReported) {
    fake.files.Remove(kMedia + "\\VelnoraE.CHM");
    fake.files.AddFolder("C:\\Target");
    EXPECT_FALSE(maintenance::CopyFileIfNewer(context, kMedia, "C:\\Target", OwnFile::kHelp));
    fake.files.AddFile("C:\\Target\\del.bat", "old");
    fake.files.SetModifiedTime("C:\\Target\\del.bat", {2001, 1, 1, 0, 0, 0});
    fake.files.HoldOpen("C:\\Target\\del.bat");
    EXPECT_FALSE(
        maintenance::CopyFileIfNewer(context, kMedia, "C:\\Target", OwnFile::kSelfRemovalScript));
}

// --- Installation ---------------------------------------------------------------------------

TEST_F(OwnInstallation, InstallsTheCopyTheEntryAndTheShortcut) {
    fake.files.AddFile(kMedia + "\\VelnoraE.CHM", std::string(4000, 'h'));
    ASSERT_TRUE(maintenance::InstallOwnCopy(context));

    EXPECT_EQ(fake.files.ListTree(kOwn),
              (std::vector<std::string>{"del.bat", "Velnora.exe", "VelnoraE.CHM"}));
    // The values of the entry in the order written: every path that is run is quoted; the
    // values the list of programs shows besides come after them.
    EXPECT_EQ(fake.registry.ValueNames(RegRoot::LocalMachine, kOwnEntry),
              (std::vector<std::string>{"DisplayName", "UninstallString", "NoModify", "NoRemove",
                                        "NoRepair", "DisplayIcon", "Publisher", "InstallLocation",
                                        "DisplayVersion", "EstimatedSize"}));
    EXPECT_EQ(Text(kOwnEntry, "DisplayName"), "Vantorix(Multiple Install)");
    EXPECT_EQ(Text(kOwnEntry, "UninstallString"), "\"" + kOwn + "\\Velnora.exe\" -uninstall");
    EXPECT_EQ(Text(kOwnEntry, "DisplayIcon"), "\"" + kOwn + "\\Velnora.exe\"");
    EXPECT_EQ(Text(kOwnEntry, "Publisher"), "Orvessa");
    EXPECT_EQ(Text(kOwnEntry, "InstallLocation"), kOwn);
    EXPECT_EQ(Text(kOwnEntry, "DisplayVersion"), "2.20.0.1");
    const auto number = [&](const char* name) {
        return fake.registry.Get(RegRoot::LocalMachine, kOwnEntry, name)->data;
    };
    EXPECT_EQ(number("NoModify"), (std::vector<std::uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(number("NoRemove"), (std::vector<std::uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(number("NoRepair"), (std::vector<std::uint8_t>{1, 0, 0, 0}));
    // 4000 bytes of help and a few more of the script and the program: 4 KB, rounded up.
    EXPECT_EQ(number("EstimatedSize"), (std::vector<std::uint8_t>{4, 0, 0, 0}));
    // Text values carry their terminating zero.
    EXPECT_EQ(number("DisplayName").back(), 0);

    const auto link = fake.shell.Shortcut(kLink);
    ASSERT_TRUE(link.has_value());
    EXPECT_EQ(link->target, kOwn + "\\Velnora.exe");
    EXPECT_EQ(link->workingFolder, "");
    EXPECT_TRUE(fake.ui.MessageBoxes().empty());
}

TEST_F(OwnInstallation, WithoutAnEnvironmentNothingIsWritten) {
    fake.registry.RemoveKey(RegRoot::LocalMachine, EntryKey(kProductGuid));
    environments::EnumerateEnvironments(context);
    EXPECT_FALSE(maintenance::InstallOwnCopy(context));
    EXPECT_FALSE(fake.registry.KeyExists(RegRoot::LocalMachine, kOwnEntry));
    EXPECT_FALSE(fake.files.Exists(kMaker));
}

// A self-installation before the next logon takes back the removal waiting for it, but never
// deletes a del.bat of the Windows folder that the removal did not write.
TEST_F(OwnInstallation, CancelsAPendingRemovalButKeepsSomebodyElsesScript) {
    for (const bool ours : {true, false}) {
        fake.files.AddFile(kLogonScript, ours ? kMarkedScript : "@echo off\r\necho theirs\r\n");
        fake.registry.SetText(RegRoot::LocalMachine, kRunOnce, "Velnora",
                              "\"" + kLogonScript + "\"");
        fake.registry.SetText(RegRoot::LocalMachine, kRunOnce, "Other", "other.exe");
        ASSERT_TRUE(maintenance::InstallOwnCopy(context)) << ours;
        EXPECT_EQ(fake.files.Exists(kLogonScript), !ours);
        EXPECT_EQ(fake.registry.ValueNames(RegRoot::LocalMachine, kRunOnce),
                  std::vector<std::string>{"Other"});
    }
}

TEST_F(OwnInstallation, FoldersThatCannotBeMadeLeaveTheEntryAndNoProgram) {
    for (int failing : {1, 2}) {
        fake.files.Remove(kMaker);
        fake.registry.RemoveKey(RegRoot::LocalMachine, kOwnEntry);
        fake.faults.Reset();
        fake.faults.FailAt(fake::op::kCreateDirectory, failing, platform::error::kAccessDenied);
        EXPECT_FALSE(maintenance::InstallOwnCopy(context)) << failing;
        EXPECT_EQ(Text(kOwnEntry, "DisplayName"), "Vantorix(Multiple Install)");
        EXPECT_FALSE(fake.files.Exists(kOwn + "\\Velnora.exe"));
        EXPECT_EQ(fake.files.Exists(kMaker), failing == 2);
    }
}

TEST_F(OwnInstallation, AMissingStartMenuIsToldAndStopsBeforeTheShortcutAndTheFiles) {
    fake.shell.RemoveSpecialFolder(platform::csidl::kCommonPrograms);
    EXPECT_FALSE(maintenance::InstallOwnCopy(context));
    ASSERT_EQ(fake.ui.MessageBoxes().size(), 1u);
    const auto& box = fake.ui.MessageBoxes()[0];
    EXPECT_EQ(box.text, context.texts.Get(core::TextId::kMsgFolderNotFound) + "[]");
    EXPECT_EQ(box.caption, context.texts.Get(core::TextId::kCaptionError));
    EXPECT_EQ(box.flags, platform::mb::kOk);
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(fake.files.ListTree(kOwn), std::vector<std::string>{"Velnora.exe"});
    EXPECT_FALSE(fake.files.Exists(kLink));
}

TEST_F(OwnInstallation, AFailedCopyStopsTheInstallation) {
    fake.files.Remove(kMedia + "\\VelnoraE.CHM");
    EXPECT_FALSE(maintenance::InstallOwnCopy(context));
    EXPECT_FALSE(fake.files.Exists(kOwn + "\\del.bat"));
    EXPECT_TRUE(fake.files.Exists(kLink));
}

// The twin installs the install manager, not itself, under the install manager's name.
TEST_F(OwnInstallation, TheTwinInstallsBothProgramsUnderTheManagersName) {
    BecomeTwin();
    ASSERT_TRUE(maintenance::InstallOwnCopy(context));
    EXPECT_EQ(
        fake.files.ListTree(kOwn),
        (std::vector<std::string>{"del.bat", "Velnora.exe", "VelnoraAdm.exe", "VelnoraE.CHM"}));
    EXPECT_EQ(Text(kOwnEntry, "UninstallString"), "\"" + kOwn + "\\Velnora.exe\" -uninstall");
    EXPECT_EQ(Text(kOwnEntry, "DisplayIcon"), "\"" + kOwn + "\\Velnora.exe\"");
    const auto link = fake.shell.Shortcut(kLink);
    ASSERT_TRUE(link.has_value());
    EXPECT_EQ(link->target, kOwn + "\\Velnora.exe");
    EXPECT_EQ(link->workingFolder, kOwn);

    // The install manager's program is copied first; when it fails the twin's is not.
    fake.files.Remove(kMaker);
    fake.files.Remove(kMedia + "\\Velnora.exe");
    EXPECT_FALSE(maintenance::InstallOwnCopy(context));
    EXPECT_FALSE(fake.files.Exists(kOwn + "\\VelnoraAdm.exe"));
}

TEST_F(OwnInstallation, AnEntryValueTooLongForItsBufferIsRefusedNotCut) {
    EXPECT_TRUE(maintenance::WriteOwnUninstallValue(context, "Fits", maintenance::ValueKind::kText,
                                                    std::string(1023, 'a'), 0));
    EXPECT_FALSE(maintenance::WriteOwnUninstallValue(context, "Long", maintenance::ValueKind::kText,
                                                     std::string(1024, 'a'), 0));
    EXPECT_EQ(fake.registry.ValueNames(RegRoot::LocalMachine, kOwnEntry),
              std::vector<std::string>{"Fits"});
    fake.registry.DenyWrite(RegRoot::LocalMachine, kOwnEntry);
    EXPECT_FALSE(maintenance::WriteOwnUninstallValue(context, "Denied",
                                                     maintenance::ValueKind::kNumber, "", 1));
}

// --- Removal --------------------------------------------------------------------------------

TEST_F(OwnInstallation, SchedulesTheRemovalWithEveryPathQuoted) {
    AddSelfRemovalScript(0);
    ASSERT_TRUE(maintenance::ScheduleSelfRemoval(context));
    ASSERT_EQ(fake.processes.Started().size(), 1u);
    const auto& started = fake.processes.Started()[0];
    EXPECT_EQ(started.commandLine,
              "\"" + kOwn + "\\del.bat\" \"" + kOwn + "\" \"" + kLogonScript +
                  "\" \"C:\\Program Files\\InstallShield Installation Information\\" +
                  kProductGuid + "\"");
    EXPECT_EQ(started.creationFlags, platform::createflags::kNewConsole);
    EXPECT_TRUE(started.hiddenWindow);
    EXPECT_EQ(Text(kRunOnce, "Velnora"), "\"" + kLogonScript + "\"");
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
}

struct ScheduleCase {
    const char* name;
    bool scriptThere;
    std::uint32_t exitCode;
    std::string_view failing;  // an operation that fails, or none
};

class ScheduleFailure : public OwnInstallation,
                        public ::testing::WithParamInterface<ScheduleCase> {};

// A script that could not write the logon script, or could not be watched to its end, leaves
// no value that would run nothing, or somebody else's file.
TEST_P(ScheduleFailure, LeavesNoLogonValue) {
    const ScheduleCase& c = GetParam();
    if (c.scriptThere)
        AddSelfRemovalScript(c.exitCode);
    if (!c.failing.empty())
        fake.faults.FailAlways(c.failing, platform::error::kAccessDenied);
    EXPECT_FALSE(maintenance::ScheduleSelfRemoval(context));
    fake.faults.Clear();
    EXPECT_EQ(Text(kRunOnce, "Velnora"), "<none>");
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ScheduleFailure,
    ::testing::Values(ScheduleCase{"NotThere", false, 0, ""},
                      ScheduleCase{"ScriptFailed", true, 1, ""},
                      ScheduleCase{"WaitFails", true, 0, fake::op::kWaitForProcess},
                      ScheduleCase{"ExitCodeFails", true, 0, fake::op::kGetExitCode},
                      ScheduleCase{"RunOnceDenied", true, 0, fake::op::kOpenKey}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OwnInstallation, ACommandLineTooLongForItsBufferIsRefusedNotCut) {
    const std::string deep = "C:\\" + std::string(300, 'p') + "\\" + std::string(300, 'q');
    fake.shell.SetSpecialFolder(platform::csidl::kProgramFiles, deep);
    AddSelfRemovalScript(0);
    EXPECT_FALSE(maintenance::ScheduleSelfRemoval(context));
    EXPECT_TRUE(fake.processes.Started().empty());
}

class Removal : public OwnInstallation {
  protected:
    Removal() {
        EXPECT_TRUE(maintenance::InstallOwnCopy(context));
        fake.files.AddFile(kOwn + "\\VelnoraAdm.exe", "twin");
        fake.files.AddFile(kOwn + "\\VelnoraJ.CHM", "help J", platform::fileattr::kReadOnly);
    }
    void AddOtherProducts() {
        fake.files.AddFile(kMaker + "\\Tidewatch\\tw.dll", "theirs");
        fake.files.AddFile(kOwn + "\\notes.txt", "the user's");
        fake.files.AddFile(kStartMenu + "\\Vantorix\\Vantorix.lnk", "theirs");
    }
};

TEST_F(Removal, TakesOnlyWhatTheInstallationMade) {
    AddOtherProducts();
    EXPECT_TRUE(maintenance::RemoveOwnInstallation(context));
    EXPECT_EQ(fake.files.ListTree(kMaker),
              (std::vector<std::string>{"Tidewatch\\", "Tidewatch\\tw.dll", "Velnora\\",
                                        "Velnora\\notes.txt"}));
    EXPECT_EQ(fake.files.ListTree(kStartMenu),
              (std::vector<std::string>{"Vantorix\\", "Vantorix\\Vantorix.lnk"}));
    EXPECT_FALSE(fake.registry.KeyExists(RegRoot::LocalMachine, kOwnEntry));
}

TEST_F(Removal, EmptiedFoldersGoAndTheRunningProgramStays) {
    fake.files.HoldOpen(kOwn + "\\Velnora.exe");
    EXPECT_TRUE(maintenance::RemoveOwnInstallation(context));
    EXPECT_EQ(fake.files.ListTree(kMaker),
              (std::vector<std::string>{"Velnora\\", "Velnora\\Velnora.exe"}));
    EXPECT_FALSE(fake.files.Exists(kStartMenu));

    fake.files.Release(kOwn + "\\Velnora.exe");
    EXPECT_TRUE(maintenance::RemoveOwnInstallation(context));
    EXPECT_FALSE(fake.files.Exists(kMaker));
    EXPECT_TRUE(fake.files.IsFolder("C:\\Program Files\\Common Files"));
}

TEST_F(Removal, AnEntryAlreadyGoneStillCleansTheStartMenu) {
    fake.registry.RemoveKey(RegRoot::LocalMachine, kOwnEntry);
    EXPECT_TRUE(maintenance::RemoveOwnInstallation(context));
    EXPECT_FALSE(fake.files.Exists(kStartMenu));
}

TEST_F(Removal, AnEntryThatCannotBeDeletedLeavesTheStartMenu) {
    fake.faults.FailAlways(fake::op::kDeleteKey, platform::error::kAccessDenied);
    EXPECT_FALSE(maintenance::RemoveOwnInstallation(context));
    EXPECT_TRUE(fake.files.Exists(kLink));
    EXPECT_FALSE(fake.files.Exists(kOwn));
}

}  // namespace
}  // namespace velnora::testing
