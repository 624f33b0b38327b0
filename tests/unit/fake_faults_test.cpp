// The fault plan of the fake platform: every operation consults it, by the stable names the
// rollback tests use.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <stdexcept>

#include "fake/fake_platform.h"

namespace velnora::fake {
namespace {

using platform::ErrorCode;
using platform::Handle;
namespace error = platform::error;

constexpr ErrorCode kInjected = 1117;  // ERROR_IO_DEVICE, unlike anything the fakes give

// One call of every operation on a prepared machine.
std::map<std::string, std::function<void(FakePlatform&)>> EveryOperation() {
    using P = FakePlatform;
    const std::string ini = "C:\\a.ini";
    std::map<std::string, std::function<void(P&)>> calls = {
        {"GetString",
         [=](P& f) {
             std::string o;
             f.profile.GetString("S", "k", "", 9, ini, o);
         }},
        {"GetSection",
         [=](P& f) {
             std::string o;
             f.profile.GetSection("S", 9, ini, o);
         }},
        {"WriteString", [=](P& f) { f.profile.WriteString("S", "k", "v", ini); }},
        {"Root", [](P& f) { f.registry.Root(platform::RegRoot::LocalMachine); }},
        {"OpenKey",
         [](P& f) {
             Handle k;
             f.registry.OpenKey(f.registry.Root(platform::RegRoot::LocalMachine), "SOFTWARE",
                                platform::regaccess::kRead, k);
         }},
        {"OpenKeyDefault",
         [](P& f) {
             Handle k;
             f.registry.OpenKeyDefault(f.registry.Root(platform::RegRoot::LocalMachine), "SOFTWARE",
                                       k);
         }},
        {"CreateKey",
         [](P& f) {
             Handle k;
             f.registry.CreateKey(f.registry.Root(platform::RegRoot::LocalMachine), "SOFTWARE\\X",
                                  platform::regaccess::kWrite, k);
         }},
        {"CloseKey",
         [](P& f) { f.registry.CloseKey(f.registry.Root(platform::RegRoot::LocalMachine)); }},
        {"EnumKey",
         [](P& f) {
             std::string n;
             f.registry.EnumKey(f.registry.Root(platform::RegRoot::LocalMachine), 0, 99, n);
         }},
        {"EnumValue",
         [](P& f) {
             std::string n;
             platform::RegValue v;
             f.registry.EnumValue(f.registry.Root(platform::RegRoot::LocalMachine), 0, 99, 99, n,
                                  v);
         }},
        {"QueryInfoKey",
         [](P& f) {
             platform::RegKeyInfo i;
             f.registry.QueryInfoKey(f.registry.Root(platform::RegRoot::LocalMachine), i);
         }},
        {"QueryValue",
         [](P& f) {
             platform::RegValue v;
             f.registry.QueryValue(f.registry.Root(platform::RegRoot::LocalMachine), "x", 9, v);
         }},
        {"SetValue",
         [](P& f) {
             f.registry.SetValue(f.registry.Root(platform::RegRoot::LocalMachine), "x",
                                 platform::DwordValue(1));
         }},
        {"DeleteKey",
         [](P& f) {
             f.registry.DeleteKey(f.registry.Root(platform::RegRoot::LocalMachine), "SOFTWARE\\Y");
         }},
        {"DeleteValue",
         [](P& f) {
             f.registry.DeleteValue(f.registry.Root(platform::RegRoot::LocalMachine), "x");
         }},
        {"FindFirst",
         [](P& f) {
             Handle h;
             platform::FindData d;
             f.files.FindFirst("C:\\*", h, d);
         }},
        {"FindNext",
         [](P& f) {
             platform::FindData d;
             f.files.FindNext(1, d);
         }},
        {"FindClose", [](P& f) { f.files.FindClose(1); }},
        {"GetAttributes", [](P& f) { f.files.GetAttributes("C:\\TEMP"); }},
        {"SetAttributes", [](P& f) { f.files.SetAttributes("C:\\TEMP", 0x80); }},
        {"MoveFile", [](P& f) { f.files.MoveFile("C:\\a", "C:\\b", 0); }},
        {"CopyFile", [](P& f) { f.files.CopyFile("C:\\a", "C:\\b", false); }},
        {"DeleteFile", [](P& f) { f.files.DeleteFile("C:\\a"); }},
        {"CreateDirectory", [](P& f) { f.files.CreateDirectory("C:\\d"); }},
        {"RemoveDirectory", [](P& f) { f.files.RemoveDirectory("C:\\d"); }},
        {"CanOpenForReading", [](P& f) { f.files.CanOpenForReading("C:\\a"); }},
        {"ReadFile",
         [](P& f) {
             std::string c;
             f.files.ReadFile("C:\\a", c);
         }},
        {"WriteFile", [](P& f) { f.files.WriteFile("C:\\a", "x"); }},
        {"GetLongPathName",
         [](P& f) {
             std::string l;
             f.files.GetLongPathName("C:\\TEMP", l);
         }},
        {"PathFileExists", [](P& f) { f.files.PathFileExists("C:\\TEMP"); }},
        {"PathIsDirectory", [](P& f) { f.files.PathIsDirectory("C:\\TEMP"); }},
        {"GetModifiedTime",
         [](P& f) {
             platform::LocalFileTime t;
             f.files.GetModifiedTime("C:\\TEMP", t);
         }},
        {"CreateProcess",
         [](P& f) {
             platform::ProcessInfo i;
             f.processes.CreateProcess("x", 0, false, i);
         }},
        {"WaitForProcess", [](P& f) { f.processes.WaitForProcess(1, 0); }},
        {"GetExitCode",
         [](P& f) {
             std::uint32_t c;
             f.processes.GetExitCode(1, c);
         }},
        {"OpenProcess",
         [](P& f) {
             Handle h;
             f.processes.OpenProcess(4, h);
         }},
        {"OpenProcessAllAccess",
         [](P& f) {
             Handle h;
             f.processes.OpenProcessAllAccess(4, h);
         }},
        {"TerminateProcess", [](P& f) { f.processes.TerminateProcess(1, 0); }},
        {"CloseHandle", [](P& f) { f.processes.CloseHandle(1); }},
        {"LoadLibrary", [](P& f) { f.processes.LoadLibrary("PSAPI.DLL"); }},
        {"HasFunction", [](P& f) { f.processes.HasFunction("PSAPI.DLL", "EnumProcesses"); }},
        {"EnumProcesses",
         [](P& f) {
             std::vector<std::uint32_t> ids;
             f.processes.EnumProcesses(9, ids);
         }},
        {"EnumProcessModules",
         [](P& f) {
             std::vector<Handle> m;
             f.processes.EnumProcessModules(1, 9, m);
         }},
        {"GetModuleFileNameEx",
         [](P& f) {
             std::string p;
             f.processes.GetModuleFileNameEx(1, 1, p);
         }},
        {"CreateSnapshot", [](P& f) { f.processes.CreateSnapshot(2, 0); }},
        {"ProcessFirst",
         [](P& f) {
             platform::ProcessEntry e;
             f.processes.ProcessFirst(1, e);
         }},
        {"ProcessNext",
         [](P& f) {
             platform::ProcessEntry e;
             f.processes.ProcessNext(1, e);
         }},
        {"ModuleFirst",
         [](P& f) {
             platform::ModuleEntry e;
             f.processes.ModuleFirst(1, e);
         }},
        {"ModuleNext",
         [](P& f) {
             platform::ModuleEntry e;
             f.processes.ModuleNext(1, e);
         }},
        {"CreateMutex",
         [](P& f) {
             Handle h;
             f.processes.CreateMutex("m", h);
         }},
        {"ReleaseMutex", [](P& f) { f.processes.ReleaseMutex(1); }},
        {"Sleep", [](P& f) { f.processes.Sleep(1); }},
        {"GetTickCount", [](P& f) { f.processes.GetTickCount(); }},
        {"GetSpecialFolderPath",
         [](P& f) {
             std::string p;
             f.shell.GetSpecialFolderPath(0x24, p);
         }},
        {"ShellExecuteEx",
         [](P& f) {
             Handle h;
             f.shell.ShellExecuteEx({"open", "C:\\x.exe", "", "", 1, 0}, h);
         }},
        {"ShellExecute", [](P& f) { f.shell.ShellExecute("C:\\x.lnk", 2); }},
        {"ReadShortcut",
         [](P& f) {
             std::string t, a;
             f.shell.ReadShortcut("C:\\x.lnk", t, a);
         }},
        {"CreateShortcut", [](P& f) { f.shell.CreateShortcut("C:\\x.lnk", {}); }},
        {"ShellMoveFolder", [](P& f) { f.shell.ShellMoveFolder("C:\\a", "C:\\b"); }},
        {"NotifyFolderChanged", [](P& f) { f.shell.NotifyFolderChanged("C:\\a"); }},
        {"ProductVersion", [](P& f) { f.shell.ProductVersion("C:\\Media\\Velnora.exe"); }},
        {"CreateGuid",
         [](P& f) {
             platform::Guid g;
             f.shell.CreateGuid(g);
         }},
        {"CommandLine", [](P& f) { f.session.CommandLine(); }},
        {"ProgramPath", [](P& f) { f.session.ProgramPath(); }},
        {"GetVersion",
         [](P& f) {
             platform::OsVersion v;
             f.session.GetVersion(v);
         }},
        {"GetVersionNumber", [](P& f) { f.session.GetVersionNumber(); }},
        {"SystemLocaleEnglishCountry", [](P& f) { f.session.SystemLocaleEnglishCountry(); }},
        {"GetEnvironmentVariable", [](P& f) { f.session.GetEnvironmentVariable("TEMP"); }},
        {"QueryDosDevice",
         [](P& f) {
             std::string t;
             f.session.QueryDosDevice("C:", t);
         }},
        {"EnableShutdownPrivilege", [](P& f) { f.session.EnableShutdownPrivilege(); }},
        {"ExitWindows", [](P& f) { f.session.ExitWindows(2); }},
        {"AbortSystemShutdown", [](P& f) { f.session.AbortSystemShutdown(); }},
        {"ExitProcess",
         [](P& f) {
             try {
                 f.session.ExitProcess(0);
             } catch (const ProcessExited&) {
             }
         }},
        {"MessageBox", [](P& f) { f.ui.MessageBox(nullptr, "t", "c", 0); }},
        {"RunModal",
         [](P& f) {
             platform::DialogPage page(9999);
             f.ui.AttachDialogHost(nullptr);
             f.ui.RunModal(page, nullptr);
         }},
        {"OpenModeless",
         [](P& f) {
             platform::DialogPage page(9999);
             f.ui.AttachDialogHost(nullptr);
             f.ui.OpenModeless(page, nullptr);
         }},
        {"ChooseFileToOpen",
         [](P& f) {
             std::string p;
             f.ui.ChooseFileToOpen(nullptr, {}, p);
         }},
        {"ChooseFileToSave",
         [](P& f) {
             std::string p;
             f.ui.ChooseFileToSave(nullptr, {}, p);
         }},
        {"BrowseForFolder",
         [](P& f) {
             std::string p;
             f.ui.BrowseForFolder(nullptr, "t", "C:\\", p);
         }},
        {"SetWaitCursor", [](P& f) { f.ui.SetWaitCursor(true); }},
        {"OpenHelp", [](P& f) { f.ui.OpenHelp("C:\\h.chm", 0); }},
        {"PumpOne", [](P& f) { f.ui.PumpOne(); }},
        {"PostQuit", [](P& f) { f.ui.PostQuit(0); }},
        {"WaitForMessageOrProcess", [](P& f) { f.ui.WaitForMessageOrProcess(0, 10); }},
    };
    return calls;
}

TEST(FakeFaults, EveryListedOperationIsCountedByItsMethod) {
    const auto calls = EveryOperation();
    std::set<std::string> listed;
    for (std::string_view name : AllOperations())
        EXPECT_TRUE(listed.insert(std::string(name)).second) << "listed twice: " << name;
    std::set<std::string> called;
    for (const auto& [name, call] : calls)
        called.insert(name);
    EXPECT_EQ(listed, called);

    for (const auto& [name, call] : calls) {
        FakePlatform fake;
        call(fake);
        EXPECT_EQ(fake.faults.Calls(name), 1) << name;
    }
}

TEST(FakeFaults, AnInjectedFailureShowsInTheResultOfTheCall) {
    FakePlatform fake;
    fake.files.AddFile("C:\\a.txt", "x");
    fake.files.AddFile("C:\\a.ini", "[S]\nk=v\n");
    fake.processes.AddProgram("C:\\setup.exe", ProgramBehaviour::RunsFor(100));
    for (std::string_view name : AllOperations())
        fake.faults.FailAlways(name, kInjected);

    Handle handle = 7;
    platform::FindData found;
    std::string text = "unchanged";
    platform::ProcessInfo info;
    platform::Guid guid;
    EXPECT_EQ(fake.files.MoveFile("C:\\a.txt", "C:\\b.txt", 0), kInjected);
    EXPECT_EQ(fake.files.FindFirst("C:\\*", handle, found), kInjected);
    EXPECT_EQ(handle, platform::kNoHandle);
    EXPECT_EQ(fake.files.GetAttributes("C:\\a.txt"), platform::fileattr::kInvalid);
    EXPECT_FALSE(fake.files.PathFileExists("C:\\a.txt"));
    EXPECT_EQ(fake.profile.GetString("S", "k", "dflt", 99, "C:\\a.ini", text), 4u);
    EXPECT_EQ(text, "dflt");
    EXPECT_FALSE(fake.profile.WriteString("S", "k", "w", "C:\\a.ini"));
    EXPECT_EQ(fake.processes.CreateProcess("C:\\setup.exe", 0, false, info), kInjected);
    EXPECT_EQ(fake.processes.CreateSnapshot(2, 0), platform::kNoHandle);
    EXPECT_EQ(fake.processes.WaitForProcess(1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(fake.shell.CreateShortcut("C:\\x.lnk", {}),
              static_cast<platform::HResult>(0x80070000u | kInjected));
    EXPECT_EQ(fake.shell.ShellMoveFolder("C:\\a", "C:\\b"), static_cast<int>(kInjected));
    EXPECT_FALSE(fake.shell.CreateGuid(guid));
    EXPECT_EQ(fake.shell.ProductVersion("C:\\Media\\Velnora.exe"), std::nullopt);
    EXPECT_EQ(fake.session.GetEnvironmentVariable("TEMP"), std::nullopt);
    EXPECT_EQ(fake.session.AbortSystemShutdown(), false);
    EXPECT_EQ(fake.ui.MessageBox(nullptr, "t", "c", 0), 0);
    EXPECT_TRUE(fake.ui.MessageBoxes().empty());

    // Nothing happened behind the failures.
    EXPECT_EQ(fake.files.Content("C:\\a.txt"), "x");
    EXPECT_EQ(fake.files.Content("C:\\a.ini"), "[S]\nk=v\n");
    EXPECT_TRUE(fake.processes.Started().empty());
}

TEST(FakeFaults, FailAtHitsOnlyTheNthCall) {
    FakePlatform fake;
    for (const char* name : {"C:\\a", "C:\\b", "C:\\c"})
        fake.files.AddFolder(name);
    fake.faults.FailAt("MoveFile", 2, error::kAccessDenied);

    EXPECT_EQ(fake.files.MoveFile("C:\\a", "C:\\a2", 0), error::kSuccess);
    EXPECT_EQ(fake.files.MoveFile("C:\\b", "C:\\b2", 0), error::kAccessDenied);
    EXPECT_EQ(fake.files.MoveFile("C:\\c", "C:\\c2", 0), error::kSuccess);
    EXPECT_TRUE(fake.files.IsFolder("C:\\b"));
    EXPECT_FALSE(fake.files.IsFolder("C:\\b2"));
    EXPECT_EQ(fake.faults.Calls("MoveFile"), 3);
    EXPECT_EQ(fake.faults.Injected("MoveFile"), 1);
}

TEST(FakeFaults, FailFromAndFailAlwaysLastUntilCleared) {
    FakePlatform fake;
    fake.faults.FailFrom("CreateDirectory", 2, error::kAccessDenied);
    EXPECT_EQ(fake.files.CreateDirectory("C:\\one"), error::kSuccess);
    EXPECT_EQ(fake.files.CreateDirectory("C:\\two"), error::kAccessDenied);
    EXPECT_EQ(fake.files.CreateDirectory("C:\\three"), error::kAccessDenied);

    fake.faults.Clear();
    EXPECT_EQ(fake.files.CreateDirectory("C:\\four"), error::kSuccess);
    fake.faults.FailAlways("CreateDirectory", error::kPathNotFound);
    EXPECT_EQ(fake.files.CreateDirectory("C:\\five"), error::kPathNotFound);
    EXPECT_EQ(fake.faults.Calls("CreateDirectory"), 5);
    EXPECT_EQ(fake.faults.Injected(), 3);
}

TEST(FakeFaults, TheLogKeepsEveryCallInOrderWithItsSubject) {
    FakePlatform fake;
    fake.faults.Reset();
    fake.files.CreateDirectory("C:\\x");
    fake.files.MoveFile("C:\\x", "C:\\y", 0);
    fake.profile.WriteString("S", "k", "v", "C:\\y\\a.ini");
    ASSERT_EQ(fake.faults.Log().size(), 3u);
    EXPECT_EQ(fake.faults.Log()[0].operation, "CreateDirectory");
    EXPECT_EQ(fake.faults.Log()[1].subject, "C:\\x -> C:\\y");
    EXPECT_EQ(fake.faults.Subjects("WriteString"), std::vector<std::string>{"C:\\y\\a.ini"});
}

// What another program does while a call is made: before the call's own work, once.
TEST(FakeFaults, AnActionRunsWhenItsCallBegins) {
    FakePlatform fake;
    fake.files.AddFolder("C:\\a");
    fake.faults.ActAt("MoveFile", 2, [&fake] { fake.files.Remove("C:\\a"); });

    EXPECT_NE(fake.files.MoveFile("C:\\none", "C:\\x", 0), error::kSuccess);
    EXPECT_NE(fake.files.MoveFile("C:\\a", "C:\\b", 0), error::kSuccess);
    EXPECT_FALSE(fake.files.IsFolder("C:\\b"));
    fake.files.AddFolder("C:\\a");
    EXPECT_EQ(fake.files.MoveFile("C:\\a", "C:\\b", 0), error::kSuccess);
    EXPECT_EQ(fake.faults.Injected(), 0);
}

TEST(FakeFaults, UnknownOperationNamesAreRefused) {
    Faults faults;
    EXPECT_THROW(faults.FailAt("MoveFileEx", 1, 5), std::invalid_argument);
    EXPECT_THROW(faults.FailAt("MoveFile", 0, 5), std::invalid_argument);
    EXPECT_THROW(faults.ActAt("MoveFileEx", 1, [] {}), std::invalid_argument);
    EXPECT_NO_THROW(faults.FailAlways("MoveFile", 5));
}

}  // namespace
}  // namespace velnora::fake
