#include "installer/catalogue.h"
#include "installer/execution.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/exit_codes.h"
#include "installer/run_state.h"
#include "installer_fixture.h"

namespace velnora::installer {
namespace {

using testing::InstallerFixture;
using testing::kStateFile;

constexpr char kSetup[] = "C:\\Media\\Setup\\setup.exe";
constexpr char kMsgDetected[] = "Msg detected!";
// Every end of the program in the middle of a run: it is no completed install.
constexpr std::uint32_t kCutOff = core::twinexit::kCutOff;

// Stands in for the installer page: its end-of-session handlers note the end of the logon.
class SessionWatcher : public platform::DialogPage {
  public:
    explicit SessionWatcher(installer::RunFlags& state) : DialogPage(9001), state_(state) {}
    bool OnQueryEndSession() override {
        installer::NoteEndOfSession(state_);
        return true;
    }
    void OnEndSession(bool) override { installer::NoteEndOfSession(state_); }

  private:
    installer::RunFlags& state_;
};

class InstallerExecution : public InstallerFixture {
  protected:
    InstallerExecution() : watcher(context.run) {}
    ~InstallerExecution() override {
        if (fake.dialogs.IsOpen(&watcher))
            fake.dialogs.Driver(watcher).CloseBox();
    }

    // An installer that runs `runMs` after its start.
    void AddInstaller(std::uint64_t runMs, const std::string& path = kSetup) {
        fake::ProgramBehaviour behaviour;
        behaviour.runMs = runMs;
        fake.processes.AddProgram(path, behaviour);
    }

    // Windows ends the logon at `time`; the open page notices.
    void EndLogonAt(std::uint64_t time) {
        ASSERT_TRUE(fake.ui.OpenModeless(watcher, nullptr));
        fake.ui.EndSessionAt(time);
    }

    // Runs `action`; the exit code when it ended the program.
    std::optional<std::uint32_t> ExitOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const fake::ProcessExited& exited) {
            return exited.code;
        }
        return std::nullopt;
    }

    // Reads the run state at virtual time `time`, while the program waits.
    void SampleContinueAt(std::uint64_t time, std::optional<std::string>& sample) {
        fake.ui.PostMessageAt(time, [this, &sample] { sample = Continue(); });
    }

    std::optional<std::string> Continue() { return IniValue(kStateFile, "General", "Continue"); }

    // Process-list reads so far (either enumeration path).
    int ProcessListReads() const {
        return fake.faults.Calls(fake::op::kEnumProcesses) +
               fake.faults.Calls(fake::op::kCreateSnapshot);
    }

    SessionWatcher watcher;
};

// --- Loading the enumeration functions --------------------------------------------------

struct ApiCase {
    const char* name;
    std::uint32_t major;
    std::uint32_t platformId;
    const char* library;   // removed, or the library of the removed function
    const char* function;  // removed; null: the whole library is missing
    const char* message;   // null: loading succeeds
    bool psapi;
};

constexpr char kPsapiMissing[] =
    "PSAPI.dll is not found. Autorun is not able to run. \nPlease manually install.";
constexpr char kKernelMissing[] =
    "Kernel32.dll is not found. Autorun is not able to run. \nPlease manually install.";
constexpr char kShellMissing[] =
    "Shell32.dll is not found. Autorun is not able to run. \nPlease manually install.";
constexpr char kApiError[] = "API Loading Error. \nPlease manually install.";

class InstallerLoadApi : public InstallerFixture, public ::testing::WithParamInterface<ApiCase> {};

TEST_P(InstallerLoadApi, ByVersion) {
    const ApiCase& c = GetParam();
    SetOs(c.major, 0, c.platformId);
    if (c.library != nullptr && c.function == nullptr)
        fake.processes.RemoveLibrary(c.library);
    if (c.function != nullptr)
        fake.processes.RemoveFunction(c.library, c.function);
    // The messages are English in the Japanese set too.
    context.texts = core::TextSet(true);

    EXPECT_EQ(LoadProcessApi(context, notices), c.message == nullptr);
    EXPECT_EQ(context.processApi.loaded, c.message == nullptr);
    EXPECT_EQ(context.processApi.usePsapi, c.psapi);
    if (c.message == nullptr) {
        EXPECT_TRUE(Said().empty());
    } else {
        ASSERT_EQ(Said().size(), 1u);
        EXPECT_EQ(Said()[0].text, c.message);
        EXPECT_EQ(Said()[0].caption, core::NoticeCaption::kProgramName);
        EXPECT_EQ(Said()[0].style, platform::mb::kOk);
    }
}

INSTANTIATE_TEST_SUITE_P(
    InstallerVersions, InstallerLoadApi,
    ::testing::Values(
        ApiCase{"Nt4", 4, 2, nullptr, nullptr, nullptr, true},
        ApiCase{"Nt4NoPsapi", 4, 2, "PSAPI.DLL", nullptr, kPsapiMissing, true},
        ApiCase{"Nt4NoModuleName", 4, 2, "PSAPI.DLL", "GetModuleFileNameExW", kApiError, true},
        ApiCase{"Nt4NoEnum", 4, 2, "PSAPI.DLL", "EnumProcesses", kApiError, true},
        // Windows 2000 and later, and Windows 9x, use the toolhelp functions.
        ApiCase{"Xp", 5, 2, nullptr, nullptr, nullptr, false},
        ApiCase{"XpWithoutPsapi", 5, 2, "PSAPI.DLL", nullptr, nullptr, false},
        ApiCase{"XpNoKernel", 5, 2, "Kernel32.dll", nullptr, kKernelMissing, false},
        ApiCase{"XpNoModuleNext", 5, 2, "Kernel32.dll", "Module32NextW", kApiError, false},
        ApiCase{"XpNoShell", 5, 2, "Shell32.dll", nullptr, kShellMissing, false},
        ApiCase{"XpNoFolderPath", 5, 2, "Shell32.dll", "SHGetSpecialFolderPathW", kApiError, false},
        ApiCase{"Win9x", 4, 1, nullptr, nullptr, nullptr, false},
        ApiCase{"Win9xNoSnapshot", 4, 1, "Kernel32.dll", "CreateToolhelp32Snapshot", kApiError,
                false},
        ApiCase{"Seven", 6, 2, "Shell32.dll", nullptr, kShellMissing, false}),
    [](const ::testing::TestParamInfo<ApiCase>& info) { return std::string(info.param.name); });

TEST_F(InstallerExecution, ProcessAliveOnBothPaths) {
    const std::uint32_t pid = fake.processes.AddRunningProcess("C:\\Tools\\tool.exe");
    EXPECT_TRUE(IsProcessAlive(context, pid, notices));
    EXPECT_FALSE(IsProcessAlive(context, pid + 1, notices));
    EXPECT_EQ(fake.faults.Calls(fake::op::kEnumProcesses), 0);

    InstallerExecution::SetOs(4, 0, 2);
    context.processApi.loaded = false;
    EXPECT_TRUE(IsProcessAlive(context, pid, notices));
    EXPECT_FALSE(IsProcessAlive(context, pid + 1, notices));
    EXPECT_EQ(fake.faults.Calls(fake::op::kEnumProcesses), 2);
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
}

TEST_F(InstallerExecution, ProcessAliveIsFalseWhenTheFunctionsAreMissing) {
    const std::uint32_t pid = fake.processes.AddRunningProcess("C:\\Tools\\tool.exe");
    fake.processes.RemoveLibrary("Kernel32.dll");
    EXPECT_FALSE(IsProcessAlive(context, pid, notices));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kKernelMissing});
}

// --- Is a program file running? ----------------------------------------------------------

class InstallerImage : public InstallerExecution {
  protected:
    std::uint32_t AddProcess(const std::string& image, std::vector<std::string> modules = {}) {
        fake::ProgramBehaviour behaviour;
        behaviour.runMs = fake::ProgramBehaviour::kForever;
        behaviour.modules = std::move(modules);
        return fake.processes.AddRunningProcess(image, behaviour);
    }
    bool Running(const std::string& path, std::uint32_t platformId = 2) {
        return IsImageRunning(context, platformId, path, watch);
    }
    void UsePsapi() {
        SetOs(4, 0, 2);
        context.processApi.loaded = false;
    }
    // Enough processes ahead of the next one to fill the first 200 places.
    void FillProcessList() {
        while (fake.processes.RunningProcessIds().size() < kMaxProcessIds)
            AddProcess("C:\\Filler\\filler.exe");
    }
};

TEST_F(InstallerImage, NtToolhelpComparesModulePathsWithoutCase) {
    AddProcess(kSetup, {"C:\\Media\\Setup\\engine.dll"});
    EXPECT_TRUE(Running("c:\\MEDIA\\setup\\SETUP.EXE"));
    EXPECT_TRUE(Running("C:\\Media\\Setup\\engine.dll"));
    EXPECT_FALSE(Running("C:\\Media\\Setup\\other.exe"));
    EXPECT_FALSE(Running("C:\\Media\\Setup"));
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
}

TEST_F(InstallerImage, PsapiComparesModulePathsWithoutCase) {
    UsePsapi();
    AddProcess(kSetup, {"C:\\Media\\Setup\\engine.dll"});
    EXPECT_TRUE(Running("C:\\MEDIA\\SETUP\\SETUP.EXE"));
    EXPECT_TRUE(Running("c:\\media\\setup\\engine.DLL"));
    EXPECT_FALSE(Running("C:\\Media\\Setup\\other.exe"));
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
}

TEST_F(InstallerImage, PsapiSkipsProcessesThatCannotBeOpened) {
    UsePsapi();
    fake.processes.DenyOpen(AddProcess(kSetup));
    EXPECT_FALSE(Running(kSetup));
    AddProcess(kSetup);
    EXPECT_TRUE(Running(kSetup));
}

TEST_F(InstallerImage, PsapiSearchesTheFirst200Processes) {
    UsePsapi();
    FillProcessList();
    AddProcess(kSetup);
    EXPECT_FALSE(Running(kSetup));

    // The toolhelp functions see them all.
    SetOs(5, 1, 2);
    context.processApi.loaded = false;
    EXPECT_TRUE(Running(kSetup));
}

TEST_F(InstallerImage, PsapiSearchesTheFirst100ModulesOfAProcess) {
    std::vector<std::string> modules;
    for (int i = 0; i < 120; ++i)
        modules.push_back("C:\\Libs\\lib" + std::to_string(i) + ".dll");
    AddProcess("C:\\Tools\\host.exe", modules);

    UsePsapi();
    // The program file is the first module, so lib98 is the 100th.
    EXPECT_TRUE(Running("C:\\Libs\\lib98.dll"));
    EXPECT_FALSE(Running("C:\\Libs\\lib99.dll"));
    EXPECT_FALSE(Running("C:\\Libs\\lib110.dll"));

    SetOs(5, 1, 2);
    context.processApi.loaded = false;
    EXPECT_TRUE(Running("C:\\Libs\\lib110.dll"));
}

TEST_F(InstallerImage, Windows9xComparesProgramFilesOnly) {
    SetOs(4, 10, 1);
    fake.processes.ShowFullPathsInSnapshots(true);
    AddProcess(kSetup, {"C:\\Media\\Setup\\engine.dll"});
    EXPECT_TRUE(Running("c:\\media\\setup\\setup.exe", 1));
    EXPECT_FALSE(Running("C:\\Media\\Setup\\engine.dll", 1));
    EXPECT_EQ(fake.faults.Calls(fake::op::kCreateSnapshot), 2);
}

TEST_F(InstallerImage, EndsTheProgramWhenTheFunctionsAreMissing) {
    fake.processes.RemoveLibrary("Shell32.dll");
    EXPECT_EQ(ExitOf([&] { Running(kSetup); }), kCutOff);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kShellMissing});
}

TEST_F(InstallerImage, NoSnapshotMeansNotRunning) {
    AddProcess(kSetup);
    fake.faults.FailAt(fake::op::kCreateSnapshot, 1, platform::error::kAccessDenied);
    EXPECT_FALSE(Running(kSetup));
}

// --- Running an installer -----------------------------------------------------------------

TEST_F(InstallerExecution, EmptyCommandFailsWithoutStarting) {
    EXPECT_EQ(RunInstaller(context, 0, 1, pageform::kList, watch, exitCode),
              InstallerRun::kNotStarted);
    ASSERT_EQ(Said().size(), 1u);
    EXPECT_EQ(Said()[0].text, "Failed in installation.");
    EXPECT_EQ(Said()[0].caption, core::NoticeCaption::kError);
    EXPECT_EQ(Said()[0].style, platform::mb::kOk | platform::mb::kIconError);
    EXPECT_FALSE(Said()[0].overPage);
    EXPECT_TRUE(fake.processes.Started().empty());
}

TEST_F(InstallerExecution, CommandLineIsCommandAndInstallOption) {
    fake.files.AddFile("C:\\Media\\autorun.ini",
                       "[Tools]\nA=a.exe\nB=Setup\\setup.exe\nB_InstallOption= -log\n");
    ASSERT_EQ(installer::ReadInstallerCatalogue(context, "Tools", "C:\\Media\\autorun.ini"), 2u);
    AddInstaller(1000);
    context.run.installerCommand = std::string(kSetup) + " /s";

    EXPECT_EQ(RunInstaller(context, 1, 2, pageform::kList, watch, exitCode), InstallerRun::kEnded);
    ASSERT_EQ(fake.processes.Started().size(), 1u);
    EXPECT_EQ(fake.processes.Started()[0].commandLine, std::string(kSetup) + " /s-log");
    EXPECT_EQ(fake.processes.Started()[0].creationFlags, platform::createflags::kSeparateWowVdm);
    EXPECT_FALSE(fake.processes.Started()[0].hiddenWindow);

    // Entry 0 has no InstallOption; an index beyond the catalogue adds nothing.
    EXPECT_EQ(InstallerCommandLine(context, 0), std::string(kSetup) + " /s");
    EXPECT_EQ(InstallerCommandLine(context, 5), std::string(kSetup) + " /s");
}

// The command buffer holds 259 characters; a longer command line is refused before anything
// is started, as an installer that could not run.
TEST_F(InstallerExecution, CommandLineLongerThanItsBufferIsRefused) {
    AddInstaller(1000);
    const std::string base = std::string(kSetup) + " ";
    context.run.installerCommand = base + std::string(kMaxCommandLength - base.size(), 'x');
    ASSERT_EQ(context.run.installerCommand.size(), 259u);
    EXPECT_EQ(RunInstaller(context, 0, 1, pageform::kSingle, watch, exitCode),
              InstallerRun::kEnded);
    EXPECT_EQ(fake.processes.Started().size(), 1u);

    context.run.installerCommand += "x";
    EXPECT_EQ(RunInstaller(context, 0, 1, pageform::kSingle, watch, exitCode),
              InstallerRun::kNotStarted);
    EXPECT_EQ(fake.processes.Started().size(), 1u);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Failed in installation."});
}

// The buffer counts characters: a Japanese command line of 259 takes over 700 bytes and fits.
TEST_F(InstallerExecution, JapaneseCommandLineIsCountedInCharacters) {
    AddInstaller(1000);
    std::string command = std::string(kSetup) + " ";
    const std::size_t room = kMaxCommandLength - command.size();
    for (std::size_t i = 0; i < room; ++i)
        command += "日";
    context.run.installerCommand = command;
    EXPECT_EQ(RunInstaller(context, 0, 1, pageform::kSingle, watch, exitCode),
              InstallerRun::kEnded);
    EXPECT_EQ(fake.processes.Started().size(), 1u);

    context.run.installerCommand += "日";
    EXPECT_EQ(RunInstaller(context, 0, 1, pageform::kSingle, watch, exitCode),
              InstallerRun::kNotStarted);
    EXPECT_EQ(fake.processes.Started().size(), 1u);
}

TEST_F(InstallerExecution, InstallOptionCountsTowardsTheLimit) {
    fake.files.AddFile("C:\\Media\\autorun.ini",
                       "[Tools]\nA=a.exe\nA_InstallOption=" + std::string(40, 'o') + "\n");
    installer::ReadInstallerCatalogue(context, "Tools", "C:\\Media\\autorun.ini");
    AddInstaller(1000);
    context.run.installerCommand = std::string(kSetup) + " " + std::string(220, 'x');
    EXPECT_EQ(RunInstaller(context, 0, 1, pageform::kList, watch, exitCode),
              InstallerRun::kNotStarted);
    EXPECT_TRUE(fake.processes.Started().empty());
    EXPECT_EQ(Continue(), std::nullopt);
}

// Nothing was installed, and the run that called it goes on to bring back what it parked.
TEST_F(InstallerExecution, InstallerThatCannotStartIsAFailedInstallation) {
    fake.files.AddFile(kStateFile, "[General]\nContinue=1\n");
    context.run.installerCommand = "C:\\Media\\missing.exe";
    EXPECT_EQ(ExitOf([&] {
                  EXPECT_EQ(RunInstaller(context, 2, 3, pageform::kList, watch, exitCode),
                            InstallerRun::kNotStarted);
              }),
              std::nullopt);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Failed in installation."});
    EXPECT_EQ(Continue(), "1");
}

TEST_F(InstallerExecution, ListFormRecordsTheNextEntryAfterHalfASecond) {
    AddInstaller(10'000);
    context.run.installerCommand = kSetup;
    std::optional<std::string> before, after;
    SampleContinueAt(450, before);
    SampleContinueAt(600, after);

    EXPECT_EQ(RunInstaller(context, 1, 3, pageform::kList, watch, exitCode), InstallerRun::kEnded);
    EXPECT_EQ(before, std::nullopt);
    EXPECT_EQ(after, "2");
    // Not the last entry: the state stays for the next one.
    EXPECT_EQ(Continue(), "2");
    EXPECT_EQ(RunValue(), "\"C:\\Media\\Velnora.exe\"");
    EXPECT_TRUE(context.run.installerFinished);
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
}

TEST_F(InstallerExecution, GraceTimeOfThreeSecondsAfterTheInstallerEnds) {
    AddInstaller(10'000);
    context.run.installerCommand = kSetup;
    ASSERT_EQ(RunInstaller(context, 0, 2, pageform::kList, watch, exitCode), InstallerRun::kEnded);
    const std::uint64_t end = fake.processes.Started()[0].startTime + 10'000;
    EXPECT_GE(fake.clock.Now(), end + kGraceMs);
    EXPECT_LE(fake.clock.Now(), end + kGraceMs + kWaitPollMs);
}

TEST_F(InstallerExecution, SingleFormRecordsTheSameEntry) {
    AddInstaller(10'000);
    context.run.installerCommand = kSetup;
    std::optional<std::string> during;
    SampleContinueAt(5000, during);
    EXPECT_EQ(RunInstaller(context, 0, 2, pageform::kSingle, watch, exitCode),
              InstallerRun::kEnded);
    EXPECT_EQ(during, "0");
    EXPECT_EQ(Continue(), "0");
}

TEST_F(InstallerExecution, LastEntryClearsTheRunState) {
    AddInstaller(2000);
    context.run.installerCommand = kSetup;
    fake.files.AddFile(kStateFile,
                       "[General]\nPrev=C:\\Media\\Setup\\setup.exe\n"
                       "User_Selection_Install_00=1\nUser_Selection_Install_01=1\n");
    std::optional<std::string> during;
    SampleContinueAt(1000, during);

    EXPECT_EQ(RunInstaller(context, 1, 2, pageform::kList, watch, exitCode), InstallerRun::kEnded);
    EXPECT_EQ(during, "2");
    EXPECT_EQ(Continue(), std::nullopt);
    EXPECT_EQ(IniValue(kStateFile, "General", "Prev"), std::nullopt);
    EXPECT_EQ(IniValue(kStateFile, "General", "User_Selection_Install_01"), std::nullopt);
    EXPECT_EQ(RunValue(), std::nullopt);
}

struct EarlyExitCase {
    const char* name;
    std::uint32_t major;
    std::uint32_t platformId;
    std::optional<std::string> recorded;
};

class InstallerEarlyExit : public InstallerExecution,
                           public ::testing::WithParamInterface<EarlyExitCase> {};

// A launcher that hands over and returns at once ends the program within the start phase.
TEST_P(InstallerEarlyExit, EndsTheProgram) {
    SetOs(GetParam().major, 0, GetParam().platformId);
    AddInstaller(300);
    context.run.installerCommand = kSetup;
    EXPECT_EQ(ExitOf([&] { RunInstaller(context, 2, 4, pageform::kList, watch, exitCode); }),
              kCutOff);
    EXPECT_LT(fake.clock.Now(), kStartPhaseMs);
    EXPECT_EQ(Continue(), GetParam().recorded);
    EXPECT_EQ(RunValue().has_value(), GetParam().recorded.has_value());
    EXPECT_FALSE(context.run.installerFinished);
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(InstallerVersions, InstallerEarlyExit,
                         ::testing::Values(EarlyExitCase{"Xp", 5, 2, "2"},
                                           EarlyExitCase{"Nt4", 4, 2, "2"},
                                           EarlyExitCase{"Win9x", 4, 1, std::nullopt}),
                         [](const ::testing::TestParamInfo<EarlyExitCase>& info) {
                             return std::string(info.param.name);
                         });

struct LogonEndCase {
    const char* name;
    std::uint32_t major;
    std::uint32_t platformId;
    std::uint64_t at;
    std::optional<std::string> recorded;
};

class InstallerLogonEnd : public InstallerExecution,
                          public ::testing::WithParamInterface<LogonEndCase> {};

TEST_P(InstallerLogonEnd, EndsTheProgramWithTheRightResumePoint) {
    const LogonEndCase& c = GetParam();
    SetOs(c.major, 0, c.platformId);
    AddInstaller(60'000);
    context.run.installerCommand = kSetup;
    EndLogonAt(c.at);

    EXPECT_EQ(ExitOf([&] { RunInstaller(context, 2, 4, pageform::kList, watch, exitCode); }),
              kCutOff);
    EXPECT_TRUE(context.run.shutdownNoticed);
    // Noticed at the next poll.
    EXPECT_LE(fake.clock.Now(), c.at + kWaitPollMs + kStartPollSleepMs + kStartPollPumpMs + 2);
    EXPECT_EQ(Continue(), c.recorded);
}

INSTANTIATE_TEST_SUITE_P(
    InstallerVersions, InstallerLogonEnd,
    ::testing::Values(
        // In the start phase the NT family records the installer itself, Windows 9x nothing.
        LogonEndCase{"StartPhaseXp", 5, 2, 200, "2"}, LogonEndCase{"StartPhaseNt4", 4, 2, 200, "2"},
        LogonEndCase{"StartPhaseWin9x", 4, 1, 200, std::nullopt},
        // Later Windows 2000 and later record it again; NT 4 and 9x keep the next entry.
        LogonEndCase{"WaitPhaseXp", 5, 2, 5000, "2"},
        LogonEndCase{"WaitPhaseSeven", 6, 2, 5000, "2"},
        LogonEndCase{"WaitPhaseNt4", 4, 2, 5000, "3"},
        LogonEndCase{"WaitPhaseWin9x", 4, 1, 5000, "3"}),
    [](const ::testing::TestParamInfo<LogonEndCase>& info) {
        return std::string(info.param.name);
    });

TEST_F(InstallerExecution, LogonEndDuringTheGraceTimeEndsTheProgramAfterIt) {
    AddInstaller(2000);
    context.run.installerCommand = kSetup;
    EndLogonAt(3000);
    EXPECT_EQ(ExitOf([&] { RunInstaller(context, 1, 2, pageform::kList, watch, exitCode); }),
              kCutOff);
    EXPECT_GE(fake.clock.Now(), 2000 + kGraceMs);
    EXPECT_TRUE(context.run.installerFinished);
    // The run was not finished: the next start resumes.
    EXPECT_EQ(Continue(), "2");
    EXPECT_TRUE(RunValue().has_value());
}

TEST_F(InstallerExecution, QuitMessageWhileWaitingIsReportedAndEndsTheProgram) {
    AddInstaller(60'000);
    context.run.installerCommand = kSetup;
    fake.ui.PostQuitAt(3000);

    EXPECT_EQ(ExitOf([&] { RunInstaller(context, 0, 2, pageform::kList, watch, exitCode); }),
              kCutOff);
    EXPECT_EQ(fake.clock.Now(), 3000u);
    ASSERT_EQ(Said().size(), 1u);
    EXPECT_EQ(Said()[0].text, kMsgDetected);
    EXPECT_EQ(Said()[0].caption, core::NoticeCaption::kProgramName);
    EXPECT_EQ(fake.ui.PostQuitCalls(), std::vector<int>{0});
    EXPECT_EQ(Continue(), "1");
}

TEST_F(InstallerExecution, QuitMessageDuringTheGraceTimeEndsTheProgramSilently) {
    AddInstaller(2000);
    context.run.installerCommand = kSetup;
    fake.ui.PostQuitAt(3500);
    EXPECT_EQ(ExitOf([&] { RunInstaller(context, 0, 2, pageform::kList, watch, exitCode); }),
              kCutOff);
    EXPECT_EQ(fake.clock.Now(), 3500u);
    EXPECT_TRUE(Said().empty());
}

// In the start phase a message may wait for the 20 ms sleep between polls; from then on it
// is dispatched when it arrives.
TEST_F(InstallerExecution, MessagesAreDispatchedWhileTheInstallerRuns) {
    AddInstaller(10'000);
    context.run.installerCommand = kSetup;
    const std::vector<std::uint64_t> posted = {100, 2500, 9000, 11'000};
    std::vector<std::uint64_t> handled;
    for (std::uint64_t time : posted)
        fake.ui.PostMessageAt(time, [&] { handled.push_back(fake.clock.Now()); });
    EXPECT_EQ(RunInstaller(context, 0, 2, pageform::kList, watch, exitCode), InstallerRun::kEnded);
    ASSERT_EQ(handled.size(), posted.size());
    EXPECT_LE(handled[0], posted[0] + kStartPollSleepMs);
    for (std::size_t i = 1; i < posted.size(); ++i)
        EXPECT_EQ(handled[i], posted[i]);
}

// The waits sleep between polls: the virtual clock moves only through waits and sleeps, a
// spinning wait would never return here, and the process list is read at the poll cadence
// (every 41 ms for half a second, then every 201 ms), not at every turn of a loop.
TEST_F(InstallerExecution, WaitsSleepBetweenPolls) {
    AddInstaller(10'000);
    context.run.installerCommand = kSetup;
    ASSERT_EQ(RunInstaller(context, 0, 2, pageform::kList, watch, exitCode), InstallerRun::kEnded);

    const std::uint64_t total = fake.clock.Now();
    EXPECT_EQ(fake.ui.TotalWaitedMs() + fake.processes.SleptMs(), total);
    EXPECT_EQ(fake.processes.SleptMs(), 13 * kStartPollSleepMs);
    const int startPolls = 13;
    const int waitPolls = static_cast<int>((10'000 - 13 * 41) / 201) + 1;
    EXPECT_GE(ProcessListReads(), startPolls + waitPolls - 1);
    EXPECT_LE(ProcessListReads(), startPolls + waitPolls + 1);
    // A handful of pump steps per wait, not thousands.
    EXPECT_LE(fake.ui.PumpCalls(), 4 * static_cast<int>(fake.ui.Waits().size()) + 8);
    for (const auto& wait : fake.ui.Waits())
        EXPECT_LE(wait.timeoutMs, kGraceMs);
}

// --- The two waits on their own -----------------------------------------------------------

TEST_F(InstallerExecution, PumpMessagesForSleepsUntilEachMessage) {
    std::vector<std::uint64_t> handled;
    for (std::uint64_t time : {300, 600})
        fake.ui.PostMessageAt(time, [&] { handled.push_back(fake.clock.Now()); });
    PumpMessagesFor(context, 1000, watch);
    EXPECT_EQ(handled, (std::vector<std::uint64_t>{300, 600}));
    // "More than" the time asked for, by one tick.
    EXPECT_EQ(fake.clock.Now(), 1001u);
    EXPECT_EQ(fake.ui.TotalWaitedMs(), 1001u);
    EXPECT_EQ(fake.ui.Waits().size(), 3u);
}

TEST_F(InstallerExecution, PumpMessagesForReportsAQuitMessage) {
    fake.ui.PostQuitAt(50);
    EXPECT_EQ(ExitOf([&] { PumpMessagesFor(context, 200, watch); }), kCutOff);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kMsgDetected});
    EXPECT_EQ(fake.ui.PostQuitCalls(), std::vector<int>{0});
}

TEST_F(InstallerExecution, PumpMessagesForEndsAtOnceOnAWaitingQuitMessage) {
    fake.ui.PostQuitAt(0);
    EXPECT_EQ(ExitOf([&] { PumpMessagesFor(context, 200, watch); }), kCutOff);
    EXPECT_TRUE(Said().empty());
}

TEST_F(InstallerExecution, WaitWithMessagesSleepsForTheWholeTime) {
    std::vector<std::uint64_t> handled;
    fake.ui.PostMessageAt(1200, [&] { handled.push_back(fake.clock.Now()); });
    WaitWithMessages(context, 3000);
    EXPECT_EQ(fake.clock.Now(), 3000u);
    EXPECT_EQ(fake.ui.TotalWaitedMs(), 3000u);
    EXPECT_EQ(handled, std::vector<std::uint64_t>{1200});

    fake.ui.PostQuitAt(4000);
    EXPECT_EQ(ExitOf([&] { WaitWithMessages(context, 3000); }), kCutOff);
    EXPECT_EQ(fake.clock.Now(), 4000u);
    EXPECT_TRUE(Said().empty());
}

// --- Restart and cancelled shutdown -------------------------------------------------------

struct FlagsCase {
    int kind;
    bool force;
    std::uint32_t flags;
};

class InstallerRestartFlags : public ::testing::TestWithParam<FlagsCase> {};

TEST_P(InstallerRestartFlags, Table) {
    EXPECT_EQ(RestartFlags(GetParam().kind, GetParam().force), GetParam().flags)
        << "kind " << GetParam().kind << ", force " << GetParam().force;
}

INSTANTIATE_TEST_SUITE_P(InstallerKinds, InstallerRestartFlags,
                         ::testing::Values(FlagsCase{0, false, 2}, FlagsCase{0, true, 6},
                                           FlagsCase{1, false, 1}, FlagsCase{1, true, 5},
                                           FlagsCase{2, false, 8}, FlagsCase{2, true, 12},
                                           FlagsCase{3, false, 0}, FlagsCase{3, true, 4},
                                           FlagsCase{4, false, 2}, FlagsCase{-1, true, 6}));

TEST_F(InstallerExecution, RestartWindowsEnablesThePrivilegeFirst) {
    fake.session.SetShutdownPrivilegeResult(platform::error::kNotAllAssigned);
    RestartWindows(context.platform.session, 0, true);
    EXPECT_EQ(fake.session.PrivilegeRequests(), 1);
    EXPECT_EQ(fake.session.ExitWindowsCalls(), std::vector<std::uint32_t>{6});
}

struct CancelCase {
    const char* name;
    platform::ErrorCode privilege;
    std::optional<std::uint32_t> versionNumber;  // nothing: Windows XP
    bool functionMissing;
    bool pending;
    bool cancelled;
    int abortCalls;
};

class InstallerCancelShutdown : public InstallerFixture,
                                public ::testing::WithParamInterface<CancelCase> {};

TEST_P(InstallerCancelShutdown, Table) {
    const CancelCase& c = GetParam();
    fake.session.SetShutdownPrivilegeResult(c.privilege);
    if (c.versionNumber)
        fake.session.SetVersionNumber(*c.versionNumber);
    fake.session.SetAbortShutdownMissing(c.functionMissing);
    fake.session.SetShutdownPending(c.pending);

    EXPECT_EQ(CancelPendingShutdown(context.platform.session), c.cancelled);
    EXPECT_EQ(fake.session.AbortShutdownCalls(), c.abortCalls);
    EXPECT_EQ(fake.session.ShutdownPending(), c.pending && !c.cancelled);
}

INSTANTIATE_TEST_SUITE_P(
    InstallerCases, InstallerCancelShutdown,
    ::testing::Values(CancelCase{"Cancelled", 0, std::nullopt, false, true, true, 1},
                      CancelCase{"NothingPending", 0, std::nullopt, false, false, false, 1},
                      CancelCase{"PrivilegeNotHeld", platform::error::kNotAllAssigned, std::nullopt,
                                 false, true, false, 0},
                      CancelCase{"Windows9x", 0, 0x80000A04u, false, true, false, 0},
                      CancelCase{"BelowVersion3", 0, 0x00000002u, false, true, false, 0},
                      CancelCase{"Version3", 0, 0x00003303u, false, true, true, 1},
                      CancelCase{"FunctionMissing", 0, std::nullopt, true, true, false, 1}),
    [](const ::testing::TestParamInfo<CancelCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velnora::installer
