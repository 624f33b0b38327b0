// The virtual clock of the fake platform: processes end, spawn and are waited for at their
// virtual times, and the message pump and its waits follow the same clock.
#include <gtest/gtest.h>

#include <stdexcept>

#include "fake/fake_platform.h"

namespace velnora::fake {
namespace {

using platform::Handle;
namespace error = platform::error;

constexpr char kSetup[] = "C:\\Media\\setup.exe";
constexpr char kHelper[] = "C:\\Temp\\helper.exe";

class FakeClock : public ::testing::Test {
  protected:
    platform::ProcessInfo Start(const std::string& commandLine) {
        platform::ProcessInfo info;
        EXPECT_EQ(fake.processes.CreateProcess(commandLine, 0, false, info), error::kSuccess);
        return info;
    }
    std::uint32_t ExitCode(Handle process) {
        std::uint32_t code = 0;
        EXPECT_EQ(fake.processes.GetExitCode(process, code), error::kSuccess);
        return code;
    }

    FakePlatform fake;
};

TEST_F(FakeClock, AProcessEndsAtItsVirtualTime) {
    fake.processes.AddProgram(kSetup, ProgramBehaviour::RunsFor(1000, 3));
    const auto info = Start(kSetup);
    fake.processes.Sleep(999);
    EXPECT_EQ(ExitCode(info.process), platform::kStillActive);
    fake.processes.Sleep(1);
    EXPECT_EQ(ExitCode(info.process), 3u);
    EXPECT_FALSE(fake.processes.Process(info.processId)->running);
}

TEST_F(FakeClock, WaitingAdvancesTheClockToTheEndOrTheTimeOut) {
    fake.processes.AddProgram(kSetup, ProgramBehaviour::RunsFor(5000));
    const auto info = Start(kSetup);
    EXPECT_EQ(fake.processes.WaitForProcess(info.process, 2000), platform::kWaitTimeout);
    EXPECT_EQ(fake.clock.Now(), 2000u);
    EXPECT_EQ(fake.processes.WaitForProcess(info.process, 10'000), platform::kWaitObject0);
    EXPECT_EQ(fake.clock.Now(), 5000u);
    EXPECT_EQ(fake.processes.WaitForProcess(info.process, platform::kInfinite),
              platform::kWaitObject0);
    EXPECT_EQ(fake.clock.Now(), 5000u);
}

TEST_F(FakeClock, WaitingForeverForAProcessThatNeverEndsIsATestError) {
    fake.processes.AddProgram(kSetup, ProgramBehaviour::RunsFor(ProgramBehaviour::kForever));
    const auto info = Start(kSetup);
    EXPECT_THROW(fake.processes.WaitForProcess(info.process, platform::kInfinite),
                 std::logic_error);
    EXPECT_EQ(fake.processes.TerminateProcess(info.process, 4), error::kSuccess);
    EXPECT_EQ(fake.processes.WaitForProcess(info.process, platform::kInfinite),
              platform::kWaitObject0);
    EXPECT_EQ(ExitCode(info.process), 4u);
    EXPECT_EQ(fake.processes.TerminateProcess(info.process, 5), error::kAccessDenied);
}

TEST_F(FakeClock, SpawnedProgramsStartAtTheirTimesAndOutliveTheirParent) {
    ProgramBehaviour launcher = ProgramBehaviour::RunsFor(400);
    launcher.spawns = {{300, std::string("\"") + kHelper + "\" /x"}, {350, "C:\\unknown.exe"}};
    fake.processes.AddProgram(kSetup, launcher);
    fake.processes.AddProgram(kHelper, ProgramBehaviour::RunsFor(1000, 9));
    const auto info = Start(kSetup);

    fake.processes.Sleep(299);
    EXPECT_FALSE(fake.processes.IsImageRunning(kHelper));
    fake.processes.Sleep(200);  // 499: the launcher has ended, its child runs
    EXPECT_TRUE(fake.processes.IsImageRunning("c:\\temp\\HELPER.EXE"));
    EXPECT_FALSE(fake.processes.IsImageRunning(kSetup));
    const auto running = fake.processes.RunningProcessIds();
    const auto child = fake.processes.Process(running.back());
    ASSERT_TRUE(child.has_value());
    EXPECT_EQ(child->parentId, info.processId);
    EXPECT_EQ(child->startTime, 300u);
    EXPECT_EQ(child->endTime, 1300u);
    // Only what the program under test started is recorded.
    EXPECT_EQ(fake.processes.Started().size(), 1u);
}

TEST_F(FakeClock, TheTickCountWrapsAround) {
    fake.clock.SetTickCount(0xFFFFFF00u);
    const std::uint32_t before = fake.processes.GetTickCount();
    fake.processes.Sleep(0x200);
    EXPECT_EQ(fake.processes.GetTickCount(), 0x100u);
    EXPECT_EQ(fake.processes.GetTickCount() - before, 0x200u);
}

TEST_F(FakeClock, AWaitForMessagesEndsAtTheFirstOfTimeOutMessageAndProcessEnd) {
    fake.processes.AddProgram(kSetup, ProgramBehaviour::RunsFor(700));
    const auto info = Start(kSetup);
    fake.ui.PostMessageAt(300, [] {});

    fake.ui.WaitForMessageOrProcess(info.process, 100);  // the time-out first
    EXPECT_EQ(fake.clock.Now(), 100u);
    fake.ui.WaitForMessageOrProcess(info.process, 5000);  // then the message
    EXPECT_EQ(fake.clock.Now(), 300u);
    fake.ui.WaitForMessageOrProcess(info.process, 5000);  // it waits until pumped
    EXPECT_EQ(fake.clock.Now(), 300u);
    EXPECT_EQ(fake.ui.PumpOne(), platform::PumpStep::kDispatched);
    fake.ui.WaitForMessageOrProcess(info.process, 5000);  // then the end of the process
    EXPECT_EQ(fake.clock.Now(), 700u);
    fake.ui.WaitForMessageOrProcess(platform::kNoHandle, 50);

    std::vector<std::uint64_t> waited;
    for (const WaitRecord& wait : fake.ui.Waits())
        waited.push_back(wait.waitedMs);
    EXPECT_EQ(waited, (std::vector<std::uint64_t>{100, 200, 0, 400, 50}));
    EXPECT_EQ(fake.ui.TotalWaitedMs(), 750u);
}

TEST_F(FakeClock, ThePumpDeliversOnlyMessagesWhoseTimeHasCome) {
    std::vector<int> delivered;
    fake.ui.PostMessageAt(200, [&] { delivered.push_back(2); });
    fake.ui.PostMessageAt(100, [&] { delivered.push_back(1); });
    fake.ui.PostQuitAt(200);

    EXPECT_EQ(fake.ui.PumpOne(), platform::PumpStep::kEmpty);
    fake.clock.Advance(150);
    EXPECT_EQ(fake.ui.PumpOne(), platform::PumpStep::kDispatched);
    EXPECT_EQ(fake.ui.PumpOne(), platform::PumpStep::kEmpty);
    fake.clock.Advance(50);
    EXPECT_EQ(fake.ui.PumpOne(), platform::PumpStep::kDispatched);
    EXPECT_EQ(fake.ui.PumpOne(), platform::PumpStep::kQuit);
    EXPECT_EQ(fake.ui.PumpOne(), platform::PumpStep::kEmpty);
    EXPECT_EQ(delivered, (std::vector<int>{1, 2}));
}

TEST_F(FakeClock, WaitingForeverWithNothingToComeIsATestError) {
    EXPECT_THROW(fake.ui.WaitForMessageOrProcess(platform::kNoHandle, platform::kInfinite),
                 std::logic_error);
}

class RefusingPage : public platform::DialogPage {
  public:
    RefusingPage() : DialogPage(9001) {}
    bool OnQueryEndSession() override { return false; }
    void OnEndSession(bool ending) override { told.push_back(ending); }
    std::vector<bool> told;
};

TEST_F(FakeClock, TheEndOfTheSessionAsksTheOpenPages) {
    DialogTemplates none;
    TestDialogHost host(none);
    fake.ui.AttachDialogHost(&host);
    RefusingPage page;
    ASSERT_TRUE(fake.ui.OpenModeless(page, nullptr));

    fake.ui.EndSessionAt(10);
    fake.processes.Sleep(10);
    EXPECT_EQ(fake.ui.PumpOne(), platform::PumpStep::kDispatched);
    EXPECT_EQ(fake.ui.LastSessionEnd(), false);
    EXPECT_EQ(page.told, std::vector<bool>{false});
    host.Driver(page).CloseBox();
}

}  // namespace
}  // namespace velnora::fake
