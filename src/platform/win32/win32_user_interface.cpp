#include "platform/win32/win32_user_interface.h"

#include <cwchar>

#include "platform/win32/dialog_host.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/win32_support.h"

namespace velnora::platform::win32 {
namespace {

// Room for the path a file dialog returns.
constexpr DWORD kFileNameCapacity = 4096;

// "Text (*.txt)", "*.txt" pairs as the file dialogs want them: every text ended by a zero
// and the list by one more.
std::wstring FilterList(const FileDialogRequest& request) {
    std::wstring list;
    for (const auto& [display, pattern] : request.filters) {
        list += Wide(display);
        list.push_back(L'\0');
        list += Wide(pattern);
        list.push_back(L'\0');
    }
    list.push_back(L'\0');
    return list;
}

bool RunFileDialog(const DialogPage* owner, const FileDialogRequest& request, bool save,
                   std::string& path) {
    const std::wstring filters = FilterList(request);
    const std::wstring title = Wide(request.title);
    const std::wstring folder = Wide(request.initialFolder);
    const std::wstring extension = Wide(request.defaultExtension);
    std::wstring fileName = Wide(request.fileName);
    fileName.resize(kFileNameCapacity, L'\0');
    fileName[kFileNameCapacity - 1] = L'\0';

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = WindowOfPage(owner);
    dialog.lpstrFilter = request.filters.empty() ? nullptr : filters.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = fileName.data();
    dialog.nMaxFile = kFileNameCapacity;
    dialog.lpstrInitialDir = OrNull(folder);
    dialog.lpstrTitle = OrNull(title);
    dialog.lpstrDefExt = OrNull(extension);
    // The programs' current folder is handed to the processes they start; keep it.
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen)
        return false;
    path = Utf8(fileName.data(), wcsnlen(fileName.data(), fileName.size()));
    return true;
}

// Selects the start folder once the browser is up.
int CALLBACK SelectStartFolder(HWND browser, UINT message, LPARAM, LPARAM startFolder) {
    if (message == BFFM_INITIALIZED && startFolder != 0)
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, startFolder);
    return 0;
}

// The process's current folder, put back when the object goes.
class CurrentFolderKeeper {
  public:
    CurrentFolderKeeper() {
        CallWithGrowingBuffer(
            [](wchar_t* buffer, DWORD capacity, std::size_t& length) {
                length = GetCurrentDirectoryW(capacity, buffer);
                if (length == 0)
                    return Fill::kFailed;
                return length >= capacity ? Fill::kTooSmall : Fill::kDone;
            },
            folder_);
    }
    ~CurrentFolderKeeper() {
        if (!folder_.empty())
            SetCurrentDirectoryW(folder_.c_str());
    }
    CurrentFolderKeeper(const CurrentFolderKeeper&) = delete;
    CurrentFolderKeeper& operator=(const CurrentFolderKeeper&) = delete;

  private:
    std::wstring folder_;
};

}  // namespace

int Win32UserInterface::MessageBox(const DialogPage* owner, const std::string& text,
                                   const std::string& caption, std::uint32_t flags) {
    return MessageBoxW(WindowOfPage(owner), Wide(text).c_str(), Wide(caption).c_str(), flags);
}

int Win32UserInterface::RunModal(DialogPage& page, const DialogPage* owner) {
    return RunModalPage(page, owner);
}

bool Win32UserInterface::OpenModeless(DialogPage& page, const DialogPage* owner) {
    return OpenModelessPage(page, owner);
}

bool Win32UserInterface::ChooseFileToOpen(const DialogPage* owner, const FileDialogRequest& request,
                                          std::string& path) {
    return RunFileDialog(owner, request, false, path);
}

bool Win32UserInterface::ChooseFileToSave(const DialogPage* owner, const FileDialogRequest& request,
                                          std::string& path) {
    return RunFileDialog(owner, request, true, path);
}

bool Win32UserInterface::BrowseForFolder(const DialogPage* owner, const std::string& title,
                                         const std::string& startFolder, std::string& folder) {
    CurrentFolderKeeper keeper;
    ComScope com;
    const std::wstring wideTitle = Wide(title);
    const std::wstring start = Wide(startFolder);
    wchar_t displayName[MAX_PATH + 1] = {};
    BROWSEINFOW browse{};
    browse.hwndOwner = WindowOfPage(owner);
    browse.pszDisplayName = displayName;
    browse.lpszTitle = OrNull(wideTitle);
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
    browse.lpfn = SelectStartFolder;
    browse.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (chosen == nullptr)
        return false;
    wchar_t path[MAX_PATH + 1] = {};
    const bool found = SHGetPathFromIDListW(chosen, path) != FALSE;
    CoTaskMemFree(chosen);
    if (found)
        folder = Utf8(path, wcsnlen(path, MAX_PATH));
    return found;
}

void Win32UserInterface::SetWaitCursor(bool waiting) {
    if (waiting)
        ++waitDepth_;
    else if (waitDepth_ > 0)
        --waitDepth_;
    SetCursor(LoadCursorW(nullptr, waitDepth_ > 0 ? IDC_WAIT : IDC_ARROW));
}

bool Win32UserInterface::OpenHelp(const std::string& helpFile, std::uint32_t contextId) {
    using Function = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
    constexpr UINT kHelpContext = 0x000F;  // HH_HELP_CONTEXT
    const auto htmlHelp = FindFunction<Function>(L"hhctrl.ocx", "HtmlHelpW");
    if (htmlHelp == nullptr)
        return false;
    return htmlHelp(nullptr, Wide(helpFile).c_str(), kHelpContext, contextId) != nullptr;
}

PumpStep Win32UserInterface::PumpOne() {
    MSG message{};
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        return PumpStep::kEmpty;
    if (message.message == WM_QUIT)
        return PumpStep::kQuit;
    if (!PreTranslatePageMessage(message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return PumpStep::kDispatched;
}

void Win32UserInterface::PostQuit(int exitCode) {
    PostQuitMessage(exitCode);
}

void Win32UserInterface::WaitForMessageOrProcess(Handle process, std::uint32_t timeoutMs) {
    HANDLE handles[1] = {ToNative<HANDLE>(process)};
    const DWORD count = process != kNoHandle ? 1 : 0;
    // Input already seen by an earlier peek still counts as waiting.
    MsgWaitForMultipleObjectsEx(count, count != 0 ? handles : nullptr, timeoutMs, QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
}

}  // namespace velnora::platform::win32
