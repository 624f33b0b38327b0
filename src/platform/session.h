// The session: the program itself, its version and locale, restart and shutdown.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/filesystem.h"
#include "platform/types.h"

namespace velnora::platform {

namespace ewx {
inline constexpr std::uint32_t kLogoff = 0;
inline constexpr std::uint32_t kShutdown = 1;
inline constexpr std::uint32_t kReboot = 2;
inline constexpr std::uint32_t kForce = 4;
inline constexpr std::uint32_t kPowerOff = 8;
}  // namespace ewx

class Session {
  public:
    virtual ~Session() = default;

    // GetCommandLine: the raw command line, program path (quoted or not) and arguments.
    virtual std::string CommandLine() = 0;
    // GetModuleFileName of the running program.
    virtual std::string ProgramPath() = 0;

    // GetLocalTime, to the second.
    virtual LocalFileTime LocalTime() = 0;

    // GetVersionEx; false when the query fails.
    virtual bool GetVersion(OsVersion& version) = 0;
    // GetVersion: the packed number, whose top bit marks the Windows 9x family.
    virtual std::uint32_t GetVersionNumber() = 0;
    // GetLocaleInfo(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGCOUNTRY); empty when it fails.
    virtual std::string SystemLocaleEnglishCountry() = 0;
    // GetEnvironmentVariable; nothing when unset.
    virtual std::optional<std::string> GetEnvironmentVariable(const std::string& name) = 0;
    // QueryDosDevice of a drive such as "X:"; false when it has no target.
    virtual bool QueryDosDevice(const std::string& drive, std::string& target) = 0;

    // OpenProcessToken + LookupPrivilegeValue + AdjustTokenPrivileges for
    // "SeShutdownPrivilege". Returns the error GetLastError reports afterwards
    // (kNotAllAssigned when the privilege is not held).
    virtual ErrorCode EnableShutdownPrivilege() = 0;
    virtual bool ExitWindows(std::uint32_t flags) = 0;
    // AbortSystemShutdown for this computer, found at run time in Advapi32.dll. Nothing when
    // the function is missing, otherwise whether it succeeded.
    virtual std::optional<bool> AbortSystemShutdown() = 0;

    // Ends the program at once with an exit code.
    [[noreturn]] virtual void ExitProcess(std::uint32_t exitCode) = 0;
};

}  // namespace velnora::platform
