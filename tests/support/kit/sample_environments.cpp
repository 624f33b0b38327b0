// Lays out sample environments in the prefix, as a user who installed Vantorix three times
// would have them, and removes them again:
//
//   velnora_kit_environments.exe lay-out [--uninstall-args TEXT] [--japanese]
//   velnora_kit_environments.exe remove-all
//
// lay-out installs each sample release (with --japanese a fourth one last, in a folder with a
// Japanese name and a Japanese display name) with the kit's installer under the live names and
// parks the environment that was active before with the install manager's own engine; the newest
// ends up active. remove-all activates and uninstalls one environment after the other through
// its stored uninstall command until none is left. Exit code 0 on success, 1 when a step
// failed (the reason goes to the standard error stream), 87 on bad arguments.
#include "platform/win32/windows_api.h"

#include <objbase.h>

#include <cstdio>
#include <string>
#include <vector>

#include "environments/activation_switch.h"
#include "environments/environment_table.h"
#include "installer/context.h"
#include "installer/execution.h"
#include "kit_common.h"
#include "maintenance/environment_uninstall.h"
#include "platform/win32/win32_platform.h"

namespace {

using velnora::installer::Context;

// One old-layout release (start menu beside the maker's folder, no tool categories), one of
// the first of the new layout, and the current one.
struct SampleRelease {
    const wchar_t* version;
    const wchar_t* folder;  // under the 32-bit program files folder
    const wchar_t* records[2];
    const wchar_t* displayName = nullptr;  // the installer's own when none
};
constexpr SampleRelease kReleases[] = {
    {L"2.20.00.000", L"Orvessa\\Vantorix V2.20", {L"Vantorix V2.20 installed", nullptr}},
    {L"3.0.0.5",
     L"Orvessa\\Vantorix V3.0",
     {L"Vantorix V3.0 installed", L"Simulator debugger updated"}},
    {L"4.08.00.012", L"Orvessa\\Vantorix", {L"Vantorix V4.08 installed", L"Tool chain V2.1 added"}},
};
// A version the kit has a VTX2.exe of.
constexpr SampleRelease kJapaneseRelease = {L"3.00.00.000",
                                            L"Orvessa\\Vantorix 日本語版",
                                            {L"Vantorix V3.00 インストール", nullptr},
                                            L"Vantorix 日本語版 V3.00"};

struct LayOutOptions {
    std::wstring uninstallArguments;
    bool japanese = false;
};

void Fail(const std::wstring& text) {
    std::fwprintf(stderr, L"velnora_kit_environments: %ls\n", text.c_str());
}

bool ActiveExists(Context& context) {
    return velnora::environments::EnvironmentEntryExists(context.platform.registry,
                                                         velnora::core::kVantorixProductGuid);
}

bool LayOut(Context& context, const LayOutOptions& options) {
    const std::wstring installer = kit::JoinPath(kit::OwnFolder(), L"vtx_installer_standin.exe");
    std::vector<SampleRelease> releases(std::begin(kReleases), std::end(kReleases));
    if (options.japanese)
        releases.push_back(kJapaneseRelease);
    for (const SampleRelease& release : releases) {
        std::string parked;
        // The kit's own failures are said by Fail; the engines' notices add nothing to them.
        velnora::core::Notices notices;
        if (!velnora::environments::ParkActiveEnvironment(context, parked, notices)) {
            Fail(L"the active environment could not be parked");
            return false;
        }
        std::wstring command = kit::Quote(installer) + L" --create-environment --version " +
                               release.version + L" --folder " +
                               kit::Quote(kit::JoinPath(kit::ProgramFilesFolder(), release.folder));
        if (release.displayName != nullptr)
            command += L" --display-name " + kit::Quote(release.displayName);
        for (const wchar_t* record : release.records)
            if (record != nullptr)
                command += L" --record " + kit::Quote(record);
        if (!options.uninstallArguments.empty())
            command += L" --uninstall-args " + kit::Quote(options.uninstallArguments);
        const long exitCode = kit::RunAndWait(command, 120000);
        if (exitCode != 0) {
            Fail(L"the installer of " + std::wstring(release.version) + L" ended with " +
                 std::to_wstring(exitCode));
            return false;
        }
    }
    return true;
}

bool RemoveAll(Context& context) {
    // Each round removes one environment; a round that removes none ends the loop.
    for (;;) {
        if (!velnora::environments::EnumerateEnvironments(context)) {
            Fail(L"the environments could not be enumerated");
            return false;
        }
        const int count = context.environments.Count();
        if (count == 0)
            return true;
        velnora::core::Notices notices;
        if (!ActiveExists(context) && !velnora::environments::ActivateEnvironment(
                                          context, context.environments.Row(0).keyName, notices)) {
            Fail(L"an environment could not be activated");
            return false;
        }
        if (velnora::maintenance::UninstallActiveEnvironment(context) !=
                velnora::maintenance::UninstallOutcome::kRan ||
            ActiveExists(context)) {
            Fail(L"the active environment was not uninstalled");
            return false;
        }
        velnora::environments::EnumerateEnvironments(context);
        if (context.environments.Count() >= count) {
            Fail(L"the uninstall removed no environment");
            return false;
        }
    }
}

}  // namespace

int wmain() {
    const std::vector<std::wstring> arguments = kit::Arguments();
    LayOutOptions options;
    bool usable = arguments.size() == 1 && arguments[0] == L"remove-all";
    if (!arguments.empty() && arguments[0] == L"lay-out") {
        usable = true;
        for (std::size_t i = 1; usable && i < arguments.size(); ++i) {
            if (arguments[i] == L"--japanese")
                options.japanese = true;
            else if (arguments[i] == L"--uninstall-args" && i + 1 < arguments.size())
                options.uninstallArguments = arguments[++i];
            else
                usable = false;
        }
    }
    if (!usable) {
        Fail(L"usage: lay-out [--uninstall-args TEXT] [--japanese] | remove-all");
        return 87;
    }
    // The start-menu moves go through the shell.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    velnora::platform::win32::Win32Platform win32;
    Context context(win32.Get());
    context.texts = velnora::core::TextSet(false);
    context.startup.programBaseName = "Velnora";
    win32.Get().session.GetVersion(context.startup.osVersion);
    velnora::core::Notices notices;
    velnora::environments::LoadProcessApi(context, notices);
    const bool done = arguments[0] == L"remove-all" ? RemoveAll(context) : LayOut(context, options);
    CoUninitialize();
    return done ? 0 : 1;
}
