// Stands in for the vendor setup program that the installer leaves in the installer
// information folder as Setup.exe and names in "UninstallString". Like the real one it knows
// only the live names of the active environment. It reads its arguments leniently: a command
// that carries an unquoted path with blanks splits into odd words.
#include "kit_common.h"

namespace {

using kit::JoinPath;

struct Options {
    bool remove = false;
    bool cancel = false;
    bool fail = false;
    bool keepEntry = false;
    bool requestReboot = false;
    std::vector<std::wstring> renames;
    long runMs = 0;
    long exitCode = 0;
    std::wstring marker;
};

Options Parse(const std::vector<std::wstring>& arguments) {
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& word = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (_wcsicmp(word.c_str(), L"-remove") == 0) {
            options.remove = true;
        } else if (word == L"--cancel") {
            options.cancel = true;
        } else if (word == L"--fail") {
            options.fail = true;
        } else if (word == L"--keep-entry") {
            options.keepEntry = true;
        } else if (word == L"--request-reboot") {
            options.requestReboot = true;
        } else if (word == L"--schedule-rename" && hasValue) {
            options.renames.push_back(arguments[++i]);
        } else if (word == L"--marker" && hasValue) {
            options.marker = arguments[++i];
        } else if (word == L"--run-ms" && hasValue) {
            options.runMs = kit::ParseNumber(arguments[++i]).value_or(0);
        } else if (word == L"--exit-code" && hasValue) {
            options.exitCode = kit::ParseNumber(arguments[++i]).value_or(0);
        }
    }
    return options;
}

// Values the installer writes; anything else (the install manager's own values) stays, and
// with it the key.
constexpr const wchar_t* kVendorValues[] = {
    L"ProductGuid", L"DisplayName",     L"DisplayVersion", L"Publisher", L"InstallLocation",
    L"DisplayIcon", L"UninstallString", L"LogFile",        L"RegOwner",  L"RegCompany",
};

void RemoveShortcuts(const std::wstring& setupIni) {
    const std::wstring programs = kit::ProgramsFolder();
    for (int n = 1;; ++n) {
        const std::wstring link = kit::ReadProfile(setupIni, L"Kit", L"Link" + std::to_wstring(n));
        if (link.empty()) {
            break;
        }
        kit::DeleteFilePatiently(JoinPath(programs, link));
        // Empty group folders go too, up to the programs folder itself.
        for (std::wstring folder = kit::ParentFolder(link); !folder.empty();
             folder = kit::ParentFolder(folder)) {
            if (!kit::RemoveFolderPatiently(JoinPath(programs, folder))) {
                break;
            }
        }
    }
}

void RemoveAssociation() {
    const auto handler = kit::ReadRegText(HKEY_CLASSES_ROOT, kit::kAssociationExtension, L"");
    if (handler && *handler == kit::kAssociationClass) {
        kit::DeleteRegTree(HKEY_CLASSES_ROOT, kit::kAssociationExtension);
    }
    kit::DeleteRegTree(HKEY_CLASSES_ROOT, kit::kAssociationClass);
}

int Remove(const Options& options, const kit::Marker& marker) {
    const std::wstring key = kit::UninstallKeyPath(kit::kProductGuid);
    if (!kit::KeyExists(HKEY_LOCAL_MACHINE, key)) {
        kit::Complain(marker, L"Vantorix is not installed");
        return kit::kExitUnknownProduct;
    }
    const std::wstring info = kit::LiveInstallerInfoFolder();
    const std::wstring setupIni = JoinPath(info, L"setup.ini");
    std::wstring location = kit::ReadRegText(HKEY_LOCAL_MACHINE, key, L"InstallLocation")
                                .value_or(kit::ReadProfile(setupIni, L"Kit", L"InstallLocation"));
    if (!location.empty()) {
        kit::RemoveTree(location);
    }
    RemoveShortcuts(setupIni);
    DeleteFileW(kit::ToolRecordPath().c_str());
    RemoveAssociation();
    if (!options.keepEntry) {
        for (const wchar_t* name : kVendorValues) {
            kit::DeleteRegValue(HKEY_LOCAL_MACHINE, key, name);
        }
        kit::DeleteKeyIfEmpty(HKEY_LOCAL_MACHINE, key);
    }

    // This program runs from the folder it removes; what it cannot delete now goes at the
    // next restart.
    std::vector<std::wstring> left;
    kit::RemoveTree(info, &left);
    for (const std::wstring& path : left) {
        MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    marker.Write(L"removed", location);
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const Options options = Parse(kit::Arguments());
    kit::Marker marker;
    marker.SetPath(options.marker);
    marker.Write(L"start", GetCommandLineW());
    int result = static_cast<int>(options.exitCode);
    if (options.cancel || options.fail) {
        const int code = options.cancel ? kit::kExitUserCancel : kit::kExitInstallFailure;
        result = options.exitCode != 0 ? result : code;
    } else if (options.remove) {
        const int removed = Remove(options, marker);
        result = removed != 0 ? removed : result;
    }
    // Like the vendor setup, which renames at the next restart what is in use now.
    for (const std::wstring& path : options.renames) {
        if (!MoveFileExW(path.c_str(), (path + L".renamed").c_str(), MOVEFILE_DELAY_UNTIL_REBOOT)) {
            kit::Complain(marker, L"scheduling the rename of " + path + L" failed");
        }
    }
    // The restart request goes where the installers put theirs, also after a removal.
    if (options.requestReboot &&
        !kit::WriteProfile(kit::ToolRecordPath(), L"Install Manager", L"bWindowsReboot", L"1")) {
        kit::Complain(marker, L"writing the restart request failed");
    }
    if (options.runMs > 0) {
        Sleep(static_cast<DWORD>(options.runMs));
    }
    marker.Write(L"end", std::to_wstring(result));
    return result;
}
