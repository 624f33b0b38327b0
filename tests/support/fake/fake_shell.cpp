#include "fake/fake_shell.h"

#include <cstdlib>

#include "fake/fake_text.h"

namespace velnora::fake {

using platform::ErrorCode;
using platform::Handle;
using platform::HResult;
namespace error = platform::error;

namespace {

constexpr char kShortcutHeader[] = "[FakeShortcut]";
constexpr char kVersionKey[] = "ProductVersion=";

HResult FromError(ErrorCode code) {
    return code == error::kSuccess ? platform::kHrOk
                                   : static_cast<HResult>(0x80070000u | (code & 0xFFFFu));
}

std::string Escape(const std::string& value) {
    std::string out;
    for (char c : value) {
        if (c == '%')
            out += "%25";
        else if (c == '\n')
            out += "%0A";
        else if (c == '\r')
            out += "%0D";
        else
            out += c;
    }
    return out;
}

std::string Unescape(const std::string& value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 2 < value.size()) {
            const std::string code = value.substr(i + 1, 2);
            if (code == "25" || code == "0A" || code == "0D") {
                out += code == "25" ? '%' : (code == "0A" ? '\n' : '\r');
                i += 2;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

std::vector<std::string> Lines(const std::string& content) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        auto end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

}  // namespace

FakeShell::FakeShell(FakeFileSystem& files, FakeProcesses& processes, Faults& faults)
    : files_(files), processes_(processes), faults_(faults) {}

// --- Special folders ---

bool FakeShell::GetSpecialFolderPath(int csidlWithFlags, std::string& path) {
    if (faults_.Enter(op::kGetSpecialFolderPath, std::to_string(csidlWithFlags)))
        return false;
    const auto folder = SpecialFolder(csidlWithFlags & 0xFF);
    if (!folder)
        return false;
    if ((csidlWithFlags & platform::csidl::kFlagCreate) != 0 && !files_.IsFolder(*folder))
        files_.AddFolder(*folder);
    path = *folder;
    return true;
}

void FakeShell::SetSpecialFolder(int csidl, const std::string& path) {
    specialFolders_[csidl] = path;
}

void FakeShell::RemoveSpecialFolder(int csidl) {
    specialFolders_.erase(csidl);
}

std::optional<std::string> FakeShell::SpecialFolder(int csidl) const {
    const auto it = specialFolders_.find(csidl);
    if (it == specialFolders_.end())
        return std::nullopt;
    return it->second;
}

// --- Execute ---

ErrorCode FakeShell::Execute(const std::string& file, const std::string& parameters,
                             int showCommand, const std::string& via, platform::ProcessInfo& info) {
    info = platform::ProcessInfo{};
    // A web address opens in the browser, which the fake does not model.
    if (text::StartsWithNoCase(file, "http://") || text::StartsWithNoCase(file, "https://"))
        return error::kSuccess;
    if (text::EndsWithNoCase(file, ".lnk")) {
        const auto link = Shortcut(file);
        if (!link)
            return error::kFileNotFound;
        const std::string commandLine =
            "\"" + link->target + "\"" + (link->arguments.empty() ? "" : " " + link->arguments);
        return processes_.Start(commandLine, 0, showCommand == platform::showcmd::kHide, via, info);
    }
    const std::string commandLine =
        "\"" + file + "\"" + (parameters.empty() ? "" : " " + parameters);
    const ErrorCode started =
        processes_.Start(commandLine, 0, showCommand == platform::showcmd::kHide, via, info);
    // A document opens in the program it belongs to, which the fake does not model.
    if (started == error::kFileNotFound && files_.Exists(file) && !files_.IsFolder(file))
        return error::kSuccess;
    return started;
}

ErrorCode FakeShell::ShellExecuteEx(const platform::ExecuteRequest& request, Handle& process) {
    process = platform::kNoHandle;
    if (auto failure = faults_.Enter(op::kShellExecuteEx, request.file))
        return *failure;
    executed_.push_back(request);
    if (refuseElevation_ && request.verb == "runas")
        return error::kCancelled;
    platform::ProcessInfo info;
    const ErrorCode started = Execute(request.file, request.parameters, request.showCommand,
                                      std::string(op::kShellExecuteEx), info);
    if (started != error::kSuccess)
        return started;
    if (info.thread != platform::kNoHandle)
        processes_.DropHandle(info.thread);
    if (info.process != platform::kNoHandle) {
        if ((request.mask & platform::seemask::kNoCloseProcess) != 0)
            process = info.process;
        else
            processes_.DropHandle(info.process);
    }
    return error::kSuccess;
}

ErrorCode FakeShell::ShellExecute(const std::string& file, int showCommand) {
    if (auto failure = faults_.Enter(op::kShellExecute, file))
        return *failure;
    platform::ExecuteRequest request;
    request.file = file;
    request.showCommand = showCommand;
    executed_.push_back(request);
    platform::ProcessInfo info;
    const ErrorCode started = Execute(file, "", showCommand, std::string(op::kShellExecute), info);
    if (info.thread != platform::kNoHandle)
        processes_.DropHandle(info.thread);
    if (info.process != platform::kNoHandle)
        processes_.DropHandle(info.process);
    return started;
}

// --- Shortcuts ---

std::string FakeShell::EncodeShortcut(const platform::ShortcutData& data) {
    std::string content = std::string(kShortcutHeader) + "\r\n";
    content += "Target=" + Escape(data.target) + "\r\n";
    content += "Arguments=" + Escape(data.arguments) + "\r\n";
    content += "WorkingFolder=" + Escape(data.workingFolder) + "\r\n";
    content += "Description=" + Escape(data.description) + "\r\n";
    content += "IconPath=" + Escape(data.iconPath) + "\r\n";
    content += "IconIndex=" + std::to_string(data.iconIndex) + "\r\n";
    content += "ShowCommand=" + std::to_string(data.showCommand) + "\r\n";
    return content;
}

std::optional<platform::ShortcutData> FakeShell::DecodeShortcut(const std::string& content) {
    const std::vector<std::string> lines = Lines(content);
    if (lines.empty() || lines[0] != kShortcutHeader)
        return std::nullopt;
    platform::ShortcutData data;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto equals = lines[i].find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = lines[i].substr(0, equals);
        const std::string value = Unescape(lines[i].substr(equals + 1));
        if (key == "Target")
            data.target = value;
        else if (key == "Arguments")
            data.arguments = value;
        else if (key == "WorkingFolder")
            data.workingFolder = value;
        else if (key == "Description")
            data.description = value;
        else if (key == "IconPath")
            data.iconPath = value;
        else if (key == "IconIndex")
            data.iconIndex = std::atoi(value.c_str());
        else if (key == "ShowCommand")
            data.showCommand = std::atoi(value.c_str());
    }
    return data;
}

HResult FakeShell::ReadShortcut(const std::string& linkPath, std::string& target,
                                std::string& arguments) {
    if (auto failure = faults_.Enter(op::kReadShortcut, linkPath))
        return FromError(*failure);
    std::string content;
    if (const ErrorCode read = files_.ReadText(linkPath, content); read != error::kSuccess)
        return FromError(read);
    const auto data = DecodeShortcut(content);
    if (!data)
        return platform::kHrFail;
    target = data->target;
    arguments = data->arguments;
    return platform::kHrOk;
}

HResult FakeShell::CreateShortcut(const std::string& linkPath, const platform::ShortcutData& data) {
    if (auto failure = faults_.Enter(op::kCreateShortcut, linkPath))
        return FromError(*failure);
    return FromError(files_.WriteText(linkPath, EncodeShortcut(data)));
}

void FakeShell::AddShortcut(const std::string& linkPath, const platform::ShortcutData& data) {
    files_.AddFile(linkPath, EncodeShortcut(data));
}

std::optional<platform::ShortcutData> FakeShell::Shortcut(const std::string& linkPath) const {
    std::string content;
    if (files_.ReadText(linkPath, content) != error::kSuccess)
        return std::nullopt;
    return DecodeShortcut(content);
}

// --- Folder moves and change notices ---

int FakeShell::ShellMoveFolder(const std::string& from, const std::string& to) {
    if (auto failure = faults_.Enter(op::kShellMoveFolder, from + " -> " + to))
        return static_cast<int>(*failure);
    shellMoves_.emplace_back(from, to);
    return static_cast<int>(files_.MovePath(from, to, 0));
}

void FakeShell::NotifyFolderChanged(const std::string& path) {
    faults_.Enter(op::kNotifyFolderChanged, path);
    changedFolders_.push_back(path);
}

// --- Versions ---

std::string FakeShell::VersionedProgram(const std::string& productVersion) {
    return std::string("MZ fake program\r\n") + kVersionKey + productVersion + "\r\n";
}

void FakeShell::AddVersionedProgram(const std::string& path, const std::string& productVersion) {
    files_.AddFile(path, VersionedProgram(productVersion));
}

std::optional<std::string> FakeShell::ProductVersion(const std::string& programFile) {
    if (faults_.Enter(op::kProductVersion, programFile))
        return std::nullopt;
    std::string content;
    if (files_.ReadText(programFile, content) != error::kSuccess)
        return std::nullopt;
    for (const std::string& line : Lines(content))
        if (line.rfind(kVersionKey, 0) == 0)
            return line.substr(sizeof(kVersionKey) - 1);
    return std::nullopt;
}

// --- GUIDs ---

platform::Guid FakeShell::SequenceGuid(std::uint32_t n) {
    platform::Guid guid;
    guid.data1 = 0xA1B2C300u + n;
    guid.data2 = 0xD4E5;
    guid.data3 = 0x4F60;
    guid.data4 = {0x8A,
                  0x9B,
                  0xAC,
                  0xBD,
                  static_cast<std::uint8_t>(n >> 24),
                  static_cast<std::uint8_t>(n >> 16),
                  static_cast<std::uint8_t>(n >> 8),
                  static_cast<std::uint8_t>(n)};
    return guid;
}

bool FakeShell::CreateGuid(platform::Guid& guid) {
    if (faults_.Enter(op::kCreateGuid))
        return false;
    if (zeroGuids_ > 0) {
        --zeroGuids_;
        guid = platform::Guid{};
        return true;
    }
    guid = SequenceGuid(++guidsIssued_);
    return true;
}

}  // namespace velnora::fake
