// The owners of keys, handles and the wait cursor: whatever path a caller leaves by, what it
// opened is closed exactly once.
#include <gtest/gtest.h>

#include "fake/fake_platform.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/user_interface.h"

namespace velnora::platform {
namespace {

TEST(PlatformHandles, KeyClosesWhatItHoldsAndNothingElse) {
    fake::FakePlatform fake;
    fake.registry.SetText(RegRoot::LocalMachine, "SOFTWARE\\A", "v", "1");
    fake.registry.SetText(RegRoot::LocalMachine, "SOFTWARE\\B", "v", "2");
    const Handle machine = fake.registry.Root(RegRoot::LocalMachine);
    {
        RegKey key(fake.registry);
        EXPECT_EQ(key.Open(machine, "SOFTWARE\\A", regaccess::kRead), error::kSuccess);
        // Opening another closes the first.
        EXPECT_EQ(key.Open(machine, "SOFTWARE\\B", regaccess::kRead), error::kSuccess);
        EXPECT_EQ(fake.registry.OpenKeyCount(), 1u);
        // A failed open leaves nothing held.
        EXPECT_EQ(key.Open(machine, "SOFTWARE\\Missing", regaccess::kRead), error::kFileNotFound);
        EXPECT_FALSE(key.IsOpen());
        EXPECT_EQ(fake.registry.OpenKeyCount(), 0u);
        EXPECT_EQ(key.Close(), error::kSuccess);
    }
    EXPECT_EQ(fake.faults.Calls(fake::op::kCloseKey), 2);

    // The result of a close the caller asks for reaches it; the key is given up either way.
    fake.faults.FailAt(fake::op::kCloseKey, 3, error::kAccessDenied);
    RegKey key(fake.registry);
    ASSERT_EQ(key.Create(machine, "SOFTWARE\\C", regaccess::kWrite), error::kSuccess);
    EXPECT_EQ(key.Close(), error::kAccessDenied);
    EXPECT_FALSE(key.IsOpen());
}

TEST(PlatformHandles, HandleAndWaitCursorEndWithTheirScope) {
    fake::FakePlatform fake;
    fake.processes.AddProgram("C:\\P\\a.exe");
    ProcessInfo info;
    ASSERT_EQ(fake.processes.CreateProcess("C:\\P\\a.exe", 0, false, info), error::kSuccess);
    fake.processes.CloseHandle(info.thread);
    {
        ScopedHandle process(fake.processes, info.process);
        const ScopedWaitCursor wait(fake.ui);
        EXPECT_EQ(fake.ui.WaitCursorDepth(), 1);
        EXPECT_EQ(fake.processes.OpenHandleCount(), 1u);
    }
    EXPECT_EQ(fake.ui.WaitCursorDepth(), 0);
    EXPECT_EQ(fake.processes.OpenHandleCount(), 0u);

    ASSERT_EQ(fake.processes.CreateProcess("C:\\P\\a.exe", 0, false, info), error::kSuccess);
    fake.processes.CloseHandle(info.thread);
    Handle kept = kNoHandle;
    {
        ScopedHandle process(fake.processes, info.process);
        kept = process.Release();
    }
    EXPECT_EQ(fake.processes.OpenHandleCount(), 1u);
    fake.processes.CloseHandle(kept);
}

}  // namespace
}  // namespace velnora::platform
