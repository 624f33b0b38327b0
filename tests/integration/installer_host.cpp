// Runs one installer through the real installer execution, set up as the install manager's
// start-up sets it up, so that a driver test can watch the run state and the logon value from
// outside while it waits.
//
//   velnora_installer_host.exe INDEX COUNT FORM RESULT_FILE COMMAND
//
// FORM is the page form (0 list, 1 single installer, 2 browse); COMMAND is the whole installer
// command line as one argument. When the run returns, RESULT_FILE gets "result=R" and
// "elapsed_ms=T" lines and the program ends with exit code 100 + R. Every way the execution
// ends the program by itself gives exit code 0 and no result file.
#include "platform/win32/windows_api.h"

#include <cstdlib>
#include <string>

#include "app/startup.h"
#include "core/texts.h"
#include "flows/install_run.h"
#include "installer/context.h"
#include "installer/execution.h"
#include "pages/page_prompt.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/win32_platform.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kSetUpError = 3;
constexpr int kReturnedBase = 100;

bool WriteResult(const std::wstring& path, const std::string& text) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool done =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    CloseHandle(file);
    return done;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace velnora;
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count != 6)
        return kUsageError;
    const int index = std::wcstol(arguments[1], nullptr, 10);
    const int entries = std::wcstol(arguments[2], nullptr, 10);
    const int form = std::wcstol(arguments[3], nullptr, 10);
    const std::wstring resultFile = arguments[4];
    const std::string command = platform::win32::Utf8(arguments[5]);
    LocalFree(arguments);

    platform::win32::Win32Platform win32;
    platform::Platform& platform = win32.Get();
    installer::Context context(platform);

    // What start-up establishes before any installer can run.
    auto& startup = context.startup;
    const std::string programPath = platform.session.ProgramPath();
    startup.programBaseName = app::ProgramBaseNameOf(programPath);
    // The host plays the install manager, which the logon value starts.
    startup.managerBaseName = startup.programBaseName;
    startup.settingsFile = startup.programBaseName + ".ini";
    context.texts = core::TextSet(core::ChooseJapanese(platform, startup.settingsFile));
    if (!platform.session.GetVersion(startup.osVersion))
        return kSetUpError;
    core::Notices notices;
    if (!environments::LoadProcessApi(context, notices))
        return kSetUpError;
    startup.programFolder = app::ProgramFolderOf(programPath);
    startup.autorunPath = startup.programFolder + "\\autorun.ini";

    context.run.installerCommand = command;
    const ULONGLONG before = GetTickCount64();
    // What the run says is shown as the pages show it.
    pages::PagePrompt prompt(context, nullptr);
    flows::PromptWatch watch(prompt);
    std::uint32_t exitCode = 0;
    const installer::InstallerRun run =
        installer::RunInstaller(context, index, entries, form, watch, exitCode);
    // The result file's format: 1 for an installer that ran and ended, 0 for one not started.
    const int result = run == installer::InstallerRun::kEnded ? 1 : 0;
    const ULONGLONG elapsed = GetTickCount64() - before;

    const std::string report =
        "result=" + std::to_string(result) + "\r\nelapsed_ms=" + std::to_string(elapsed) + "\r\n";
    if (!WriteResult(resultFile, report))
        return kSetUpError;
    return kReturnedBase + result;
}
