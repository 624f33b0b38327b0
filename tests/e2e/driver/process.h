// Starting the programs under test and watching them end.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "driver/wait.h"

namespace velnora::e2e {

// The folder of the running test program; the build puts every Windows program there.
std::wstring ProgramFolder();
// Full path of a program that the build placed beside the test program.
std::wstring BesideTestProgram(const std::wstring& file_name);
// Where screenshots and other artefacts go: %VELNORA_ARTEFACTS% when set (the Wine
// harness sets it), else an "artefacts" folder beside the test program. Created on demand.
std::wstring ArtefactsFolder();

// Quotes one argument so that CommandLineToArgvW and the C runtime read it back unchanged.
std::wstring QuoteArgument(const std::wstring& argument);

// A started program. The destructor ends a program that is still running, so a failed test
// does not leave windows behind for the next one.
class Program {
  public:
    // Starts `path` with `arguments`; `folder` is the working folder (empty: the caller's).
    static Program Start(const std::wstring& path, const std::vector<std::wstring>& arguments = {},
                         const std::wstring& folder = L"");
    // Starts a whole command line as Windows starts a Run value: the program is what the line
    // names, quoted or not.
    static Program StartCommandLine(const std::wstring& command_line,
                                    const std::wstring& folder = L"");

    Program() = default;
    Program(Program&& other) noexcept;
    Program& operator=(Program&& other) noexcept;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program();

    bool Started() const { return process_ != nullptr; }
    // GetLastError of a failed start.
    DWORD StartError() const { return start_error_; }
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    bool Running() const;

    // The exit code, or nothing when the program still runs at the deadline.
    std::optional<DWORD> WaitForExit(Milliseconds timeout = kDefaultTimeout);
    void Terminate(UINT exit_code = 1);

  private:
    static Program Launch(const wchar_t* path, std::wstring command_line,
                          const std::wstring& folder);
    void Close();

    HANDLE process_ = nullptr;
    DWORD id_ = 0;
    DWORD start_error_ = 0;
};

}  // namespace velnora::e2e
