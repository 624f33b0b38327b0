#include "installer/run_state.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/parsing.h"
#include "core/texts.h"
#include "installer/catalogue.h"
#include "installer/context.h"
#include "platform/text_units.h"

namespace velnora::installer {

namespace {

constexpr char kAutorunIniName[] = "autorun.ini";

std::string FormatIndex(int index) {
    return std::to_string(index);
}

// Deleted from one Run key, or not there. A key that may only be read (the machine's, without
// administrator rights) cannot delete, but can show that the value is not there.
bool RunValueGone(platform::Registry& registry, platform::RegRoot root, const std::string& name) {
    platform::RegKey key(registry);
    const platform::ErrorCode opened = key.OpenDefault(registry.Root(root), kRunKeyPath);
    if (opened != platform::error::kSuccess)
        return opened == platform::error::kFileNotFound;
    const platform::ErrorCode deleted = registry.DeleteValue(key.Get(), name);
    if (deleted == platform::error::kSuccess || deleted == platform::error::kFileNotFound)
        return true;
    platform::RegValue value;
    return registry.QueryValue(key.Get(), name, kRunStateBufferSize, value) ==
           platform::error::kFileNotFound;
}

}  // namespace

std::string AutorunIniPath(const core::Context& context) {
    return context.startup.programFolder + "\\" + kAutorunIniName;
}

std::optional<std::string> TempFolder(platform::Session& session) {
    auto temp = session.GetEnvironmentVariable("TEMP");
    if (!temp || temp->empty() || !platform::FitsBuffer(*temp, kTempBufferSize))
        return std::nullopt;
    return temp;
}

std::optional<std::string> RunStateFilePath(core::Context& context) {
    const auto temp = TempFolder(context.platform.session);
    if (!temp)
        return std::nullopt;
    return *temp + "\\_" + kAutorunIniName;
}

std::size_t ReadRunState(core::Context& context, const std::string& section, const std::string& key,
                         std::string& value) {
    auto& profile = context.platform.profile;
    std::size_t count =
        profile.GetString(section, key, "", kRunStateBufferSize, AutorunIniPath(context), value);
    if (count == 0) {
        if (const auto stateFile = RunStateFilePath(context))
            count = profile.GetString(section, key, "", kRunStateBufferSize, *stateFile, value);
    }
    return count;
}

bool WriteRunState(core::Context& context, const std::string& section, const std::string& key,
                   const std::optional<std::string>& value, core::Notices& notices) {
    auto& profile = context.platform.profile;
    if (const auto stateFile = RunStateFilePath(context)) {
        if (profile.WriteString(section, key, value, *stateFile))
            return true;
    }
    const std::string autorunIni = AutorunIniPath(context);
    if (profile.WriteString(section, key, value, autorunIni)) {
        if (value)
            profile.WriteString(kRunStateSection, std::string(kWrittenHereKey), std::string("1"),
                                autorunIni);
        return true;
    }

    notices.push_back({context.texts.Get(core::TextId::kMsgStateNotRecorded),
                       core::NoticeCaption::kProgramName, platform::mb::kOk, false});
    return false;
}

std::optional<int> PendingResumePoint(core::Context& context) {
    std::string value;
    ReadRunState(context, kRunStateSection, kContinueKey, value);
    const auto point = static_cast<std::int32_t>(core::ParseUnsignedAutoBase(value));
    if (point <= 0)
        return std::nullopt;
    return point;
}

void RecordResumePoint(core::Context& context, int index, core::Notices& notices) {
    WriteRunState(context, kRunStateSection, kContinueKey, FormatIndex(index), notices);
    RegisterRunAtLogon(context, kLogonValueName);
}

void FinishRunState(core::Context& context, int next, int count, core::Notices& notices) {
    if (next != count)
        return;

    std::vector<std::string> keys = {kContinueKey, kPrevKey, kRunnerKey};
    for (int i = 0; i < count; ++i)
        keys.push_back(TickStateKey(static_cast<std::size_t>(i), /*resumed=*/true));
    for (const std::string& key : keys)
        WriteRunState(context, kRunStateSection, key, std::nullopt, notices);

    // A delete that succeeded in TEMP never reaches autorun.ini; what the run put there would
    // make every later start resume a finished run.
    auto& profile = context.platform.profile;
    const std::string autorunIni = AutorunIniPath(context);
    std::string mark;
    profile.GetString(kRunStateSection, std::string(kWrittenHereKey), "", kRunStateBufferSize,
                      autorunIni, mark);
    if (mark == "1") {
        for (const std::string& key : keys)
            profile.WriteString(kRunStateSection, key, std::nullopt, autorunIni);
        profile.WriteString(kRunStateSection, std::string(kWrittenHereKey), std::nullopt,
                            autorunIni);
    }
    UnregisterRunAtLogon(context.platform.registry, kLogonValueName);

    if (const auto temp = TempFolder(context.platform.session)) {
        const std::string leftover = *temp + "\\_" + context.startup.programBaseName + ".ini";
        auto& files = context.platform.files;
        if (files.CanOpenForReading(leftover) == platform::error::kSuccess)
            files.DeleteFile(leftover);
    }
}

std::string ResolveSubstDrive(platform::Session& session, const std::string& path) {
    if (path.size() < 2)
        return path;
    std::string target;
    if (!session.QueryDosDevice(path.substr(0, 2), target))
        return path;
    if (target.size() >= 2 && target[0] == '\\' && target[1] == '?')
        target = target.size() > 4 ? target.substr(4) : std::string();
    if (target.size() >= 2 && target[1] == ':')
        return target + path.substr(2);
    return path;
}

std::string LogonCommand(core::Context& context) {
    const std::string program =
        ResolveSubstDrive(context.platform.session, context.startup.programFolder) + "\\" +
        context.startup.managerBaseName + ".exe";
    return "\"" + program + "\"";
}

bool RegisterRunAtLogon(core::Context& context, const std::string& valueName) {
    auto& registry = context.platform.registry;
    const platform::RegValue command = platform::StringValue(LogonCommand(context));
    {
        platform::RegKey machine(registry);
        if (machine.OpenDefault(registry.Root(platform::RegRoot::LocalMachine), kRunKeyPath) ==
                platform::error::kSuccess &&
            registry.SetValue(machine.Get(), valueName, command) == platform::error::kSuccess)
            return true;
    }
    platform::RegKey user(registry);
    return user.Create(registry.Root(platform::RegRoot::CurrentUser), kRunKeyPath,
                       platform::regaccess::kWrite) == platform::error::kSuccess &&
           registry.SetValue(user.Get(), valueName, command) == platform::error::kSuccess;
}

bool UnregisterRunAtLogon(platform::Registry& registry, const std::string& valueName) {
    const bool machine = RunValueGone(registry, platform::RegRoot::LocalMachine, valueName);
    const bool user = RunValueGone(registry, platform::RegRoot::CurrentUser, valueName);
    return machine && user;
}

}  // namespace velnora::installer
