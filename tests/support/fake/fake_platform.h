// Every fake service on one virtual clock and one fault plan, set up as a typical Windows XP
// machine: drive C: with the Windows, program files, all-users and TEMP folders, the special
// folders pointing there, the registry keys every Windows has (Run, RunOnce, Uninstall, the
// setup values), and the program itself at C:\Media\Velnora.exe. Tests change what they need
// through the public members.
#pragma once

#include "fake/faults.h"
#include "fake/fake_console.h"
#include "fake/fake_filesystem.h"
#include "fake/fake_processes.h"
#include "fake/fake_profile.h"
#include "fake/fake_registry.h"
#include "fake/fake_session.h"
#include "fake/fake_shell.h"
#include "fake/fake_user_interface.h"
#include "fake/test_dialog_host.h"
#include "fake/virtual_clock.h"
#include "platform/platform.h"

namespace velnora::fake {

namespace machine {
inline constexpr char kWindowsFolder[] = "C:\\WINDOWS";
inline constexpr char kSystemFolder[] = "C:\\WINDOWS\\system32";
inline constexpr char kProgramFiles[] = "C:\\Program Files";
inline constexpr char kAllUsers[] = "C:\\Documents and Settings\\All Users";
inline constexpr char kCommonPrograms[] =
    "C:\\Documents and Settings\\All Users\\Start Menu\\Programs";
inline constexpr char kCommonStartup[] =
    "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Startup";
inline constexpr char kCommonAppData[] = "C:\\Documents and Settings\\All Users\\Application Data";
inline constexpr char kTemp[] = "C:\\TEMP";
inline constexpr char kProgramPath[] = "C:\\Media\\Velnora.exe";
inline constexpr char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
}  // namespace machine

class FakePlatform {
  public:
    FakePlatform();
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    platform::Platform& Get() { return platform_; }

    VirtualClock clock;
    Faults faults;
    FakeFileSystem files;
    FakeRegistry registry;
    FakeProfileFiles profile;
    FakeProcesses processes;
    FakeShell shell;
    FakeSession session;
    FakeUserInterface ui;
    FakeConsole console;
    // The dialog host the user interface runs pages on (another can be attached to ui).
    TestDialogHost dialogs;

  private:
    platform::Platform platform_;
};

}  // namespace velnora::fake
