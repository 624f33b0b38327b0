// Fault injection for the fake platform. Every fake operation first reports itself here; a
// test schedules failures by operation name and occurrence, and reads the counts and the
// call log. The operation names are the method names of the platform interfaces and stay
// stable; AllOperations() lists them.
//
// How a failure shows, per kind of operation:
//  - an ErrorCode result returns the scheduled code;
//  - a bool result returns false, an optional gives nothing, a count gives 0, a handle
//    gives kNoHandle, GetAttributes gives fileattr::kInvalid;
//  - the shell link calls return the code as an HRESULT (0x8007xxxx);
//  - profile reads behave as if the file were unreadable (the default comes back);
//  - MessageBox returns 0, RunModal -1, PumpOne kEmpty, WaitForMessageOrProcess returns at
//    once, WaitForProcess returns 0xFFFFFFFF (WAIT_FAILED), ShellMoveFolder returns the code;
//  - operations that cannot fail (Root, CloseHandle, FindClose, Sleep, GetTickCount,
//    ReleaseMutex, CommandLine, ProgramPath, GetVersionNumber, NotifyFolderChanged,
//    SetWaitCursor, PostQuit, ExitProcess) are counted and logged only.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace velnora::fake {

namespace op {
// Profile files
inline constexpr std::string_view kGetString = "GetString";
inline constexpr std::string_view kGetSection = "GetSection";
inline constexpr std::string_view kWriteString = "WriteString";
// Registry
inline constexpr std::string_view kRoot = "Root";
inline constexpr std::string_view kOpenKey = "OpenKey";
inline constexpr std::string_view kOpenKeyDefault = "OpenKeyDefault";
inline constexpr std::string_view kCreateKey = "CreateKey";
inline constexpr std::string_view kCloseKey = "CloseKey";
inline constexpr std::string_view kEnumKey = "EnumKey";
inline constexpr std::string_view kEnumValue = "EnumValue";
inline constexpr std::string_view kQueryInfoKey = "QueryInfoKey";
inline constexpr std::string_view kQueryValue = "QueryValue";
inline constexpr std::string_view kSetValue = "SetValue";
inline constexpr std::string_view kDeleteKey = "DeleteKey";
inline constexpr std::string_view kDeleteValue = "DeleteValue";
// File system
inline constexpr std::string_view kFindFirst = "FindFirst";
inline constexpr std::string_view kFindNext = "FindNext";
inline constexpr std::string_view kFindClose = "FindClose";
inline constexpr std::string_view kGetAttributes = "GetAttributes";
inline constexpr std::string_view kSetAttributes = "SetAttributes";
inline constexpr std::string_view kMoveFile = "MoveFile";
inline constexpr std::string_view kCopyFile = "CopyFile";
inline constexpr std::string_view kDeleteFile = "DeleteFile";
inline constexpr std::string_view kCreateDirectory = "CreateDirectory";
inline constexpr std::string_view kRemoveDirectory = "RemoveDirectory";
inline constexpr std::string_view kCanOpenForReading = "CanOpenForReading";
inline constexpr std::string_view kReadFile = "ReadFile";
inline constexpr std::string_view kWriteFile = "WriteFile";
inline constexpr std::string_view kGetLongPathName = "GetLongPathName";
inline constexpr std::string_view kPathFileExists = "PathFileExists";
inline constexpr std::string_view kPathIsDirectory = "PathIsDirectory";
inline constexpr std::string_view kGetModifiedTime = "GetModifiedTime";
// Processes
inline constexpr std::string_view kCreateProcess = "CreateProcess";
inline constexpr std::string_view kWaitForProcess = "WaitForProcess";
inline constexpr std::string_view kGetExitCode = "GetExitCode";
inline constexpr std::string_view kOpenProcess = "OpenProcess";
inline constexpr std::string_view kOpenProcessAllAccess = "OpenProcessAllAccess";
inline constexpr std::string_view kTerminateProcess = "TerminateProcess";
inline constexpr std::string_view kCloseHandle = "CloseHandle";
inline constexpr std::string_view kLoadLibrary = "LoadLibrary";
inline constexpr std::string_view kHasFunction = "HasFunction";
inline constexpr std::string_view kEnumProcesses = "EnumProcesses";
inline constexpr std::string_view kEnumProcessModules = "EnumProcessModules";
inline constexpr std::string_view kGetModuleFileNameEx = "GetModuleFileNameEx";
inline constexpr std::string_view kCreateSnapshot = "CreateSnapshot";
inline constexpr std::string_view kProcessFirst = "ProcessFirst";
inline constexpr std::string_view kProcessNext = "ProcessNext";
inline constexpr std::string_view kModuleFirst = "ModuleFirst";
inline constexpr std::string_view kModuleNext = "ModuleNext";
inline constexpr std::string_view kCreateMutex = "CreateMutex";
inline constexpr std::string_view kReleaseMutex = "ReleaseMutex";
inline constexpr std::string_view kSleep = "Sleep";
inline constexpr std::string_view kGetTickCount = "GetTickCount";
// Shell
inline constexpr std::string_view kGetSpecialFolderPath = "GetSpecialFolderPath";
inline constexpr std::string_view kShellExecuteEx = "ShellExecuteEx";
inline constexpr std::string_view kShellExecute = "ShellExecute";
inline constexpr std::string_view kReadShortcut = "ReadShortcut";
inline constexpr std::string_view kCreateShortcut = "CreateShortcut";
inline constexpr std::string_view kShellMoveFolder = "ShellMoveFolder";
inline constexpr std::string_view kNotifyFolderChanged = "NotifyFolderChanged";
inline constexpr std::string_view kProductVersion = "ProductVersion";
inline constexpr std::string_view kCreateGuid = "CreateGuid";
// Session
inline constexpr std::string_view kCommandLine = "CommandLine";
inline constexpr std::string_view kProgramPath = "ProgramPath";
inline constexpr std::string_view kGetVersion = "GetVersion";
inline constexpr std::string_view kGetVersionNumber = "GetVersionNumber";
inline constexpr std::string_view kSystemLocaleEnglishCountry = "SystemLocaleEnglishCountry";
inline constexpr std::string_view kGetEnvironmentVariable = "GetEnvironmentVariable";
inline constexpr std::string_view kQueryDosDevice = "QueryDosDevice";
inline constexpr std::string_view kEnableShutdownPrivilege = "EnableShutdownPrivilege";
inline constexpr std::string_view kExitWindows = "ExitWindows";
inline constexpr std::string_view kAbortSystemShutdown = "AbortSystemShutdown";
inline constexpr std::string_view kExitProcess = "ExitProcess";
// User interface
inline constexpr std::string_view kMessageBox = "MessageBox";
inline constexpr std::string_view kRunModal = "RunModal";
inline constexpr std::string_view kOpenModeless = "OpenModeless";
inline constexpr std::string_view kChooseFileToOpen = "ChooseFileToOpen";
inline constexpr std::string_view kChooseFileToSave = "ChooseFileToSave";
inline constexpr std::string_view kBrowseForFolder = "BrowseForFolder";
inline constexpr std::string_view kSetWaitCursor = "SetWaitCursor";
inline constexpr std::string_view kOpenHelp = "OpenHelp";
inline constexpr std::string_view kPumpOne = "PumpOne";
inline constexpr std::string_view kPostQuit = "PostQuit";
inline constexpr std::string_view kWaitForMessageOrProcess = "WaitForMessageOrProcess";
}  // namespace op

// Every operation name above, in the order of the interfaces.
std::span<const std::string_view> AllOperations();
bool IsOperation(std::string_view name);

struct Call {
    std::string operation;
    std::string subject;  // the path, key, command line or text the call was about
};

class Faults {
  public:
    // The occurrence-th call of `operation` (counted from 1 over the object's life) fails
    // with `error`. An unknown operation name throws std::invalid_argument.
    void FailAt(std::string_view operation, int occurrence, platform::ErrorCode error);
    // Every call from the occurrence-th on fails.
    void FailFrom(std::string_view operation, int occurrence, platform::ErrorCode error);
    // Every further call fails.
    void FailAlways(std::string_view operation, platform::ErrorCode error);
    // When the occurrence-th call of `operation` begins, `action` runs before the call does its
    // work: what another program does in the meantime.
    void ActAt(std::string_view operation, int occurrence, std::function<void()> action);
    // Forgets the scheduled failures and actions; counts and log stay.
    void Clear();
    // Forgets everything: failures, counts, log.
    void Reset();

    int Calls(std::string_view operation) const;
    // Injected failures so far, in total and per operation.
    int Injected() const { return injected_; }
    int Injected(std::string_view operation) const;
    // Every call in order.
    const std::vector<Call>& Log() const { return log_; }
    // The subjects of one operation's calls, in order.
    std::vector<std::string> Subjects(std::string_view operation) const;

    // Called first by every fake operation: counts and logs the call and tells whether it is
    // to fail, and with which code.
    std::optional<platform::ErrorCode> Enter(std::string_view operation,
                                             std::string_view subject = {});

  private:
    struct Plan {
        std::map<int, platform::ErrorCode> at;                    // occurrence -> code
        std::optional<std::pair<int, platform::ErrorCode>> from;  // first occurrence, code
    };

    static std::string Checked(std::string_view operation);

    std::map<std::string, Plan, std::less<>> plans_;
    std::map<std::pair<std::string, int>, std::function<void()>> actions_;
    std::map<std::string, int, std::less<>> counts_;
    std::map<std::string, int, std::less<>> injectedPerOperation_;
    std::vector<Call> log_;
    int injected_ = 0;
};

}  // namespace velnora::fake
