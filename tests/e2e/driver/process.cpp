#include "driver/process.h"

#include <utility>

namespace velnora::e2e {

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

std::wstring BesideTestProgram(const std::wstring& file_name) {
    return ProgramFolder() + L"\\" + file_name;
}

std::wstring ArtefactsFolder() {
    wchar_t configured[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"VELNORA_ARTEFACTS", configured, MAX_PATH);
    std::wstring folder = (length > 0 && length < MAX_PATH) ? std::wstring(configured, length)
                                                            : ProgramFolder() + L"\\artefacts";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless they precede a quote.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

Program Program::Start(const std::wstring& path, const std::vector<std::wstring>& arguments,
                       const std::wstring& folder) {
    std::wstring command_line = QuoteArgument(path);
    for (const std::wstring& argument : arguments) {
        command_line += L' ';
        command_line += QuoteArgument(argument);
    }
    return Launch(path.c_str(), command_line, folder);
}

Program Program::StartCommandLine(const std::wstring& command_line, const std::wstring& folder) {
    return Launch(nullptr, command_line, folder);
}

Program Program::Launch(const wchar_t* path, std::wstring command_line,
                        const std::wstring& folder) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    Program program;
    if (!CreateProcessW(path, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        program.start_error_ = GetLastError();
        return program;
    }
    CloseHandle(info.hThread);
    program.process_ = info.hProcess;
    program.id_ = info.dwProcessId;
    return program;
}

Program::Program(Program&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)),
      id_(std::exchange(other.id_, 0)),
      start_error_(other.start_error_) {}

Program& Program::operator=(Program&& other) noexcept {
    if (this != &other) {
        Close();
        process_ = std::exchange(other.process_, nullptr);
        id_ = std::exchange(other.id_, 0);
        start_error_ = other.start_error_;
    }
    return *this;
}

Program::~Program() {
    Close();
}

void Program::Close() {
    if (process_ == nullptr) {
        return;
    }
    if (Running()) {
        Terminate();
    }
    CloseHandle(process_);
    process_ = nullptr;
}

bool Program::Running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Program::WaitForExit(Milliseconds timeout) {
    if (process_ == nullptr ||
        WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code)) {
        return std::nullopt;
    }
    return code;
}

void Program::Terminate(UINT exit_code) {
    if (process_ != nullptr) {
        TerminateProcess(process_, exit_code);
        WaitForSingleObject(process_, 5000);
    }
}

}  // namespace velnora::e2e
