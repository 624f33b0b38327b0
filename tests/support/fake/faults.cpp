#include "fake/faults.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

namespace velnora::fake {

namespace {

constexpr std::array kOperations{
    op::kGetString,
    op::kGetSection,
    op::kWriteString,
    op::kRoot,
    op::kOpenKey,
    op::kOpenKeyDefault,
    op::kCreateKey,
    op::kCloseKey,
    op::kEnumKey,
    op::kEnumValue,
    op::kQueryInfoKey,
    op::kQueryValue,
    op::kSetValue,
    op::kDeleteKey,
    op::kDeleteValue,
    op::kFindFirst,
    op::kFindNext,
    op::kFindClose,
    op::kGetAttributes,
    op::kSetAttributes,
    op::kMoveFile,
    op::kCopyFile,
    op::kDeleteFile,
    op::kCreateDirectory,
    op::kRemoveDirectory,
    op::kCanOpenForReading,
    op::kReadFile,
    op::kWriteFile,
    op::kGetLongPathName,
    op::kPathFileExists,
    op::kPathIsDirectory,
    op::kGetModifiedTime,
    op::kCreateProcess,
    op::kWaitForProcess,
    op::kGetExitCode,
    op::kOpenProcess,
    op::kOpenProcessAllAccess,
    op::kTerminateProcess,
    op::kCloseHandle,
    op::kLoadLibrary,
    op::kHasFunction,
    op::kEnumProcesses,
    op::kEnumProcessModules,
    op::kGetModuleFileNameEx,
    op::kCreateSnapshot,
    op::kProcessFirst,
    op::kProcessNext,
    op::kModuleFirst,
    op::kModuleNext,
    op::kCreateMutex,
    op::kReleaseMutex,
    op::kSleep,
    op::kGetTickCount,
    op::kGetSpecialFolderPath,
    op::kShellExecuteEx,
    op::kShellExecute,
    op::kReadShortcut,
    op::kCreateShortcut,
    op::kShellMoveFolder,
    op::kNotifyFolderChanged,
    op::kProductVersion,
    op::kCreateGuid,
    op::kCommandLine,
    op::kProgramPath,
    op::kGetVersion,
    op::kGetVersionNumber,
    op::kSystemLocaleEnglishCountry,
    op::kGetEnvironmentVariable,
    op::kQueryDosDevice,
    op::kEnableShutdownPrivilege,
    op::kExitWindows,
    op::kAbortSystemShutdown,
    op::kExitProcess,
    op::kMessageBox,
    op::kRunModal,
    op::kOpenModeless,
    op::kChooseFileToOpen,
    op::kChooseFileToSave,
    op::kBrowseForFolder,
    op::kSetWaitCursor,
    op::kOpenHelp,
    op::kPumpOne,
    op::kPostQuit,
    op::kWaitForMessageOrProcess,
};

}  // namespace

std::span<const std::string_view> AllOperations() {
    return kOperations;
}

bool IsOperation(std::string_view name) {
    return std::find(kOperations.begin(), kOperations.end(), name) != kOperations.end();
}

std::string Faults::Checked(std::string_view operation) {
    if (!IsOperation(operation))
        throw std::invalid_argument("no fake operation is called " + std::string(operation));
    return std::string(operation);
}

void Faults::FailAt(std::string_view operation, int occurrence, platform::ErrorCode error) {
    if (occurrence < 1)
        throw std::invalid_argument("occurrences count from 1");
    plans_[Checked(operation)].at[occurrence] = error;
}

void Faults::FailFrom(std::string_view operation, int occurrence, platform::ErrorCode error) {
    if (occurrence < 1)
        throw std::invalid_argument("occurrences count from 1");
    plans_[Checked(operation)].from = std::make_pair(occurrence, error);
}

void Faults::FailAlways(std::string_view operation, platform::ErrorCode error) {
    FailFrom(operation, Calls(operation) + 1, error);
}

void Faults::ActAt(std::string_view operation, int occurrence, std::function<void()> action) {
    if (occurrence < 1)
        throw std::invalid_argument("occurrences count from 1");
    actions_[{Checked(operation), occurrence}] = std::move(action);
}

void Faults::Clear() {
    plans_.clear();
    actions_.clear();
}

void Faults::Reset() {
    plans_.clear();
    actions_.clear();
    counts_.clear();
    injectedPerOperation_.clear();
    log_.clear();
    injected_ = 0;
}

int Faults::Calls(std::string_view operation) const {
    const auto it = counts_.find(operation);
    return it == counts_.end() ? 0 : it->second;
}

int Faults::Injected(std::string_view operation) const {
    const auto it = injectedPerOperation_.find(operation);
    return it == injectedPerOperation_.end() ? 0 : it->second;
}

std::vector<std::string> Faults::Subjects(std::string_view operation) const {
    std::vector<std::string> subjects;
    for (const Call& call : log_)
        if (call.operation == operation)
            subjects.push_back(call.subject);
    return subjects;
}

std::optional<platform::ErrorCode> Faults::Enter(std::string_view operation,
                                                 std::string_view subject) {
    auto count = counts_.find(operation);
    if (count == counts_.end())
        count = counts_.emplace(std::string(operation), 0).first;
    const int occurrence = ++count->second;
    log_.push_back(Call{count->first, std::string(subject)});
    if (const auto action = actions_.find({count->first, occurrence}); action != actions_.end()) {
        // Taken out first: the action may call the platform itself.
        const std::function<void()> act = std::move(action->second);
        actions_.erase(action);
        act();
    }

    const auto plan = plans_.find(operation);
    if (plan == plans_.end())
        return std::nullopt;
    std::optional<platform::ErrorCode> failure;
    if (const auto at = plan->second.at.find(occurrence); at != plan->second.at.end())
        failure = at->second;
    else if (plan->second.from && occurrence >= plan->second.from->first)
        failure = plan->second.from->second;
    if (failure) {
        ++injected_;
        ++injectedPerOperation_[std::string(operation)];
    }
    return failure;
}

}  // namespace velnora::fake
