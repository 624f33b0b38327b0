// Processes, their enumeration, the mutex and the clock, as the installer waits and the
// start-up use them.
#include <algorithm>
#include <cctype>

#include "contract_fixture.h"

namespace velnora::contract {
namespace {

using platform::ErrorCode;
using platform::Handle;
namespace error = platform::error;

bool SamePath(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string FileNameOf(const std::string& path) {
    return path.substr(path.find_last_of('\\') + 1);
}

// A started process lists its modules only once the loader has run in it: polls for up to
// two seconds.
bool ModulesListed(platform::Processes& processes, std::uint32_t processId) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        Handle opened = platform::kNoHandle;
        std::vector<Handle> modules;
        if (processes.OpenProcess(processId, opened) == error::kSuccess) {
            const bool listed = processes.EnumProcessModules(opened, 100, modules);
            processes.CloseHandle(opened);
            if (listed && !modules.empty())
                return true;
        }
        processes.Sleep(20);
    }
    return false;
}

class RunningChild {
  public:
    RunningChild(platform::Processes& processes, const std::string& commandLine)
        : processes_(processes) {
        started = processes_.CreateProcess(commandLine, platform::createflags::kSeparateWowVdm,
                                           false, info);
    }
    ~RunningChild() {
        if (started != error::kSuccess)
            return;
        std::uint32_t code = 0;
        if (processes_.GetExitCode(info.process, code) == error::kSuccess &&
            code == platform::kStillActive)
            processes_.TerminateProcess(info.process, 1);
        processes_.WaitForProcess(info.process, 5000);
        processes_.CloseHandle(info.thread);
        processes_.CloseHandle(info.process);
    }

    ErrorCode started = error::kSuccess;
    platform::ProcessInfo info;

  private:
    platform::Processes& processes_;
};

TEST_P(PlatformContract, AStartedProcessIsWaitedForAndGivesItsExitCode) {
    RunningChild child(Procs(), ChildCommand(200, 7));
    ASSERT_EQ(child.started, error::kSuccess);
    EXPECT_NE(child.info.processId, 0u);
    EXPECT_NE(child.info.process, platform::kNoHandle);
    EXPECT_NE(child.info.thread, platform::kNoHandle);
    EXPECT_EQ(Procs().WaitForProcess(child.info.process, platform::kInfinite),
              platform::kWaitObject0);
    std::uint32_t code = 0;
    ASSERT_EQ(Procs().GetExitCode(child.info.process, code), error::kSuccess);
    EXPECT_EQ(code, 7u);
}

TEST_P(PlatformContract, ARunningProcessIsStillActiveUntilTerminated) {
    RunningChild child(Procs(), ChildCommand(60000, 0));
    ASSERT_EQ(child.started, error::kSuccess);
    std::uint32_t code = 0;
    ASSERT_EQ(Procs().GetExitCode(child.info.process, code), error::kSuccess);
    EXPECT_EQ(code, platform::kStillActive);
    EXPECT_EQ(Procs().WaitForProcess(child.info.process, 50), platform::kWaitTimeout);

    EXPECT_EQ(Procs().TerminateProcess(child.info.process, 9), error::kSuccess);
    EXPECT_EQ(Procs().WaitForProcess(child.info.process, 5000), platform::kWaitObject0);
    ASSERT_EQ(Procs().GetExitCode(child.info.process, code), error::kSuccess);
    EXPECT_EQ(code, 9u);
}

TEST_P(PlatformContract, AProcessFoundByItsIdCanBeEnded) {
    RunningChild child(Procs(), ChildCommand(60000, 0));
    ASSERT_EQ(child.started, error::kSuccess);
    Handle opened = platform::kNoHandle;
    ASSERT_EQ(Procs().OpenProcessAllAccess(child.info.processId, opened), error::kSuccess);
    EXPECT_EQ(Procs().TerminateProcess(opened, 0), error::kSuccess);
    Procs().CloseHandle(opened);
    EXPECT_EQ(Procs().WaitForProcess(child.info.process, 5000), platform::kWaitObject0);
    std::uint32_t code = platform::kStillActive;
    ASSERT_EQ(Procs().GetExitCode(child.info.process, code), error::kSuccess);
    EXPECT_EQ(code, 0u);
}

TEST_P(PlatformContract, AProgramThatDoesNotExistCannotBeStarted) {
    platform::ProcessInfo info;
    EXPECT_NE(Procs().CreateProcess("\"" + Scratch("missing.exe") + "\" /s", 0, false, info),
              error::kSuccess);
    EXPECT_EQ(info.process, platform::kNoHandle);
}

TEST_P(PlatformContract, PsapiEnumerationFindsAStartedProcessAndItsProgramFile) {
    RunningChild child(Procs(), ChildCommand(60000, 0));
    ASSERT_EQ(child.started, error::kSuccess);
    std::vector<std::uint32_t> ids;
    ASSERT_TRUE(Procs().EnumProcesses(1024, ids));
    EXPECT_NE(std::find(ids.begin(), ids.end(), child.info.processId), ids.end());
    ASSERT_TRUE(Procs().EnumProcesses(2, ids));
    EXPECT_LE(ids.size(), 2u);

    ASSERT_TRUE(ModulesListed(Procs(), child.info.processId));
    Handle opened = platform::kNoHandle;
    ASSERT_EQ(Procs().OpenProcess(child.info.processId, opened), error::kSuccess);
    std::vector<Handle> modules;
    ASSERT_TRUE(Procs().EnumProcessModules(opened, 100, modules));
    ASSERT_FALSE(modules.empty());
    std::string path;
    EXPECT_GT(Procs().GetModuleFileNameEx(opened, modules[0], path), 0u);
    EXPECT_TRUE(SamePath(path, Put().ChildProgram())) << path;
    ASSERT_TRUE(Procs().EnumProcessModules(opened, 1, modules));
    EXPECT_EQ(modules.size(), 1u);
    Procs().CloseHandle(opened);
}

TEST_P(PlatformContract, ToolhelpFindsAStartedProcessAndItsProgramFile) {
    RunningChild child(Procs(), ChildCommand(60000, 0));
    ASSERT_EQ(child.started, error::kSuccess);

    Handle snapshot = Procs().CreateSnapshot(platform::toolhelp::kSnapProcess, 0);
    ASSERT_NE(snapshot, platform::kNoHandle);
    platform::ProcessEntry process;
    bool found = false;
    for (bool more = Procs().ProcessFirst(snapshot, process); more;
         more = Procs().ProcessNext(snapshot, process))
        if (process.processId == child.info.processId) {
            found = true;
            EXPECT_TRUE(SamePath(process.exeFile, FileNameOf(Put().ChildProgram())))
                << process.exeFile;
        }
    EXPECT_TRUE(found);
    Procs().CloseHandle(snapshot);

    ASSERT_TRUE(ModulesListed(Procs(), child.info.processId));
    Handle modules = Procs().CreateSnapshot(platform::toolhelp::kSnapModule, child.info.processId);
    ASSERT_NE(modules, platform::kNoHandle);
    platform::ModuleEntry module;
    bool foundProgram = false;
    for (bool more = Procs().ModuleFirst(modules, module); more;
         more = Procs().ModuleNext(modules, module))
        foundProgram = foundProgram || SamePath(module.exePath, Put().ChildProgram());
    EXPECT_TRUE(foundProgram);
    Procs().CloseHandle(modules);
}

TEST_P(PlatformContract, AProcessThatIsNotThereCannotBeOpened) {
    Handle opened = platform::kNoHandle;
    EXPECT_NE(Procs().OpenProcess(0x7FFFFFF0u, opened), error::kSuccess);
    EXPECT_EQ(opened, platform::kNoHandle);
}

TEST_P(PlatformContract, TheProcessEnumerationFunctionsAreThere) {
    EXPECT_TRUE(Procs().LoadLibrary("PSAPI.DLL"));
    EXPECT_TRUE(Procs().LoadLibrary("Kernel32.dll"));
    EXPECT_TRUE(Procs().LoadLibrary("Shell32.dll"));
    EXPECT_TRUE(Procs().LoadLibrary("Advapi32.dll"));
    for (const char* function : {"EnumProcesses", "EnumProcessModules", "GetModuleFileNameExW"})
        EXPECT_TRUE(Procs().HasFunction("PSAPI.DLL", function)) << function;
    for (const char* function : {"CreateToolhelp32Snapshot", "Process32FirstW", "Process32NextW",
                                 "Module32FirstW", "Module32NextW"})
        EXPECT_TRUE(Procs().HasFunction("Kernel32.dll", function)) << function;
    EXPECT_TRUE(Procs().HasFunction("Shell32.dll", "SHGetSpecialFolderPathW"));
    EXPECT_TRUE(Procs().HasFunction("Advapi32.dll", "AbortSystemShutdownW"));

    EXPECT_FALSE(Procs().LoadLibrary("VelnoraNoSuchLibrary.dll"));
    EXPECT_FALSE(Procs().HasFunction("Kernel32.dll", "VelnoraNoSuchFunction"));
}

// Libraries come from the system folder only: one beside the program is not loaded, even by
// its bare name. Once loaded it would leave its marker beside itself.
TEST_P(PlatformContract, ALibraryBesideTheProgramIsNotLoaded) {
    const std::string beside = Put().LibraryBesideProgram();
    const std::string marker = beside + ".loaded";
    ASSERT_TRUE(Files().PathFileExists(beside));
    Files().DeleteFile(marker);
    EXPECT_FALSE(Procs().LoadLibrary(beside.substr(beside.rfind('\\') + 1)));
    EXPECT_FALSE(Files().PathFileExists(marker));
}

TEST_P(PlatformContract, ASecondMutexOfTheSameNameReportsAlreadyExists) {
    const std::string scratch = ScratchKeyPath();
    const std::string name = "VelnoraContract" + scratch.substr(scratch.rfind('\\') + 1);
    Handle first = platform::kNoHandle;
    Handle second = platform::kNoHandle;
    ASSERT_EQ(Procs().CreateMutex(name, first), error::kSuccess);
    EXPECT_EQ(Procs().CreateMutex(name, second), error::kAlreadyExists);
    EXPECT_NE(second, platform::kNoHandle);
    Procs().CloseHandle(second);
    Procs().CloseHandle(first);

    Handle again = platform::kNoHandle;
    EXPECT_EQ(Procs().CreateMutex(name, again), error::kSuccess);
    Procs().CloseHandle(again);
}

TEST_P(PlatformContract, TheTickCountAdvancesOverASleep) {
    const std::uint32_t before = Procs().GetTickCount();
    Procs().Sleep(200);
    const std::uint32_t elapsed = Procs().GetTickCount() - before;
    // The real tick count moves in steps of 10 to 16 ms, and under Wine it may lag a little
    // more on a busy machine.
    EXPECT_GE(elapsed, 150u);
    EXPECT_LT(elapsed, 5000u);
}

TEST_P(PlatformContract, AWaitForMessagesReturnsWhenTheProcessEnds) {
    RunningChild child(Procs(), ChildCommand(300, 0));
    ASSERT_EQ(child.started, error::kSuccess);
    const std::uint32_t before = Procs().GetTickCount();
    P().ui.WaitForMessageOrProcess(child.info.process, 20000);
    const std::uint32_t elapsed = Procs().GetTickCount() - before;
    EXPECT_EQ(Procs().WaitForProcess(child.info.process, 0), platform::kWaitObject0);
    EXPECT_LT(elapsed, 10000u);
}

TEST_P(PlatformContract, AWaitForMessagesSleepsUntilItsTimeOut) {
    // Nothing to wait for but the time-out: the wait takes about that long.
    const std::uint32_t before = Procs().GetTickCount();
    P().ui.WaitForMessageOrProcess(platform::kNoHandle, 200);
    const std::uint32_t elapsed = Procs().GetTickCount() - before;
    EXPECT_GE(elapsed, 150u);
    EXPECT_LT(elapsed, 5000u);
}

TEST_P(PlatformContract, APostedQuitIsTakenByThePump) {
    while (P().ui.PumpOne() != platform::PumpStep::kEmpty) {
    }
    P().ui.PostQuit(0);
    EXPECT_EQ(P().ui.PumpOne(), platform::PumpStep::kQuit);
    EXPECT_EQ(P().ui.PumpOne(), platform::PumpStep::kEmpty);
}

}  // namespace
}  // namespace velnora::contract
