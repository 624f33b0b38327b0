#include "platform/dialog_page.h"
#include "platform/filesystem.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/user_interface.h"
#include "platform/text_units.h"

namespace velnora::platform {

ErrorCode RegKey::Open(Handle parent, const std::string& path, std::uint32_t access) {
    Close();
    Handle key = kNoHandle;
    const ErrorCode result = registry_.OpenKey(parent, path, access, key);
    return Take(result, key);
}

ErrorCode RegKey::OpenDefault(Handle parent, const std::string& path) {
    Close();
    Handle key = kNoHandle;
    const ErrorCode result = registry_.OpenKeyDefault(parent, path, key);
    return Take(result, key);
}

ErrorCode RegKey::Create(Handle parent, const std::string& path, std::uint32_t access) {
    Close();
    Handle key = kNoHandle;
    const ErrorCode result = registry_.CreateKey(parent, path, access, key);
    return Take(result, key);
}

ErrorCode RegKey::Take(ErrorCode result, Handle key) {
    key_ = result == error::kSuccess ? key : kNoHandle;
    return result;
}

ErrorCode RegKey::Close() {
    if (key_ == kNoHandle)
        return error::kSuccess;
    const Handle key = key_;
    key_ = kNoHandle;
    return registry_.CloseKey(key);
}

void ScopedHandle::Reset(Handle handle) {
    if (handle_ != kNoHandle)
        processes_.CloseHandle(handle_);
    handle_ = handle;
}

Handle ScopedHandle::Release() {
    const Handle handle = handle_;
    handle_ = kNoHandle;
    return handle;
}

ScopedWaitCursor::ScopedWaitCursor(UserInterface& ui) : ui_(ui) {
    ui_.SetWaitCursor(true);
}

ScopedWaitCursor::~ScopedWaitCursor() {
    ui_.SetWaitCursor(false);
}

RegValue StringValue(const std::string& text, std::uint32_t type) {
    RegValue value;
    value.type = type;
    value.data.assign(text.begin(), text.end());
    value.data.push_back(0);
    return value;
}

RegValue DwordValue(std::uint32_t number) {
    RegValue value;
    value.type = regtype::kDword;
    for (int shift = 0; shift < 32; shift += 8)
        value.data.push_back(static_cast<std::uint8_t>(number >> shift));
    return value;
}

bool IsTextType(std::uint32_t type) {
    return type == regtype::kString || type == regtype::kExpandString ||
           type == regtype::kMultiString;
}

std::size_t DataLength(const RegValue& value) {
    if (!IsTextType(value.type))
        return value.data.size();
    return Utf16Units(
        std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size()));
}

std::string ValueText(const RegValue& value) {
    std::string text(value.data.begin(), value.data.end());
    if (IsTextType(value.type)) {
        const auto zero = text.find('\0');
        if (zero != std::string::npos)
            text.resize(zero);
    }
    return text;
}

bool FileExists(FileSystem& files, const std::string& path) {
    Handle find = kNoHandle;
    FindData data;
    if (files.FindFirst(path, find, data) != error::kSuccess)
        return false;
    files.FindClose(find);
    return true;
}

bool CertainlyMissing(FileSystem& files, const std::string& path) {
    Handle find = kNoHandle;
    FindData data;
    const ErrorCode found = files.FindFirst(path, find, data);
    if (found == error::kSuccess)
        files.FindClose(find);
    return found == error::kFileNotFound || found == error::kPathNotFound;
}

std::string PathRemoveFileSpec(const std::string& path) {
    const auto slash = path.find_last_of('\\');
    if (slash == std::string::npos)
        return std::string();
    // Keep the backslash of a drive root ("C:\b.exe" -> "C:\").
    if (slash == 2 && path.size() >= 2 && path[1] == ':')
        return path.substr(0, 3);
    if (slash == 0)
        return path.substr(0, 1);
    return path.substr(0, slash);
}

void DialogPage::OnCommand(int controlId, int code) {
    if (code != notify::kButtonClicked)
        return;
    if (controlId == cmd::kOk || controlId == cmd::kCancel)
        EndDialog(controlId);
}

PageWindow& DialogPage::Window() {
    // A page is only asked to act while a host has it open; anything else is a bug in the
    // caller, and stopping beats writing into a window that is not there.
    if (window_ == nullptr)
        __builtin_trap();
    return *window_;
}

}  // namespace velnora::platform
