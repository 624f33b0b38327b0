// Stands in for a vendor installer of Vantorix and its tools. What it does is chosen by its
// arguments (see README.md); every action can be combined with every other.
#include "kit_common.h"

#include <shlobj.h>

#include <utility>

namespace {

using kit::JoinPath;
using kit::Quote;

constexpr wchar_t kDefaultVersion[] = L"4.08.00.012";
constexpr wchar_t kVendorSwitches[] = L" -lang0409 -remove";

enum class EnvironmentAction { None, Create, Update, CreateOrUpdate };

struct Options {
    long runMs = 0;
    long spawnChildMs = -1;
    std::wstring childImage;
    bool requestReboot = false;
    long exitCode = 0;
    EnvironmentAction environment = EnvironmentAction::None;
    std::wstring version;
    std::wstring folder;
    std::wstring displayName;
    std::wstring uninstallForm = L"runfromtemp";
    std::wstring uninstallArgs;
    std::wstring comScripts = L"all";
    std::wstring startMenu;  // empty: chosen by version
    std::wstring vtx2Source;
    bool withTidewatch = false;
    bool setupResume = false;
    std::vector<std::pair<std::wstring, std::wstring>> versionLines;
    std::vector<std::pair<std::wstring, std::wstring>> softwareLines;
    std::vector<std::wstring> records;
    std::wstring marker;
    std::vector<std::wstring> ignored;
};

constexpr wchar_t kUsage[] =
    L"usage: vtx_installer_standin [--run-ms N] [--spawn-child-ms N [--child-image PATH]]\n"
    L"  [--request-reboot] [--exit-code N] [--marker FILE]\n"
    L"  [--create-environment | --update-environment | --install-environment]\n"
    L"  [--version V] [--folder PATH] [--display-name TEXT] [--vtx2-source FILE]\n"
    L"  [--uninstall-form runfromtemp|launcher] [--uninstall-args TEXT]\n"
    L"  [--com-scripts all|split|both|none] [--start-menu orvessa|legacy|none]\n"
    L"  [--with-tidewatch] [--setup-resume]\n"
    L"  [--add-version KEY=VALUE]... [--add-software KEY=VALUE]... [--record TEXT]...";

bool SplitPair(const std::wstring& text, std::pair<std::wstring, std::wstring>& out) {
    const auto equals = text.find(L'=');
    if (equals == std::wstring::npos || equals == 0) {
        return false;
    }
    out = {text.substr(0, equals), text.substr(equals + 1)};
    return true;
}

bool OneOf(const std::wstring& value, std::initializer_list<const wchar_t*> allowed) {
    for (const wchar_t* candidate : allowed) {
        if (value == candidate) {
            return true;
        }
    }
    return false;
}

// Returns an error text, empty on success.
std::wstring Parse(const std::vector<std::wstring>& arguments, Options& options) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::wstring option = arguments[i];
        std::optional<std::wstring> inlineValue;
        if (option.rfind(L"--", 0) != 0) {
            // Switches of the vendor setup engine ("/s", "-lang0409") are accepted and ignored.
            options.ignored.push_back(option);
            continue;
        }
        if (const auto equals = option.find(L'='); equals != std::wstring::npos) {
            inlineValue = option.substr(equals + 1);
            option.resize(equals);
        }
        auto value = [&](std::wstring& out) -> bool {
            if (inlineValue) {
                out = *inlineValue;
                return true;
            }
            if (i + 1 >= arguments.size()) {
                return false;
            }
            out = arguments[++i];
            return true;
        };
        auto number = [&](long& out) -> bool {
            std::wstring text;
            if (!value(text)) {
                return false;
            }
            const auto parsed = kit::ParseNumber(text);
            if (!parsed) {
                return false;
            }
            out = *parsed;
            return true;
        };
        auto pair = [&](std::vector<std::pair<std::wstring, std::wstring>>& out) -> bool {
            std::wstring text;
            std::pair<std::wstring, std::wstring> parsed;
            if (!value(text) || !SplitPair(text, parsed)) {
                return false;
            }
            out.push_back(std::move(parsed));
            return true;
        };
        auto flag = [&](bool& out) -> bool {
            out = true;
            return !inlineValue;
        };
        auto action = [&](EnvironmentAction chosen) -> bool {
            if (options.environment != EnvironmentAction::None || inlineValue) {
                return false;
            }
            options.environment = chosen;
            return true;
        };

        bool ok = false;
        if (option == L"--run-ms") {
            ok = number(options.runMs) && options.runMs >= 0;
        } else if (option == L"--spawn-child-ms") {
            ok = number(options.spawnChildMs) && options.spawnChildMs >= 0;
        } else if (option == L"--child-image") {
            ok = value(options.childImage);
        } else if (option == L"--request-reboot") {
            ok = flag(options.requestReboot);
        } else if (option == L"--exit-code") {
            ok = number(options.exitCode);
        } else if (option == L"--create-environment") {
            ok = action(EnvironmentAction::Create);
        } else if (option == L"--update-environment") {
            ok = action(EnvironmentAction::Update);
        } else if (option == L"--install-environment") {
            ok = action(EnvironmentAction::CreateOrUpdate);
        } else if (option == L"--version") {
            ok = value(options.version) && !options.version.empty();
        } else if (option == L"--folder") {
            ok = value(options.folder) && !options.folder.empty();
        } else if (option == L"--display-name") {
            ok = value(options.displayName);
        } else if (option == L"--uninstall-form") {
            ok = value(options.uninstallForm) &&
                 OneOf(options.uninstallForm, {L"runfromtemp", L"launcher"});
        } else if (option == L"--uninstall-args") {
            ok = value(options.uninstallArgs);
        } else if (option == L"--com-scripts") {
            ok = value(options.comScripts) &&
                 OneOf(options.comScripts, {L"all", L"split", L"both", L"none"});
        } else if (option == L"--start-menu") {
            ok = value(options.startMenu) &&
                 OneOf(options.startMenu, {L"orvessa", L"legacy", L"none"});
        } else if (option == L"--vtx2-source") {
            ok = value(options.vtx2Source);
        } else if (option == L"--with-tidewatch") {
            ok = flag(options.withTidewatch);
        } else if (option == L"--setup-resume") {
            ok = flag(options.setupResume);
        } else if (option == L"--add-version") {
            ok = pair(options.versionLines);
        } else if (option == L"--add-software") {
            ok = pair(options.softwareLines);
        } else if (option == L"--record") {
            std::wstring text;
            ok = value(text);
            options.records.push_back(text);
        } else if (option == L"--marker") {
            ok = value(options.marker);
        } else {
            return L"unknown option " + option + L"\n" + kUsage;
        }
        if (!ok && option.find(L"-environment") != std::wstring::npos) {
            return L"choose one of --create-environment, --update-environment and "
                   L"--install-environment, without a value\n" +
                   std::wstring(kUsage);
        }
        if (!ok) {
            return L"bad or missing value for " + option + L"\n" + kUsage;
        }
    }
    return {};
}

// A relative path on the command line means a file next to this program, like the other
// files of a vendor setup.
std::wstring BesideMe(const std::wstring& path) {
    const bool absolute = path.size() > 1 && (path[1] == L':' || path.rfind(L"\\\\", 0) == 0);
    return absolute ? path : JoinPath(kit::OwnFolder(), path);
}

std::wstring TrimSlash(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) {
        path.pop_back();
    }
    return path;
}

// --- pieces of an environment --------------------------------------------------------------

std::wstring ComScript(const wchar_t* name, const wchar_t* purpose) {
    return std::wstring(L"@echo off\r\nrem ") + purpose +
           L" the COM servers of this Vantorix environment.\r\n"
           L"rem The log line lets the kit's tests see that the script ran.\r\necho " +
           name + L">>\"%~dp0com_scripts.log\"\r\n";
}

bool WriteComScripts(const std::wstring& folder, const std::wstring& mode) {
    constexpr wchar_t kRegister[] = L"Registers";
    constexpr wchar_t kUnregister[] = L"Unregisters";
    std::vector<std::pair<const wchar_t*, const wchar_t*>> scripts;
    if (mode == L"all" || mode == L"both") {
        scripts.insert(scripts.end(), {{L"ALL_REGISTERSERVER", kRegister},
                                       {L"ALL_UNREGISTERSERVER", kUnregister}});
    }
    if (mode == L"split" || mode == L"both") {
        scripts.insert(scripts.end(), {{L"REGISTERSERVER", kRegister},
                                       {L"PDREGISTERSERVER", kRegister},
                                       {L"UNREGISTERSERVER", kUnregister},
                                       {L"PDUNREGISTERSERVER", kUnregister}});
    }
    bool ok = true;
    for (const auto& [name, purpose] : scripts) {
        ok = kit::WriteTextFile(JoinPath(folder, std::wstring(name) + L".bat"),
                                ComScript(name, purpose)) &&
             ok;
    }
    return ok;
}

bool InstallProgram(const Options& options, const std::wstring& version,
                    const std::wstring& folder) {
    const std::wstring source =
        options.vtx2Source.empty() ? JoinPath(kit::OwnFolder(), L"VTX2\\" + version + L"\\VTX2.exe")
                                   : BesideMe(options.vtx2Source);
    return kit::CreateFolders(folder) && kit::CopyOneFile(source, JoinPath(folder, L"VTX2.exe")) &&
           kit::WriteTextFile(JoinPath(folder, L"readme.txt"),
                              L"Vantorix V" + version +
                                  L"\r\n\r\nSample environment of the "
                                  L"Velnora vendor kit.\r\n");
}

// Shortcuts relative to the common programs folder; old releases kept theirs outside the
// maker's folder.
std::vector<std::wstring> CreateStartMenu(const std::wstring& layout, const std::wstring& version,
                                          const std::wstring& folder) {
    if (layout == L"none") {
        return {};
    }
    const std::wstring group = layout == L"legacy" ? L"Vantorix V" + version
                                                   : std::wstring(kit::kMakerName) + L"\\Vantorix";
    const std::wstring programs = kit::ProgramsFolder();
    const std::wstring program = JoinPath(folder, L"VTX2.exe");
    std::vector<std::wstring> links;
    const std::wstring ide = group + L"\\Vantorix.lnk";
    if (kit::CreateShortcut(JoinPath(programs, ide), program, L"", folder,
                            L"Vantorix V" + version)) {
        links.push_back(ide);
    }
    const std::wstring readme = group + L"\\Read me.lnk";
    if (kit::CreateShortcut(JoinPath(programs, readme), JoinPath(folder, L"readme.txt"), L"",
                            folder, L"Read me")) {
        links.push_back(readme);
    }
    return links;
}

bool RegisterAssociation(const std::wstring& folder) {
    const std::wstring program = JoinPath(folder, L"VTX2.exe");
    const std::wstring base = kit::kAssociationClass;
    return kit::WriteRegText(HKEY_CLASSES_ROOT, kit::kAssociationExtension, L"", base) &&
           kit::WriteRegText(HKEY_CLASSES_ROOT, base, L"", L"Vantorix Workspace") &&
           kit::WriteRegText(HKEY_CLASSES_ROOT, base + L"\\DefaultIcon", L"", program + L",0") &&
           kit::WriteRegText(HKEY_CLASSES_ROOT, base + L"\\shell\\open\\command", L"",
                             Quote(program) + L" \"%1\"");
}

std::wstring UninstallCommand(const Options& options, const std::wstring& setup) {
    std::wstring command;
    if (options.uninstallForm == L"launcher") {
        // The launcher's argument must hold no blank: the short form of the folder.
        const std::wstring common = kit::CommonFilesFolder();
        std::wstring shortCommon(MAX_PATH, L'\0');
        shortCommon.resize(GetShortPathNameW(common.c_str(), shortCommon.data(), MAX_PATH));
        if (shortCommon.empty()) {
            shortCommon = common;
        }
        command = L"RunDll32 " + shortCommon + L"\\Orvessa\\VtxLaunch.dll,StartSetup " +
                  Quote(setup) + kVendorSwitches;
    } else {
        command = Quote(setup) + L" -runfromtemp" + kVendorSwitches;
    }
    if (!options.uninstallArgs.empty()) {
        command += L" " + options.uninstallArgs;
    }
    return command;
}

bool WriteInstallerInfo(const Options& options, const std::wstring& version,
                        const std::wstring& folder, const std::vector<std::wstring>& links) {
    const std::wstring info = kit::LiveInstallerInfoFolder();
    const std::wstring ini = JoinPath(info, L"setup.ini");
    bool ok = kit::CreateFolders(info) &&
              kit::CopyOneFile(JoinPath(kit::OwnFolder(), L"vtx_uninstaller_standin.exe"),
                               JoinPath(info, L"Setup.exe")) &&
              kit::WriteTextFile(JoinPath(info, L"_setup.dll"),
                                 L"Placeholder of the vendor setup engine.\r\n") &&
              kit::WriteTextFile(ini, L"[Startup]\r\nAppName=Vantorix\r\n");
    ok = ok && kit::WriteProfile(ini, L"Startup", L"ProductGUID", kit::kProductGuid) &&
         kit::WriteProfile(ini, L"Startup", L"ProductVersion", version) &&
         kit::WriteProfile(ini, L"Kit", L"InstallLocation", folder);
    for (std::size_t i = 0; ok && i < links.size(); ++i) {
        ok = kit::WriteProfile(ini, L"Kit", L"Link" + std::to_wstring(i + 1), links[i]);
    }
    if (ok && options.withTidewatch) {
        ok = kit::WriteProfile(ini, L"Kit", L"Tidewatch", L"1");
    }
    return ok && kit::AppendLine(JoinPath(info, L"setup.log"),
                                 L"Installed Vantorix V" + version + L" into " + folder);
}

bool WriteUninstallEntry(const Options& options, const std::wstring& version,
                         const std::wstring& folder, const std::wstring& displayName) {
    const std::wstring key = kit::UninstallKeyPath(kit::kProductGuid);
    const std::wstring info = kit::LiveInstallerInfoFolder();
    const std::wstring record = kit::ToolRecordPath();
    const std::wstring owner = kit::ReadProfile(record, L"UserInformation_Common", L"User name");
    const std::wstring company =
        kit::ReadProfile(record, L"UserInformation_Common", L"Company name");
    bool ok =
        kit::WriteRegText(HKEY_LOCAL_MACHINE, key, L"ProductGuid", kit::kProductGuid) &&
        kit::WriteRegText(HKEY_LOCAL_MACHINE, key, L"DisplayName", displayName) &&
        kit::WriteRegText(HKEY_LOCAL_MACHINE, key, L"DisplayVersion", version) &&
        kit::WriteRegText(HKEY_LOCAL_MACHINE, key, L"Publisher", kit::kMakerName) &&
        kit::WriteRegText(HKEY_LOCAL_MACHINE, key, L"InstallLocation", folder) &&
        kit::WriteRegText(HKEY_LOCAL_MACHINE, key, L"DisplayIcon", JoinPath(folder, L"VTX2.exe")) &&
        kit::WriteRegText(HKEY_LOCAL_MACHINE, key, L"UninstallString",
                          UninstallCommand(options, JoinPath(info, L"Setup.exe"))) &&
        kit::WriteRegText(HKEY_LOCAL_MACHINE, key, L"LogFile", JoinPath(info, L"setup.log"));
    if (ok && !owner.empty()) {
        ok = kit::WriteRegText(HKEY_LOCAL_MACHINE, key, L"RegOwner", owner);
    }
    if (ok && !company.empty()) {
        ok = kit::WriteRegText(HKEY_LOCAL_MACHINE, key, L"RegCompany", company);
    }
    return ok;
}

// The tool record of a fresh environment; releases after 3.0 write the categorised layout.
bool WriteNewToolRecord(const std::wstring& version) {
    const std::wstring record = kit::ToolRecordPath();
    bool ok = kit::WriteProfile(record, L"Install Version", L"VTX", version) &&
              kit::WriteProfile(record, L"Install Version", L"MANUALS", version);
    if (kit::VersionNumber(version) > 3000) {
        ok = ok && kit::WriteProfile(record, L"Ini Version", L"Version", L"2.00") &&
             kit::WriteProfile(record, L"Install Software", L"TOOLCHAIN1",
                               L"VTX," + version + L",0,Vantorix C Compiler V." + version) &&
             kit::WriteProfile(record, L"Install Software", L"SDEBUGGER1",
                               L"VTX," + version + L",0,Vantorix Simulator V." + version);
    } else {
        ok = ok && kit::WriteProfile(record, L"Install Version", L"COMPILER", L"V." + version);
    }
    return ok && kit::AppendProfileValue(record, L"Installation Record", L"Record",
                                         L"Vantorix V" + version + L" installed");
}

bool RegisterTidewatch(const std::wstring& folder) {
    const std::wstring home = JoinPath(kit::ProgramFilesFolder(), L"Orvessa\\Tidewatch");
    const std::wstring program = JoinPath(home, L"Tidewatch.exe");
    // A running copy holds its program file; then the one in place stays.
    if (!kit::PathExists(program) &&
        !kit::CopyOneFile(JoinPath(kit::OwnFolder(), L"Tidewatch.exe"), program)) {
        return false;
    }
    const std::wstring data =
        JoinPath(kit::ShellFolder(CSIDL_COMMON_APPDATA), L"Orvessa\\Tidewatch");
    return kit::WriteRegText(HKEY_LOCAL_MACHINE, kit::kTidewatchKey, L"Location", program) &&
           kit::WriteRegText(HKEY_LOCAL_MACHINE, kit::kTidewatchKey, L"ClientInfo",
                             L"Vantorix;" + folder) &&
           kit::CreateFolders(data) &&
           kit::WriteProfile(JoinPath(data, L"clients.ini"), L"Client", L"Location", folder);
}

int CreateEnvironment(const Options& options, const kit::Marker& marker) {
    const std::wstring version = options.version.empty() ? kDefaultVersion : options.version;
    std::wstring folder = options.folder;
    if (folder.empty()) {
        folder = kit::ReadProfile(kit::ToolRecordPath(), L"Install Directory", L"VTX");
    }
    if (folder.empty()) {
        folder = JoinPath(kit::ProgramFilesFolder(), L"Orvessa\\Vantorix");
    }
    folder = TrimSlash(folder);
    const std::wstring displayName =
        options.displayName.empty() ? L"Vantorix V" + version : options.displayName;
    std::wstring layout = options.startMenu;
    if (layout.empty()) {
        layout = kit::VersionNumber(version) <= 3000 ? L"legacy" : L"orvessa";
    }

    auto fail = [&](const wchar_t* step) {
        kit::Complain(marker, std::wstring(L"creating the environment failed: ") + step);
        return kit::kExitInstallFailure;
    };
    if (!InstallProgram(options, version, folder)) {
        return fail(L"program files");
    }
    if (!WriteComScripts(folder, options.comScripts)) {
        return fail(L"COM registration scripts");
    }
    const std::vector<std::wstring> links = CreateStartMenu(layout, version, folder);
    if (layout != L"none" && links.size() != 2) {
        return fail(L"start menu");
    }
    if (!WriteInstallerInfo(options, version, folder, links)) {
        return fail(L"installer information");
    }
    if (!RegisterAssociation(folder)) {
        return fail(L"file association");
    }
    if (options.withTidewatch && !RegisterTidewatch(folder)) {
        return fail(L"Tidewatch");
    }
    if (!WriteUninstallEntry(options, version, folder, displayName)) {
        return fail(L"uninstall entry");
    }
    if (!WriteNewToolRecord(version)) {
        return fail(L"Vtx2Inst.ini");
    }
    marker.Write(L"created", folder);
    return 0;
}

int UpdateEnvironment(const Options& options, const kit::Marker& marker) {
    const std::wstring key = kit::UninstallKeyPath(kit::kProductGuid);
    const auto location = kit::ReadRegText(HKEY_LOCAL_MACHINE, key, L"InstallLocation");
    if (!location || location->empty()) {
        kit::Complain(marker, L"no active Vantorix environment to update");
        return kit::kExitUnknownProduct;
    }
    const std::wstring record = kit::ToolRecordPath();
    std::wstring version = options.version;
    if (!version.empty()) {
        const bool ok = InstallProgram(options, version, *location) &&
                        kit::WriteRegText(HKEY_LOCAL_MACHINE, key, L"DisplayVersion", version) &&
                        kit::WriteRegText(HKEY_LOCAL_MACHINE, key, L"DisplayName",
                                          options.displayName.empty() ? L"Vantorix V" + version
                                                                      : options.displayName) &&
                        kit::WriteProfile(record, L"Install Version", L"VTX", version);
        if (!ok) {
            kit::Complain(marker, L"updating the environment failed");
            return kit::kExitInstallFailure;
        }
    } else {
        version = kit::ReadRegText(HKEY_LOCAL_MACHINE, key, L"DisplayVersion").value_or(L"");
        if (!options.displayName.empty()) {
            kit::WriteRegText(HKEY_LOCAL_MACHINE, key, L"DisplayName", options.displayName);
        }
    }
    if (options.withTidewatch && !RegisterTidewatch(*location)) {
        kit::Complain(marker, L"registering Tidewatch failed");
        return kit::kExitInstallFailure;
    }
    kit::AppendProfileValue(record, L"Installation Record", L"Record",
                            L"Vantorix V" + version + L" updated");
    marker.Write(L"updated", *location);
    return 0;
}

bool WriteToolLines(const Options& options) {
    const std::wstring record = kit::ToolRecordPath();
    bool ok = true;
    for (const auto& [key, value] : options.versionLines) {
        ok = kit::WriteProfile(record, L"Install Version", key, value) && ok;
    }
    for (const auto& [key, value] : options.softwareLines) {
        ok = kit::WriteProfile(record, L"Install Software", key, value) && ok;
    }
    for (const std::wstring& text : options.records) {
        ok = kit::AppendProfileValue(record, L"Installation Record", L"Record", text) && ok;
    }
    return ok;
}

// A resume command the way the vendor setup leaves one behind when it needs a restart.
bool WriteSetupResume() {
    const std::wstring runOnce = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    for (int n = 1; n < 100; ++n) {
        const std::wstring name = L"InstallShieldSetup" + std::to_wstring(n);
        if (!kit::ReadRegText(HKEY_LOCAL_MACHINE, runOnce, name)) {
            return kit::WriteRegText(
                HKEY_LOCAL_MACHINE, runOnce, name,
                Quote(JoinPath(kit::LiveInstallerInfoFolder(), L"Setup.exe")) + L" -resume");
        }
    }
    return false;
}

bool SpawnChild(const Options& options) {
    const std::wstring image =
        options.childImage.empty() ? kit::OwnProgramPath() : BesideMe(options.childImage);
    std::wstring command = Quote(image) + L" --run-ms " + std::to_wstring(options.spawnChildMs);
    if (!options.marker.empty()) {
        command += L" --marker " + Quote(options.marker);
    }
    return kit::StartDetached(command, kit::ParentFolder(image));
}

int Run(const Options& options, const kit::Marker& marker) {
    int result = static_cast<int>(options.exitCode);
    if (options.spawnChildMs >= 0 && !SpawnChild(options)) {
        kit::Complain(marker, L"the child program could not be started");
        return kit::kExitInstallFailure;
    }
    int environmentResult = 0;
    switch (options.environment) {
        case EnvironmentAction::None:
            break;
        case EnvironmentAction::Create:
            environmentResult = CreateEnvironment(options, marker);
            break;
        case EnvironmentAction::Update:
            environmentResult = UpdateEnvironment(options, marker);
            break;
        case EnvironmentAction::CreateOrUpdate:
            environmentResult =
                kit::KeyExists(HKEY_LOCAL_MACHINE, kit::UninstallKeyPath(kit::kProductGuid))
                    ? UpdateEnvironment(options, marker)
                    : CreateEnvironment(options, marker);
            break;
    }
    if (environmentResult != 0) {
        return environmentResult;
    }
    if (!WriteToolLines(options)) {
        kit::Complain(marker, L"writing Vtx2Inst.ini failed");
        return kit::kExitInstallFailure;
    }
    if (options.requestReboot &&
        !kit::WriteProfile(kit::ToolRecordPath(), L"Install Manager", L"bWindowsReboot", L"1")) {
        kit::Complain(marker, L"writing the restart request failed");
        return kit::kExitInstallFailure;
    }
    if (options.setupResume && !WriteSetupResume()) {
        kit::Complain(marker, L"writing the resume command failed");
        return kit::kExitInstallFailure;
    }
    if (options.runMs > 0) {
        Sleep(static_cast<DWORD>(options.runMs));
    }
    return result;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Options options;
    const std::wstring error = Parse(kit::Arguments(), options);
    kit::Marker marker;
    marker.SetPath(options.marker);
    marker.Write(L"start", GetCommandLineW());
    if (!error.empty()) {
        kit::Complain(marker, error);
        marker.Write(L"end", std::to_wstring(kit::kExitBadArguments));
        return kit::kExitBadArguments;
    }
    const int result = Run(options, marker);
    marker.Write(L"end", std::to_wstring(result));
    return result;
}
