// The session of the fake platform: the program's own command line and path, the reported
// Windows version, locale, environment, drive mappings, and the shutdown calls.
//
// ExitProcess throws ProcessExited instead of ending the test: a test observes "the program
// ends here" with EXPECT_THROW or by catching it. Code under test must therefore never
// swallow exceptions it does not know (no catch (...)).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fake/faults.h"
#include "platform/session.h"

namespace velnora::fake {

// Thrown by FakeSession::ExitProcess; carries the exit code.
struct ProcessExited {
    std::uint32_t code = 0;
};

class FakeSession final : public platform::Session {
  public:
    explicit FakeSession(Faults& faults);

    std::string CommandLine() override;
    std::string ProgramPath() override;
    platform::LocalFileTime LocalTime() override { return localTime_; }
    bool GetVersion(platform::OsVersion& version) override;
    std::uint32_t GetVersionNumber() override;
    std::string SystemLocaleEnglishCountry() override;
    std::optional<std::string> GetEnvironmentVariable(const std::string& name) override;
    bool QueryDosDevice(const std::string& drive, std::string& target) override;
    platform::ErrorCode EnableShutdownPrivilege() override;
    bool ExitWindows(std::uint32_t flags) override;
    std::optional<bool> AbortSystemShutdown() override;
    [[noreturn]] void ExitProcess(std::uint32_t exitCode) override;

    // --- Test set-up ---

    void SetCommandLine(const std::string& commandLine) { commandLine_ = commandLine; }
    void SetProgramPath(const std::string& path) { programPath_ = path; }
    void SetLocalTime(const platform::LocalFileTime& time) { localTime_ = time; }
    // Also sets the packed number GetVersionNumber gives (top bit for platform 1).
    void SetVersion(const platform::OsVersion& version);
    void SetVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t platformId = 2);
    void SetVersionNumber(std::uint32_t packed) { versionNumber_ = packed; }
    void SetLocaleCountry(const std::string& country) { country_ = country; }
    // Nothing unsets the variable. Names match without regard to case.
    void SetEnvironmentVariable(const std::string& name, std::optional<std::string> value);
    // A drive made with SUBST: QueryDosDevice gives "\??\" + folder.
    void SetSubst(const std::string& drive, const std::string& folder);
    // Any other device target, e.g. "\Device\HarddiskVolume2"; nothing removes the drive.
    void SetDevice(const std::string& drive, std::optional<std::string> target);
    void SetShutdownPrivilegeResult(platform::ErrorCode result) { privilegeResult_ = result; }
    // A shutdown Windows has begun, which AbortSystemShutdown can cancel.
    void SetShutdownPending(bool pending) { shutdownPending_ = pending; }
    // Advapi32.dll without AbortSystemShutdownW.
    void SetAbortShutdownMissing(bool missing) { abortMissing_ = missing; }
    void SetExitWindowsResult(bool result) { exitWindowsResult_ = result; }

    // --- Assertions ---

    const std::vector<std::uint32_t>& ExitWindowsCalls() const { return exitWindowsCalls_; }
    int PrivilegeRequests() const { return privilegeRequests_; }
    int AbortShutdownCalls() const { return abortCalls_; }
    bool ShutdownPending() const { return shutdownPending_; }
    // The code of the last ExitProcess, if any.
    std::optional<std::uint32_t> ExitCode() const { return exitCode_; }

  private:
    Faults& faults_;
    std::string commandLine_;
    std::string programPath_;
    platform::OsVersion version_;
    platform::LocalFileTime localTime_{2026, 12, 10, 18, 45, 1};
    std::uint32_t versionNumber_ = 0;
    std::string country_ = "United States";
    std::map<std::string, std::string> environment_;  // upper-case name -> value
    std::map<char, std::string> devices_;             // drive letter -> target
    platform::ErrorCode privilegeResult_ = platform::error::kSuccess;
    bool shutdownPending_ = false;
    bool abortMissing_ = false;
    bool exitWindowsResult_ = true;
    std::vector<std::uint32_t> exitWindowsCalls_;
    int privilegeRequests_ = 0;
    int abortCalls_ = 0;
    std::optional<std::uint32_t> exitCode_;
};

}  // namespace velnora::fake
