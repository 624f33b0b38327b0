#include "driver/web_handler.h"

#include "driver/prefix_state.h"

namespace velnora::e2e {

namespace {
constexpr wchar_t kCommand[] = L"\\shell\\open\\command";
}  // namespace

std::wstring WebAddressHandler::Key(const wchar_t* scheme) {
    return std::wstring(L"Software\\Classes\\") + scheme;
}

WebAddressHandler::WebAddressHandler(const std::wstring& command) {
    for (const wchar_t* scheme : kSchemes) {
        const std::wstring key = Key(scheme);
        saved_.push_back(
            ReadRegistryString(HKEY_LOCAL_MACHINE, key + kCommand, L"", RegistryView::k64Bit));
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            ok_ = WriteRegistryString(root, key, L"URL Protocol", L"", RegistryView::k64Bit) &&
                  WriteRegistryString(root, key + kCommand, L"", command, RegistryView::k64Bit) &&
                  ok_;
        }
    }
}

WebAddressHandler::~WebAddressHandler() {
    for (std::size_t i = 0; i < saved_.size(); ++i) {
        const std::wstring key = Key(kSchemes[i]);
        DeleteRegistryTree(HKEY_CURRENT_USER, key, RegistryView::k64Bit);
        if (saved_[i])
            WriteRegistryString(HKEY_LOCAL_MACHINE, key + kCommand, L"", *saved_[i],
                                RegistryView::k64Bit);
        else
            DeleteRegistryTree(HKEY_LOCAL_MACHINE, key, RegistryView::k64Bit);
    }
}

}  // namespace velnora::e2e
