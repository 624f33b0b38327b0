#include "platform/dialog_page.h"
#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/text_units.h"

namespace velnora::platform {

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
