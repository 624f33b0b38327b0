// The session: the running program, the system's version and locale, environment variables,
// drives, restart and shutdown.
#pragma once

#include "platform/session.h"

namespace velnora::platform::win32 {

class Win32Session final : public Session {
  public:
    std::string CommandLine() override;
    std::string ProgramPath() override;
    LocalFileTime LocalTime() override;
    bool GetVersion(OsVersion& version) override;
    std::uint32_t GetVersionNumber() override;
    std::string SystemLocaleEnglishCountry() override;
    std::optional<std::string> GetEnvironmentVariable(const std::string& name) override;
    bool QueryDosDevice(const std::string& drive, std::string& target) override;
    ErrorCode EnableShutdownPrivilege() override;
    bool ExitWindows(std::uint32_t flags) override;
    std::optional<bool> AbortSystemShutdown() override;
    [[noreturn]] void ExitProcess(std::uint32_t exitCode) override;
};

}  // namespace velnora::platform::win32
