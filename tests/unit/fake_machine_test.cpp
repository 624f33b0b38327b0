// What only the fake platform offers tests: its set-up helpers, its records, and the parts
// of its behaviour the contract suite cannot reach on a real machine.
#include <gtest/gtest.h>

#include <stdexcept>

#include "fake/fake_platform.h"

namespace velnora::fake {
namespace {

using platform::Handle;
using platform::RegRoot;
namespace error = platform::error;

TEST(FakeFiles, ShortNamesAreFoundAndExpanded) {
    FakePlatform fake;
    fake.files.AddFile("C:\\Program Files\\Vantorix 4\\VTX2.exe");
    fake.files.SetShortName("C:\\Program Files", "PROGRA~1");
    fake.files.SetShortName("C:\\Program Files\\Vantorix 4", "VANTOR~1");
    std::string expanded;
    ASSERT_EQ(fake.files.GetLongPathName("c:\\progra~1\\VANTOR~1\\vtx2.EXE", expanded),
              error::kSuccess);
    EXPECT_EQ(expanded, "c:\\Program Files\\Vantorix 4\\VTX2.exe");
    EXPECT_TRUE(fake.files.PathFileExists("C:\\PROGRA~1\\VANTOR~1"));
}

TEST(FakeFiles, ListTreeShowsEverythingBelowAFolder) {
    FakePlatform fake;
    fake.files.AddFile("D:\\Env\\b.txt");
    fake.files.AddFile("D:\\Env\\Sub\\a.txt");
    fake.files.AddFolder("D:\\Env\\Empty");
    EXPECT_EQ(fake.files.ListTree("D:\\Env"),
              (std::vector<std::string>{"b.txt", "Empty\\", "Sub\\", "Sub\\a.txt"}));
    EXPECT_THROW(fake.files.Content("D:\\Env\\missing.txt"), std::out_of_range);
}

TEST(FakeFiles, ListingsAreInCreationOrderAndCountedUntilClosed) {
    FakePlatform fake;
    for (const char* name : {"C:\\L\\zeta", "C:\\L\\Alpha", "C:\\L\\mid"})
        fake.files.AddFile(name);
    Handle find = platform::kNoHandle;
    platform::FindData data;
    std::vector<std::string> names;
    for (auto r = fake.files.FindFirst("C:\\L\\*.*", find, data); r == error::kSuccess;
         r = fake.files.FindNext(find, data))
        names.push_back(data.name);
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "zeta", "Alpha", "mid"}));
    EXPECT_EQ(fake.files.OpenListings(), 1u);
    fake.files.FindClose(find);
    EXPECT_EQ(fake.files.OpenListings(), 0u);
}

TEST(FakeFiles, RenamesForTheNextRestartAreOnlyRecorded) {
    FakePlatform fake;
    fake.files.AddFile("C:\\a.txt");
    EXPECT_EQ(fake.files.MoveFile("C:\\a.txt", "C:\\b.txt", platform::movefile::kDelayUntilReboot),
              error::kSuccess);
    EXPECT_TRUE(fake.files.Exists("C:\\a.txt"));
    ASSERT_EQ(fake.files.PendingRenames().size(), 1u);
    EXPECT_EQ(fake.files.PendingRenames()[0].second, "C:\\b.txt");
}

TEST(FakeProfile, AWriteChangesOnlyItsOwnLine) {
    FakePlatform fake;
    const std::string file = "C:\\WINDOWS\\Vtx2Inst.ini";
    fake.files.AddFile(file,
                       "; written by the installer\n\n[Install Manager]\nbWindowsReboot = 0\n"
                       "\n[Tools]\nA=1\n");
    ASSERT_TRUE(fake.profile.WriteString("install manager", "BWINDOWSREBOOT", "1", "Vtx2Inst.ini"));
    ASSERT_TRUE(fake.profile.WriteString("Install Manager", "New", "x", file));
    EXPECT_EQ(fake.files.Content(file),
              "; written by the installer\n\n[Install Manager]\nbWindowsReboot=1\nNew=x\n"
              "\n[Tools]\nA=1\n");
}

TEST(FakeProfile, ReadsFollowChangesOfTheFile) {
    FakePlatform fake;
    const std::string file = "C:\\Media\\autorun.ini";
    fake.files.AddFile(file, "[General]\nTitle=One\n");
    std::string value;
    fake.profile.GetString("General", "Title", "", 99, file, value);
    EXPECT_EQ(value, "One");
    fake.files.AddFile(file, "[General]\nTitle=Two\n");
    fake.profile.GetString("General", "Title", "", 99, file, value);
    EXPECT_EQ(value, "Two");
    fake.files.Remove(file);
    EXPECT_EQ(fake.profile.GetString("General", "Title", "", 99, file, value), 0u);
}

TEST(FakeRegistry, DeniedWritesAndOpenKeysAreVisible) {
    FakePlatform fake;
    auto& registry = fake.registry;
    registry.DenyWrite(RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
    const Handle hklm = registry.Root(RegRoot::LocalMachine);
    const std::string run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    Handle key = platform::kNoHandle;
    EXPECT_EQ(registry.OpenKey(hklm, run, platform::regaccess::kWrite, key), error::kAccessDenied);
    EXPECT_EQ(registry.CreateKey(hklm, run + "\\Sub", platform::regaccess::kWrite, key),
              error::kAccessDenied);
    // The service's default access gives what is allowed: reading.
    ASSERT_EQ(registry.OpenKeyDefault(hklm, run, key), error::kSuccess);
    EXPECT_EQ(registry.OpenKeyCount(), 1u);
    EXPECT_EQ(registry.SetValue(key, "Autorun", platform::StringValue("x")), error::kAccessDenied);
    registry.CloseKey(key);
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
    EXPECT_EQ(registry.CloseKey(key), error::kInvalidHandle);
}

TEST(FakeRegistry, SetUpHelpersAndDumpShowTheTree) {
    FakePlatform fake;
    auto& registry = fake.registry;
    registry.SetText(RegRoot::ClassesRoot, "VTX_Workspace\\DefaultIcon", "", "vtx.ico,0");
    registry.SetDword(RegRoot::LocalMachine, "SOFTWARE\\Orvessa\\Tidewatch", "Enable", 1);
    EXPECT_EQ(registry.GetText(RegRoot::LocalMachine,
                               "SOFTWARE\\Classes\\vtx_workspace\\DefaultIcon", ""),
              "vtx.ico,0");
    EXPECT_EQ(registry.SubkeyNames(RegRoot::ClassesRoot, "VTX_Workspace"),
              std::vector<std::string>{"DefaultIcon"});
    EXPECT_EQ(registry.Dump(RegRoot::LocalMachine, "SOFTWARE\\Orvessa"),
              "Orvessa\n  Tidewatch\n    \"Enable\" type 4 = 01 00 00 00 \n");
    registry.RemoveKey(RegRoot::LocalMachine, "SOFTWARE\\Orvessa");
    EXPECT_FALSE(registry.KeyExists(RegRoot::LocalMachine, "SOFTWARE\\Orvessa\\Tidewatch"));
}

TEST(FakeProcesses, CommandLinesFindTheirProgramAsWindowsDoes) {
    FakePlatform fake;
    fake.processes.AddProgram("C:\\Program Files\\Vendor\\setup.exe");
    fake.processes.AddProgram("C:\\Program.exe");
    struct Case {
        std::string commandLine;
        std::string image;
    };
    const Case cases[] = {
        {"\"C:\\Program Files\\Vendor\\setup.exe\" /s", "C:\\Program Files\\Vendor\\setup.exe"},
        {"C:\\Program Files\\Vendor\\setup /s", "C:\\Program.exe"},  // the first blank wins
        {"c:\\program files\\vendor\\SETUP.EXE", "C:\\Program.exe"},
        {"setup.exe -x", "C:\\Program Files\\Vendor\\setup.exe"},
    };
    for (const Case& c : cases) {
        platform::ProcessInfo info;
        ASSERT_EQ(fake.processes.CreateProcess(c.commandLine, 0x800, true, info), error::kSuccess)
            << c.commandLine;
        EXPECT_EQ(fake.processes.Process(info.processId)->image, c.image) << c.commandLine;
    }
    platform::ProcessInfo info;
    EXPECT_EQ(fake.processes.CreateProcess("C:\\nothing.exe", 0, false, info),
              error::kFileNotFound);
    ASSERT_EQ(fake.processes.Started().size(), 4u);
    EXPECT_EQ(fake.processes.Started()[0].creationFlags, 0x800u);
    EXPECT_TRUE(fake.processes.Started()[0].hiddenWindow);
}

TEST(FakeProcesses, EnumerationShowsTheSystemProcessesAndRespectsLimits) {
    FakePlatform fake;
    const std::uint32_t tidewatch = fake.processes.AddRunningProcess("C:\\Orvessa\\Tidewatch.exe");
    fake.processes.DenyOpen(tidewatch);
    std::vector<std::uint32_t> ids;
    ASSERT_TRUE(fake.processes.EnumProcesses(200, ids));
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{0, 4, tidewatch}));
    ASSERT_TRUE(fake.processes.EnumProcesses(2, ids));
    EXPECT_EQ(ids.size(), 2u);
    Handle process = platform::kNoHandle;
    EXPECT_EQ(fake.processes.OpenProcess(tidewatch, process), error::kAccessDenied);
    EXPECT_EQ(fake.processes.OpenProcess(4, process), error::kAccessDenied);
    EXPECT_EQ(fake.processes.CreateSnapshot(platform::toolhelp::kSnapModule, tidewatch),
              platform::kNoHandle);

    fake.processes.ShowFullPathsInSnapshots(true);
    const Handle snapshot = fake.processes.CreateSnapshot(platform::toolhelp::kSnapProcess, 0);
    platform::ProcessEntry entry;
    ASSERT_TRUE(fake.processes.ProcessFirst(snapshot, entry));
    ASSERT_TRUE(fake.processes.ProcessNext(snapshot, entry));
    ASSERT_TRUE(fake.processes.ProcessNext(snapshot, entry));
    EXPECT_EQ(entry.exeFile, "C:\\Orvessa\\Tidewatch.exe");
    EXPECT_FALSE(fake.processes.ProcessNext(snapshot, entry));
    fake.processes.CloseHandle(snapshot);
    fake.processes.CloseHandle(snapshot);
    EXPECT_EQ(fake.processes.InvalidCloses(), 1);
}

TEST(FakeProcesses, MutexesLibrariesAndFunctionsAreSetPerTest) {
    FakePlatform fake;
    fake.processes.HoldMutexElsewhere("Velnora");
    Handle mutex = platform::kNoHandle;
    EXPECT_EQ(fake.processes.CreateMutex("Velnora", mutex), error::kAlreadyExists);
    EXPECT_NE(mutex, platform::kNoHandle);
    EXPECT_EQ(fake.processes.CreateMutex("velnora", mutex), error::kSuccess);

    fake.processes.RemoveLibrary("psapi.dll");
    fake.processes.RemoveFunction("Kernel32.dll", "Module32NextW");
    EXPECT_FALSE(fake.processes.LoadLibrary("PSAPI.DLL"));
    EXPECT_TRUE(fake.processes.LoadLibrary("KERNEL32.DLL"));
    EXPECT_TRUE(fake.processes.HasFunction("Kernel32.dll", "Module32FirstW"));
    EXPECT_FALSE(fake.processes.HasFunction("Kernel32.dll", "Module32NextW"));
    EXPECT_EQ(fake.processes.LoadedLibraries(), std::vector<std::string>{"KERNEL32.DLL"});
}

TEST(FakeShell, ExecuteRecordsTheRequestAndStartsTheProgram) {
    FakePlatform fake;
    fake.processes.AddProgram("C:\\Media\\VelnoraAdm.exe", ProgramBehaviour::RunsFor(50, 2));
    platform::ExecuteRequest request{"runas", "C:\\Media\\VelnoraAdm.exe", "-maintenance_active 1",
                                     "",      platform::showcmd::kNormal,  0x540};
    Handle process = platform::kNoHandle;
    fake.shell.RefuseElevation(true);
    EXPECT_EQ(fake.shell.ShellExecuteEx(request, process), error::kCancelled);
    EXPECT_TRUE(fake.processes.Started().empty());

    fake.shell.RefuseElevation(false);
    ASSERT_EQ(fake.shell.ShellExecuteEx(request, process), error::kSuccess);
    EXPECT_EQ(fake.processes.WaitForProcess(process, platform::kInfinite), platform::kWaitObject0);
    ASSERT_EQ(fake.shell.Executed().size(), 2u);
    EXPECT_EQ(fake.shell.Executed()[1].parameters, "-maintenance_active 1");
    EXPECT_EQ(fake.processes.Started()[0].commandLine,
              "\"C:\\Media\\VelnoraAdm.exe\" -maintenance_active 1");
    fake.processes.CloseHandle(process);
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
}

TEST(FakeShell, ExecutingAShortcutStartsItsTarget) {
    FakePlatform fake;
    fake.processes.AddProgram("C:\\Orvessa\\Tidewatch.exe", ProgramBehaviour::RunsFor(10));
    platform::ShortcutData link;
    link.target = "C:\\Orvessa\\Tidewatch.exe";
    link.arguments = "-autorun";
    fake.shell.AddShortcut("C:\\Startup\\Tidewatch.lnk", link);
    EXPECT_EQ(fake.shell.ShellExecute("C:\\Startup\\Tidewatch.lnk", platform::showcmd::kMinimized),
              error::kSuccess);
    ASSERT_EQ(fake.processes.Started().size(), 1u);
    EXPECT_EQ(fake.processes.Started()[0].commandLine, "\"C:\\Orvessa\\Tidewatch.exe\" -autorun");
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
}

TEST(FakeShell, VersionsTravelWithTheirFiles) {
    FakePlatform fake;
    fake.shell.AddVersionedProgram("C:\\Env\\VTX2.exe", "4.0.8.0");
    ASSERT_EQ(fake.files.MoveFile("C:\\Env", "C:\\Env{P}", 0), error::kSuccess);
    EXPECT_EQ(fake.shell.ProductVersion("C:\\Env{P}\\VTX2.exe"), "4.0.8.0");
    EXPECT_EQ(fake.shell.ProductVersion("C:\\Env\\VTX2.exe"), std::nullopt);
}

TEST(FakeShell, GuidsComeInSequenceOrZeroOnDemand) {
    FakePlatform fake;
    platform::Guid guid;
    fake.shell.GiveZeroGuids(1);
    ASSERT_TRUE(fake.shell.CreateGuid(guid));
    EXPECT_TRUE(guid.IsZero());
    ASSERT_TRUE(fake.shell.CreateGuid(guid));
    EXPECT_EQ(guid.data1, FakeShell::SequenceGuid(1).data1);
    ASSERT_TRUE(fake.shell.CreateGuid(guid));
    EXPECT_EQ(guid.data4, FakeShell::SequenceGuid(2).data4);
    EXPECT_EQ(fake.shell.GuidsIssued(), 2u);
}

TEST(FakeShell, SpecialFoldersAreCreatedOnlyWhenAsked) {
    FakePlatform fake;
    fake.shell.SetSpecialFolder(platform::csidl::kCommonPrograms, "D:\\Menu\\Programs");
    std::string path;
    ASSERT_TRUE(fake.shell.GetSpecialFolderPath(platform::csidl::kCommonPrograms, path));
    EXPECT_FALSE(fake.files.IsFolder(path));
    ASSERT_TRUE(fake.shell.GetSpecialFolderPath(
        platform::csidl::kCommonPrograms | platform::csidl::kFlagCreate, path));
    EXPECT_TRUE(fake.files.IsFolder("D:\\Menu\\Programs"));
    fake.shell.RemoveSpecialFolder(platform::csidl::kCommonPrograms);
    EXPECT_FALSE(fake.shell.GetSpecialFolderPath(platform::csidl::kCommonPrograms, path));
}

TEST(FakeSession, ExitProcessEndsTheCodeUnderTestWithItsExitCode) {
    FakePlatform fake;
    try {
        fake.session.ExitProcess(3);
        FAIL() << "ExitProcess returned";
    } catch (const ProcessExited& exited) {
        EXPECT_EQ(exited.code, 3u);
    }
    EXPECT_EQ(fake.session.ExitCode(), 3u);
}

TEST(FakeSession, DrivesVersionsAndShutdownAreSetPerTest) {
    FakePlatform fake;
    fake.session.SetSubst("x:", "C:\\Media");
    std::string target;
    ASSERT_TRUE(fake.session.QueryDosDevice("X:", target));
    EXPECT_EQ(target, "\\??\\C:\\Media");
    EXPECT_FALSE(fake.session.QueryDosDevice("Q:", target));

    fake.session.SetVersion(4, 10, 1);  // Windows 98
    EXPECT_EQ(fake.session.GetVersionNumber() & 0x800000FFu, 0x80000004u);
    EXPECT_EQ(fake.session.GetEnvironmentVariable("temp"), "C:\\TEMP");

    EXPECT_EQ(fake.session.AbortSystemShutdown(), false);
    fake.session.SetShutdownPending(true);
    EXPECT_EQ(fake.session.AbortSystemShutdown(), true);
    fake.session.SetAbortShutdownMissing(true);
    EXPECT_EQ(fake.session.AbortSystemShutdown(), std::nullopt);
    EXPECT_TRUE(fake.session.ExitWindows(platform::ewx::kReboot | platform::ewx::kForce));
    EXPECT_EQ(fake.session.ExitWindowsCalls(), std::vector<std::uint32_t>{6});
}

TEST(FakeUserInterface, MessageBoxesAreAnsweredFromTheScript) {
    FakePlatform fake;
    namespace mb = platform::mb;
    fake.ui.QueueAnswer(platform::answer::kNo);
    EXPECT_EQ(fake.ui.MessageBox(nullptr, "Switch?", "Confirm", mb::kYesNo | mb::kIconQuestion),
              platform::answer::kNo);
    EXPECT_EQ(fake.ui.MessageBox(nullptr, "Again?", "Confirm", mb::kYesNo), platform::answer::kYes);
    EXPECT_EQ(fake.ui.MessageBox(nullptr, "Done", "Info", mb::kOk), platform::answer::kOk);
    fake.ui.QueueAnswer(platform::answer::kYes);
    EXPECT_THROW(fake.ui.MessageBox(nullptr, "Failed", "Error", mb::kOk | mb::kIconError),
                 std::logic_error);
    ASSERT_EQ(fake.ui.MessageBoxes().size(), 3u);
    EXPECT_EQ(fake.ui.MessageBoxes()[0].Icon(), mb::kIconQuestion);
    EXPECT_EQ(fake.ui.MessageBoxes()[0].Buttons(), mb::kYesNo);
}

TEST(FakeUserInterface, PickersCancelUnlessScriptedAndTheCursorNests) {
    FakePlatform fake;
    std::string path;
    EXPECT_FALSE(fake.ui.BrowseForFolder(nullptr, "Folder", "C:\\", path));
    fake.ui.QueueFolder(std::string("D:\\Vantorix"));
    EXPECT_TRUE(fake.ui.BrowseForFolder(nullptr, "Folder", "C:\\", path));
    EXPECT_EQ(path, "D:\\Vantorix");
    EXPECT_EQ(fake.ui.FolderRequests().size(), 2u);

    fake.ui.SetWaitCursor(true);
    fake.ui.SetWaitCursor(true);
    fake.ui.SetWaitCursor(false);
    EXPECT_EQ(fake.ui.WaitCursorDepth(), 1);
    EXPECT_EQ(fake.ui.MaxWaitCursorDepth(), 2);
}

}  // namespace
}  // namespace velnora::fake
