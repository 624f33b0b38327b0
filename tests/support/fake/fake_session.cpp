#include "fake/fake_session.h"

#include "fake/fake_text.h"

namespace velnora::fake {

namespace {

std::optional<char> DriveLetter(const std::string& drive) {
    if (drive.size() < 2 || drive[1] != ':')
        return std::nullopt;
    const char letter = text::Upper(drive[0]);
    if (letter < 'A' || letter > 'Z')
        return std::nullopt;
    return letter;
}

}  // namespace

FakeSession::FakeSession(Faults& faults) : faults_(faults) {
    commandLine_ = "\"C:\\Media\\Velnora.exe\"";
    programPath_ = "C:\\Media\\Velnora.exe";
    SetVersion(platform::OsVersion{5, 1, 2600, 2});  // Windows XP
    devices_['C'] = "\\Device\\HarddiskVolume1";
}

std::string FakeSession::CommandLine() {
    faults_.Enter(op::kCommandLine);
    return commandLine_;
}

std::string FakeSession::ProgramPath() {
    faults_.Enter(op::kProgramPath);
    return programPath_;
}

void FakeSession::SetVersion(const platform::OsVersion& version) {
    version_ = version;
    versionNumber_ = (version.major & 0xFF) | ((version.minor & 0xFF) << 8) |
                     ((version.build & 0x7FFF) << 16) | (version.platformId == 1 ? 0x80000000u : 0);
}

void FakeSession::SetVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t platformId) {
    platform::OsVersion version;
    version.major = major;
    version.minor = minor;
    version.platformId = platformId;
    SetVersion(version);
}

bool FakeSession::GetVersion(platform::OsVersion& version) {
    if (faults_.Enter(op::kGetVersion))
        return false;
    version = version_;
    return true;
}

std::uint32_t FakeSession::GetVersionNumber() {
    faults_.Enter(op::kGetVersionNumber);
    return versionNumber_;
}

std::string FakeSession::SystemLocaleEnglishCountry() {
    if (faults_.Enter(op::kSystemLocaleEnglishCountry))
        return std::string();
    return country_;
}

void FakeSession::SetEnvironmentVariable(const std::string& name,
                                         std::optional<std::string> value) {
    if (value)
        environment_[text::Upper(name)] = *value;
    else
        environment_.erase(text::Upper(name));
}

std::optional<std::string> FakeSession::GetEnvironmentVariable(const std::string& name) {
    if (faults_.Enter(op::kGetEnvironmentVariable, name))
        return std::nullopt;
    const auto it = environment_.find(text::Upper(name));
    if (it == environment_.end())
        return std::nullopt;
    return it->second;
}

void FakeSession::SetSubst(const std::string& drive, const std::string& folder) {
    SetDevice(drive, "\\??\\" + folder);
}

void FakeSession::SetDevice(const std::string& drive, std::optional<std::string> target) {
    const auto letter = DriveLetter(drive);
    if (!letter)
        return;
    if (target)
        devices_[*letter] = *target;
    else
        devices_.erase(*letter);
}

bool FakeSession::QueryDosDevice(const std::string& drive, std::string& target) {
    if (faults_.Enter(op::kQueryDosDevice, drive))
        return false;
    const auto letter = DriveLetter(drive);
    if (!letter || drive.size() != 2)
        return false;
    const auto it = devices_.find(*letter);
    if (it == devices_.end())
        return false;
    target = it->second;
    return true;
}

platform::ErrorCode FakeSession::EnableShutdownPrivilege() {
    ++privilegeRequests_;
    if (auto failure = faults_.Enter(op::kEnableShutdownPrivilege))
        return *failure;
    return privilegeResult_;
}

bool FakeSession::ExitWindows(std::uint32_t flags) {
    if (faults_.Enter(op::kExitWindows, std::to_string(flags)))
        return false;
    exitWindowsCalls_.push_back(flags);
    return exitWindowsResult_;
}

std::optional<bool> FakeSession::AbortSystemShutdown() {
    ++abortCalls_;
    if (faults_.Enter(op::kAbortSystemShutdown))
        return false;
    if (abortMissing_)
        return std::nullopt;
    const bool cancelled = shutdownPending_;
    shutdownPending_ = false;
    return cancelled;
}

void FakeSession::ExitProcess(std::uint32_t exitCode) {
    faults_.Enter(op::kExitProcess, std::to_string(exitCode));
    exitCode_ = exitCode;
    throw ProcessExited{exitCode};
}

}  // namespace velnora::fake
