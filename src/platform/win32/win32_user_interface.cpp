#include "platform/win32/win32_user_interface.h"

#include <cwchar>
#include <optional>
#include <string>

#include "platform/win32/dialog_host.h"
#include "platform/win32/system_libraries.h"
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

// The folder browser with an editable path field over its tree. The field follows the
// selection and can be typed into; OK takes its text, which may name a folder that does not
// exist yet.
struct PathFieldBrowse {
    std::wstring start;
    HWND field = nullptr;
    WNDPROC previous = nullptr;
    std::optional<std::wstring> typed;  // the field's text when OK was pressed
};

constexpr wchar_t kPathFieldProperty[] = L"VelnoraPathField";
constexpr int kPathFieldId = 0x37F0;
constexpr int kPathFieldHeight = 19;
constexpr int kPathFieldMargin = 11;
constexpr int kPathFieldTop = 24;
constexpr int kPathFieldGap = 4;
// The field holds a path of the usual length, its terminating zero aside.
constexpr WPARAM kPathFieldLimit = MAX_PATH - 1;

std::wstring FieldText(HWND field) {
    wchar_t text[MAX_PATH + 1] = {};
    const int length = GetWindowTextW(field, text, MAX_PATH + 1);
    return std::wstring(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

LRESULT CALLBACK BrowserWithPathField(HWND browser, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* browse = static_cast<PathFieldBrowse*>(GetPropW(browser, kPathFieldProperty));
    if (browse == nullptr)
        return DefWindowProcW(browser, message, wParam, lParam);
    const WNDPROC previous = browse->previous;
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK && browse->field != nullptr)
        browse->typed = FieldText(browse->field);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(browser, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropW(browser, kPathFieldProperty);
    }
    return CallWindowProcW(previous, browser, message, wParam, lParam);
}

// Above the folder tree, as wide as the tree; at the top of the browser when it has no tree.
RECT PathFieldPlace(HWND browser) {
    RECT place{};
    HWND tree = FindWindowExW(browser, nullptr, WC_TREEVIEWW, nullptr);
    RECT treeRect{};
    if (tree != nullptr && GetWindowRect(tree, &treeRect)) {
        MapWindowPoints(nullptr, browser, reinterpret_cast<POINT*>(&treeRect), 2);
        const LONG top = treeRect.top - kPathFieldGap - kPathFieldHeight;
        place = {treeRect.left, top > 0 ? top : 0, treeRect.right, 0};
    } else {
        RECT client{};
        GetClientRect(browser, &client);
        place = {kPathFieldMargin, kPathFieldTop, client.right - kPathFieldMargin, 0};
    }
    place.bottom = place.top + kPathFieldHeight;
    return place;
}

void AddPathField(HWND browser, PathFieldBrowse& browse) {
    const RECT place = PathFieldPlace(browser);
    browse.field =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", browse.start.c_str(),
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, place.left, place.top,
                        place.right - place.left, place.bottom - place.top, browser,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPathFieldId)),
                        GetModuleHandleW(nullptr), nullptr);
    if (browse.field == nullptr)
        return;
    SendMessageW(browse.field, WM_SETFONT,
                 reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    SendMessageW(browse.field, EM_LIMITTEXT, kPathFieldLimit, 0);
    if (!SetPropW(browser, kPathFieldProperty, &browse))
        return;
    browse.previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(browser, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BrowserWithPathField)));
    if (browse.previous == nullptr)
        RemovePropW(browser, kPathFieldProperty);
}

int CALLBACK PathFieldCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data) {
    auto& browse = *reinterpret_cast<PathFieldBrowse*>(data);
    if (message == BFFM_INITIALIZED) {
        if (!browse.start.empty())
            SendMessageW(browser, BFFM_SETSELECTIONW, TRUE,
                         reinterpret_cast<LPARAM>(browse.start.c_str()));
        // The start folder may not exist yet, so the field starts from it and not from what
        // the tree could select.
        AddPathField(browser, browse);
        if (browse.field != nullptr)
            SetWindowTextW(browse.field, browse.start.c_str());
        SendMessageW(browser, BFFM_ENABLEOK, 0, TRUE);
    } else if (message == BFFM_SELCHANGED && browse.field != nullptr) {
        wchar_t path[MAX_PATH + 1] = {};
        if (lParam != 0 &&
            SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path)) {
            SetWindowTextW(browse.field, path);
            SendMessageW(browser, BFFM_ENABLEOK, 0, TRUE);
        }
    }
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
    PathFieldBrowse browse;
    browse.start = Wide(startFolder);
    wchar_t displayName[MAX_PATH + 1] = {};
    BROWSEINFOW info{};
    info.hwndOwner = WindowOfPage(owner);
    info.pszDisplayName = displayName;
    info.lpszTitle = OrNull(wideTitle);
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
    info.lpfn = PathFieldCallback;
    info.lParam = reinterpret_cast<LPARAM>(&browse);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (chosen == nullptr)
        return false;
    wchar_t path[MAX_PATH + 1] = {};
    const bool selected = SHGetPathFromIDListW(chosen, path) != FALSE;
    CoTaskMemFree(chosen);
    if (browse.typed) {
        folder = Utf8(*browse.typed);
        return true;
    }
    if (selected)
        folder = Utf8(path, wcsnlen(path, MAX_PATH));
    return selected;
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
