#include "platform/win32/win32_shell.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "platform/win32/dialog_host.h"
#include "platform/win32/system_libraries.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/win32_support.h"

namespace velnora::platform::win32 {
namespace {

// Room for a shell link's target and arguments.
constexpr int kLinkTextCapacity = INFOTIPSIZE;

// A shell link object with its persist-file side; `status` holds the first failure.
struct ShellLink {
    ComRef<IShellLinkW> link;
    ComRef<IPersistFile> file;
    HRESULT status;

    ShellLink() {
        status = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  link.Out());
        if (SUCCEEDED(status))
            status = link->QueryInterface(IID_IPersistFile, file.Out());
    }
};

// A path the shell wants double-zero terminated.
std::wstring DoubleZero(const std::string& path) {
    std::wstring wide = Wide(path);
    wide.push_back(L'\0');
    return wide;  // c_str() adds the second zero
}

// The vendor installers are 32-bit programs: on 64-bit Windows their program files folder is
// the 32-bit one ("Program Files (x86)"), and the programs must look where they put their
// files. A 32-bit process gets that folder for the plain id already. Flag bits stay as given.
int VendorFolderId(int csidlWithFlags) {
#ifdef _WIN64
    if ((csidlWithFlags & ~CSIDL_FLAG_MASK) == CSIDL_PROGRAM_FILES)
        return (csidlWithFlags & CSIDL_FLAG_MASK) | CSIDL_PROGRAM_FILESX86;
#endif
    return csidlWithFlags;
}

// version.dll is no library that Windows keeps to the system folder, so the programs do not
// import it: it is loaded from there when the first version is read.
struct VersionFunctions {
    DWORD(WINAPI* size)(LPCWSTR, LPDWORD);
    BOOL(WINAPI* read)(LPCWSTR, DWORD, DWORD, LPVOID);
    BOOL(WINAPI* query)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
};

const VersionFunctions& Version() {
    static const VersionFunctions functions = {
        FindFunction<decltype(VersionFunctions::size)>(L"version.dll", "GetFileVersionInfoSizeW"),
        FindFunction<decltype(VersionFunctions::read)>(L"version.dll", "GetFileVersionInfoW"),
        FindFunction<decltype(VersionFunctions::query)>(L"version.dll", "VerQueryValueW"),
    };
    return functions;
}

}  // namespace

bool Win32Shell::GetSpecialFolderPath(int csidlWithFlags, std::string& path) {
    using Function = BOOL(WINAPI*)(HWND, LPWSTR, int, BOOL);
    const auto getPath = FindFunction<Function>(L"Shell32.dll", "SHGetSpecialFolderPathW");
    if (getPath == nullptr)
        return false;
    wchar_t buffer[MAX_PATH + 1] = {};
    const BOOL create = (csidlWithFlags & CSIDL_FLAG_CREATE) != 0;
    const int folder = VendorFolderId(csidlWithFlags & ~CSIDL_FLAG_CREATE);
    if (!getPath(nullptr, buffer, folder, create))
        return false;
    path = Utf8(buffer, wcsnlen(buffer, MAX_PATH));
    return true;
}

ErrorCode Win32Shell::ShellExecuteEx(const ExecuteRequest& request, Handle& process) {
    process = kNoHandle;
    const std::wstring verb = Wide(request.verb);
    const std::wstring file = Wide(request.file);
    const std::wstring parameters = Wide(request.parameters);
    const std::wstring directory = Wide(request.directory);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = request.mask;
    info.hwnd = WindowOfPage(request.owner);
    info.lpVerb = OrNull(verb);
    info.lpFile = file.c_str();
    info.lpParameters = OrNull(parameters);
    info.lpDirectory = OrNull(directory);
    info.nShow = request.showCommand;
    if (!ShellExecuteExW(&info)) {
        const ErrorCode failure = LastError();
        return failure != error::kSuccess ? failure : ERROR_GEN_FAILURE;
    }
    if ((request.mask & SEE_MASK_NOCLOSEPROCESS) != 0)
        process = FromNative(info.hProcess);
    return error::kSuccess;
}

ErrorCode Win32Shell::ShellExecute(const std::string& file, int showCommand) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, nullptr, Wide(file).c_str(), nullptr, nullptr, showCommand));
    // Above 32 is success; 0 to 32 are the old error numbers, 0 meaning out of memory.
    if (result > 32)
        return error::kSuccess;
    return result == 0 ? error::kNotEnoughMemory : static_cast<ErrorCode>(result);
}

HResult Win32Shell::ReadShortcut(const std::string& linkPath, std::string& target,
                                 std::string& arguments) {
    ComScope com;
    if (!com.Usable())
        return com.Status();
    ShellLink shortcut;
    if (FAILED(shortcut.status))
        return shortcut.status;
    const HRESULT loaded = shortcut.file->Load(Wide(linkPath).c_str(), STGM_READ);
    if (FAILED(loaded))
        return loaded;
    std::vector<wchar_t> text(kLinkTextCapacity, L'\0');
    WIN32_FIND_DATAW found{};
    shortcut.link->GetPath(text.data(), kLinkTextCapacity, &found, SLGP_UNCPRIORITY);
    target = Utf8(text.data(), wcsnlen(text.data(), text.size()));
    std::fill(text.begin(), text.end(), L'\0');
    // The caller learns the status of the last call, as the shell link reports it.
    const HRESULT status = shortcut.link->GetArguments(text.data(), kLinkTextCapacity);
    arguments = Utf8(text.data(), wcsnlen(text.data(), text.size()));
    return status;
}

HResult Win32Shell::CreateShortcut(const std::string& linkPath, const ShortcutData& data) {
    ComScope com;
    if (!com.Usable())
        return com.Status();
    ShellLink shortcut;
    if (FAILED(shortcut.status))
        return shortcut.status;
    // The setters' results do not matter: the saved file is what counts.
    shortcut.link->SetPath(Wide(data.target).c_str());
    shortcut.link->SetDescription(Wide(data.description).c_str());
    shortcut.link->SetArguments(Wide(data.arguments).c_str());
    shortcut.link->SetWorkingDirectory(Wide(data.workingFolder).c_str());
    shortcut.link->SetIconLocation(Wide(data.iconPath).c_str(), data.iconIndex);
    shortcut.link->SetShowCmd(data.showCommand);
    return shortcut.file->Save(Wide(linkPath).c_str(), TRUE);
}

int Win32Shell::ShellMoveFolder(const std::string& from, const std::string& to) {
    const std::wstring source = DoubleZero(from);
    const std::wstring target = DoubleZero(to);
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_MOVE;
    operation.pFrom = source.c_str();
    operation.pTo = target.c_str();
    operation.fFlags = FOF_SILENT | FOF_NOERRORUI;
    const int result = SHFileOperationW(&operation);
    if (result == 0 && operation.fAnyOperationsAborted)
        return ERROR_CANCELLED;
    return result;
}

void Win32Shell::NotifyFolderChanged(const std::string& path) {
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, Wide(path).c_str(), nullptr);
}

std::optional<std::string> Win32Shell::ProductVersion(const std::string& programFile) {
    const VersionFunctions& api = Version();
    if (api.size == nullptr || api.read == nullptr || api.query == nullptr)
        return std::nullopt;
    const std::wstring file = Wide(programFile);
    DWORD ignored = 0;
    const DWORD size = api.size(file.c_str(), &ignored);
    if (size == 0)
        return std::nullopt;
    std::vector<BYTE> block(size);
    if (!api.read(file.c_str(), 0, size, block.data()))
        return std::nullopt;

    WORD* translation = nullptr;
    UINT length = 0;
    if (!api.query(block.data(), L"\\VarFileInfo\\Translation",
                   reinterpret_cast<void**>(&translation), &length) ||
        translation == nullptr || length < 2 * sizeof(WORD))
        return std::nullopt;
    wchar_t query[64];
    std::swprintf(query, sizeof(query) / sizeof(query[0]),
                  L"\\StringFileInfo\\%04X%04X\\ProductVersion", translation[0], translation[1]);

    wchar_t* version = nullptr;
    if (!api.query(block.data(), query, reinterpret_cast<void**>(&version), &length) ||
        version == nullptr)
        return std::nullopt;
    return Utf8(version, wcsnlen(version, length));
}

bool Win32Shell::CreateGuid(Guid& guid) {
    GUID made{};
    if (FAILED(CoCreateGuid(&made)))
        return false;
    guid.data1 = made.Data1;
    guid.data2 = made.Data2;
    guid.data3 = made.Data3;
    for (std::size_t i = 0; i < guid.data4.size(); ++i)
        guid.data4[i] = made.Data4[i];
    return true;
}

}  // namespace velnora::platform::win32
