#include "platform/win32/win32_processes.h"

#include "platform/win32/system_libraries.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/win32_support.h"

namespace velnora::platform::win32 {

namespace {

HANDLE Native(Handle handle) {
    return ToNative<HANDLE>(handle);
}

// Access the enumeration needs: query information and read memory.
constexpr DWORD kQueryAndRead = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
// PROCESS_ALL_ACCESS as Windows XP defines it; the larger value of later headers fails there.
constexpr DWORD kAllAccessXp = STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0xFFF;

void Convert(const PROCESSENTRY32W& native, ProcessEntry& entry) {
    entry.processId = native.th32ProcessID;
    entry.exeFile = Utf8(native.szExeFile, wcsnlen(native.szExeFile, MAX_PATH));
}

void Convert(const MODULEENTRY32W& native, ModuleEntry& entry) {
    entry.processId = native.th32ProcessID;
    entry.moduleName = Utf8(native.szModule, wcsnlen(native.szModule, MAX_MODULE_NAME32 + 1));
    entry.exePath = Utf8(native.szExePath, wcsnlen(native.szExePath, MAX_PATH));
}

// One step of a toolhelp walk (first or next) converted to the interface's entry.
template <typename NativeEntry, typename Entry>
bool WalkStep(BOOL(WINAPI* walk)(HANDLE, NativeEntry*), Handle snapshot, Entry& entry) {
    NativeEntry native{};
    native.dwSize = sizeof(native);
    if (walk == nullptr || !walk(Native(snapshot), &native))
        return false;
    Convert(native, entry);
    return true;
}

// A PSAPI function from PSAPI.DLL, or its K32 twin in kernel32 where PSAPI.DLL only
// forwards (or lacks) it.
template <typename Function>
Function FindPsapiFunction(const char* name, const char* kernelName) {
    if (auto function = FindFunction<Function>(L"PSAPI.DLL", name))
        return function;
    return FindFunction<Function>(L"kernel32.dll", kernelName);
}

}  // namespace

struct Win32Processes::Psapi {
    BOOL(WINAPI* enumProcesses)(DWORD*, DWORD, DWORD*) = nullptr;
    BOOL(WINAPI* enumProcessModules)(HANDLE, HMODULE*, DWORD, DWORD*) = nullptr;
    DWORD(WINAPI* moduleFileName)(HANDLE, HMODULE, LPWSTR, DWORD) = nullptr;
};

struct Win32Processes::Toolhelp {
    HANDLE(WINAPI* createSnapshot)(DWORD, DWORD) = nullptr;
    BOOL(WINAPI* processFirst)(HANDLE, LPPROCESSENTRY32W) = nullptr;
    BOOL(WINAPI* processNext)(HANDLE, LPPROCESSENTRY32W) = nullptr;
    BOOL(WINAPI* moduleFirst)(HANDLE, LPMODULEENTRY32W) = nullptr;
    BOOL(WINAPI* moduleNext)(HANDLE, LPMODULEENTRY32W) = nullptr;
};

Win32Processes::Win32Processes() = default;
Win32Processes::~Win32Processes() = default;

const Win32Processes::Psapi& Win32Processes::PsapiFunctions() {
    if (!psapi_) {
        psapi_ = std::make_unique<Psapi>();
        psapi_->enumProcesses =
            FindPsapiFunction<decltype(Psapi::enumProcesses)>("EnumProcesses", "K32EnumProcesses");
        psapi_->enumProcessModules = FindPsapiFunction<decltype(Psapi::enumProcessModules)>(
            "EnumProcessModules", "K32EnumProcessModules");
        psapi_->moduleFileName = FindPsapiFunction<decltype(Psapi::moduleFileName)>(
            "GetModuleFileNameExW", "K32GetModuleFileNameExW");
    }
    return *psapi_;
}

const Win32Processes::Toolhelp& Win32Processes::ToolhelpFunctions() {
    if (!toolhelp_) {
        constexpr const wchar_t* kKernel = L"Kernel32.dll";
        toolhelp_ = std::make_unique<Toolhelp>();
        toolhelp_->createSnapshot =
            FindFunction<decltype(Toolhelp::createSnapshot)>(kKernel, "CreateToolhelp32Snapshot");
        toolhelp_->processFirst =
            FindFunction<decltype(Toolhelp::processFirst)>(kKernel, "Process32FirstW");
        toolhelp_->processNext =
            FindFunction<decltype(Toolhelp::processNext)>(kKernel, "Process32NextW");
        toolhelp_->moduleFirst =
            FindFunction<decltype(Toolhelp::moduleFirst)>(kKernel, "Module32FirstW");
        toolhelp_->moduleNext =
            FindFunction<decltype(Toolhelp::moduleNext)>(kKernel, "Module32NextW");
    }
    return *toolhelp_;
}

ErrorCode Win32Processes::CreateProcess(const std::string& commandLine, std::uint32_t creationFlags,
                                        bool hiddenWindow, ProcessInfo& info) {
    info = ProcessInfo{};
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    // Nothing is inherited, so our standard handles and C runtime hand-over mean nothing
    // to the child.
    startup.dwFlags &= ~static_cast<DWORD>(STARTF_USESTDHANDLES);
    startup.cbReserved2 = 0;
    startup.lpReserved2 = nullptr;
    if (hiddenWindow) {
        startup.dwFlags |= STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    // CreateProcessW may write into the command line.
    std::wstring command = Wide(commandLine);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, creationFlags, nullptr,
                        nullptr, &startup, &started))
        return LastError();
    info.process = FromNative(started.hProcess);
    info.thread = FromNative(started.hThread);
    info.processId = started.dwProcessId;
    return error::kSuccess;
}

std::uint32_t Win32Processes::WaitForProcess(Handle process, std::uint32_t timeoutMs) {
    return WaitForSingleObject(Native(process), timeoutMs);
}

ErrorCode Win32Processes::GetExitCode(Handle process, std::uint32_t& exitCode) {
    DWORD code = 0;
    if (!GetExitCodeProcess(Native(process), &code))
        return LastError();
    exitCode = code;
    return error::kSuccess;
}

ErrorCode Win32Processes::OpenProcess(std::uint32_t processId, Handle& process) {
    HANDLE opened = ::OpenProcess(kQueryAndRead, FALSE, processId);
    process = FromNative(opened);
    return opened != nullptr ? error::kSuccess : LastError();
}

ErrorCode Win32Processes::OpenProcessAllAccess(std::uint32_t processId, Handle& process) {
    HANDLE opened = ::OpenProcess(kAllAccessXp, FALSE, processId);
    process = FromNative(opened);
    return opened != nullptr ? error::kSuccess : LastError();
}

ErrorCode Win32Processes::TerminateProcess(Handle process, std::uint32_t exitCode) {
    return ::TerminateProcess(Native(process), exitCode) ? error::kSuccess : LastError();
}

void Win32Processes::CloseHandle(Handle handle) {
    if (handle != kNoHandle)
        ::CloseHandle(Native(handle));
}

bool Win32Processes::LoadLibrary(const std::string& library) {
    if (libraries_.count(library) != 0)
        return true;
    HMODULE module = LoadSystemLibrary(Wide(library).c_str());
    if (module == nullptr)
        return false;
    libraries_[library] = FromNative(module);
    return true;
}

bool Win32Processes::HasFunction(const std::string& library, const std::string& function) {
    if (!LoadLibrary(library))
        return false;
    return GetProcAddress(ToNative<HMODULE>(libraries_[library]), function.c_str()) != nullptr;
}

bool Win32Processes::EnumProcesses(std::size_t maxCount, std::vector<std::uint32_t>& processIds) {
    processIds.clear();
    const auto enumerate = PsapiFunctions().enumProcesses;
    if (enumerate == nullptr)
        return false;
    std::vector<DWORD> ids(maxCount);
    DWORD bytes = 0;
    if (!enumerate(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes))
        return false;
    const std::size_t count = bytes / sizeof(DWORD);
    processIds.assign(ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(
                                                     count < maxCount ? count : maxCount));
    return true;
}

bool Win32Processes::EnumProcessModules(Handle process, std::size_t maxCount,
                                        std::vector<Handle>& modules) {
    modules.clear();
    const auto enumerate = PsapiFunctions().enumProcessModules;
    if (enumerate == nullptr)
        return false;
    std::vector<HMODULE> found(maxCount);
    DWORD needed = 0;
    if (!enumerate(Native(process), found.data(),
                   static_cast<DWORD>(found.size() * sizeof(HMODULE)), &needed))
        return false;
    const std::size_t count = needed / sizeof(HMODULE);
    for (std::size_t i = 0; i < count && i < maxCount; ++i)
        modules.push_back(FromNative(found[i]));
    return true;
}

std::size_t Win32Processes::GetModuleFileNameEx(Handle process, Handle module, std::string& path) {
    path.clear();
    const auto fileName = PsapiFunctions().moduleFileName;
    if (fileName == nullptr)
        return 0;
    std::wstring name;
    const bool done = CallWithGrowingBuffer(
        [&](wchar_t* buffer, DWORD capacity, std::size_t& length) {
            length = fileName(Native(process), ToNative<HMODULE>(module), buffer, capacity);
            if (length == 0)
                return Fill::kFailed;
            // A cut name fills the buffer.
            return length + 1 >= capacity ? Fill::kTooSmall : Fill::kDone;
        },
        name);
    if (!done)
        return 0;
    path = Utf8(name);
    return path.size();
}

Handle Win32Processes::CreateSnapshot(std::uint32_t flags, std::uint32_t processId) {
    const auto create = ToolhelpFunctions().createSnapshot;
    if (create == nullptr)
        return kNoHandle;
    HANDLE snapshot = create(flags, processId);
    return snapshot == INVALID_HANDLE_VALUE ? kNoHandle : FromNative(snapshot);
}

bool Win32Processes::ProcessFirst(Handle snapshot, ProcessEntry& entry) {
    return WalkStep(ToolhelpFunctions().processFirst, snapshot, entry);
}

bool Win32Processes::ProcessNext(Handle snapshot, ProcessEntry& entry) {
    return WalkStep(ToolhelpFunctions().processNext, snapshot, entry);
}

bool Win32Processes::ModuleFirst(Handle snapshot, ModuleEntry& entry) {
    return WalkStep(ToolhelpFunctions().moduleFirst, snapshot, entry);
}

bool Win32Processes::ModuleNext(Handle snapshot, ModuleEntry& entry) {
    return WalkStep(ToolhelpFunctions().moduleNext, snapshot, entry);
}

ErrorCode Win32Processes::CreateMutex(const std::string& name, Handle& mutex) {
    SetLastError(ERROR_SUCCESS);
    HANDLE created = CreateMutexW(nullptr, FALSE, Wide(name).c_str());
    const ErrorCode result = LastError();
    mutex = FromNative(created);
    if (created == nullptr)
        return result != error::kSuccess ? result : error::kInvalidHandle;
    return result == error::kAlreadyExists ? error::kAlreadyExists : error::kSuccess;
}

void Win32Processes::ReleaseMutex(Handle mutex) {
    if (mutex != kNoHandle)
        ::ReleaseMutex(Native(mutex));
}

void Win32Processes::Sleep(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

std::uint32_t Win32Processes::GetTickCount() {
    return ::GetTickCount();
}

}  // namespace velnora::platform::win32
