#include "platform/win32/dialog_host.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "platform/win32/check_list.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/win32_page_window.h"

namespace velnora::platform::win32 {

namespace {

constexpr wchar_t kPageProperty[] = L"Velnora.Page";

// The pages open on this (the only) GUI thread, and the key hook they share.
std::vector<Win32PageWindow*> openPages;
HHOOK keyHook = nullptr;

void InitCommonControlsOnce() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX controls = {};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)done;
}

Win32PageWindow* PageWindowOf(HWND hwnd) {
    if (hwnd == nullptr)
        return nullptr;
    return static_cast<Win32PageWindow*>(GetPropW(hwnd, kPageProperty));
}

// Runs a page handler. A modeless page that ended itself inside it is destroyed once the
// outermost handler has returned; `window` may be gone afterwards.
template <typename Handler>
INT_PTR Dispatch(Win32PageWindow* window, Handler&& handler) {
    ++window->depth;
    const INT_PTR result = handler();
    if (--window->depth == 0) {
        if (window->deletePending) {
            delete window;
        } else if (window->destroyPending) {
            window->destroyPending = false;
            DestroyWindow(window->Handle());
        }
    }
    return result;
}

LRESULT CALLBACK KeyHook(int code, WPARAM removal, LPARAM lParam) {
    // Every loop that takes messages (the dialog box's own, the waits' pumps) passes here, so
    // a page sees its keys before the dialog manager turns Escape and Return into commands.
    if (code == HC_ACTION && removal == PM_REMOVE) {
        auto* message = reinterpret_cast<MSG*>(lParam);
        if (message->message == WM_KEYDOWN && message->hwnd != nullptr) {
            Win32PageWindow* window = PageWindowOf(GetAncestor(message->hwnd, GA_ROOT));
            const int key = static_cast<int>(message->wParam);
            if (window != nullptr && window->Page().IsOpen() &&
                Dispatch(window, [&] { return window->Page().PreTranslateKeyDown(key); }))
                message->message = WM_NULL;
        }
    }
    return CallNextHookEx(keyHook, code, removal, lParam);
}

void Register(Win32PageWindow* window) {
    openPages.push_back(window);
    if (keyHook == nullptr)
        keyHook = SetWindowsHookExW(WH_GETMESSAGE, &KeyHook, nullptr, GetCurrentThreadId());
}

void Unregister(Win32PageWindow* window) {
    openPages.erase(std::remove(openPages.begin(), openPages.end(), window), openPages.end());
    if (openPages.empty() && keyHook != nullptr) {
        UnhookWindowsHookEx(keyHook);
        keyHook = nullptr;
    }
}

bool IsListView(HWND control) {
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    return lstrcmpiW(className, WC_LISTVIEWW) == 0;
}

bool IsTreeView(HWND control) {
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    return lstrcmpiW(className, WC_TREEVIEWW) == 0;
}

// The id of the dialog's child that holds `window` (0 for the dialog, -1 for elsewhere).
int ControlIdOf(HWND dialog, HWND window) {
    if (window == dialog)
        return 0;
    while (window != nullptr && GetParent(window) != dialog)
        window = GetParent(window);
    return window == nullptr ? -1 : GetDlgCtrlID(window);
}

void CopyText(const std::string& text, wchar_t* buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0)
        return;
    lstrcpynW(buffer, Wide(text).c_str(), capacity);
}

INT_PTR Answer(HWND dialog, LONG_PTR result) {
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR OnNotify(Win32PageWindow* window, HWND dialog, NMHDR* header) {
    DialogPage& page = window->Page();
    const int id = static_cast<int>(header->idFrom);
    Notification note;
    note.controlId = id;
    note.code = static_cast<int>(header->code);
    switch (header->code) {
        case LVN_GETDISPINFOW: {
            LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
            const ListCell cell = window->Cell(id, item.iItem, item.iSubItem);
            if ((item.mask & LVIF_TEXT) != 0)
                CopyText(cell.text, item.pszText, item.cchTextMax);
            if ((item.mask & LVIF_STATE) != 0 && cell.hasCheckBox) {
                item.state = (item.state & ~LVIS_STATEIMAGEMASK) |
                             INDEXTOSTATEIMAGEMASK(cell.checked ? 2 : 1);
                item.stateMask |= LVIS_STATEIMAGEMASK;
            }
            return TRUE;
        }
        case LVN_ODFINDITEMW: {
            auto* find = reinterpret_cast<NMLVFINDITEMW*>(header);
            int row = -1;
            if ((find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) != 0 && find->lvfi.psz != nullptr)
                row = page.OnFindRow(id, find->iStart,
                                     Utf8(find->lvfi.psz, lstrlenW(find->lvfi.psz)));
            return Answer(dialog, row);
        }
        case LVN_GETINFOTIPW: {
            auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(header);
            if (window->IsOwnerDataList(header->hwndFrom))
                CopyText(window->Cell(id, tip->iItem, tip->iSubItem).tip, tip->pszText,
                         tip->cchTextMax);
            return TRUE;
        }
        case NM_CUSTOMDRAW: {
            if (!window->IsOwnerDataList(header->hwndFrom))
                return FALSE;
            // The list draws nothing of an owner-data cell itself: the page's cell says it all.
            auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
            switch (draw->nmcd.dwDrawStage) {
                case CDDS_PREPAINT:
                    return Answer(dialog, CDRF_NOTIFYITEMDRAW);
                case CDDS_ITEMPREPAINT:
                    return Answer(dialog, CDRF_NOTIFYSUBITEMDRAW);
                case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
                    const int row = static_cast<int>(draw->nmcd.dwItemSpec);
                    DrawCheckListCell(header->hwndFrom, draw->nmcd.hdc, row, draw->iSubItem,
                                      window->Cell(id, row, draw->iSubItem));
                    return Answer(dialog, CDRF_SKIPDEFAULT);
                }
                default:
                    return Answer(dialog, CDRF_DODEFAULT);
            }
        }
        case LVN_HOTTRACK:
            // The selection of an owner-data list does not follow the mouse.
            if (window->IsOwnerDataList(header->hwndFrom))
                return Answer(dialog, -1);
            break;
        case LVN_ITEMCHANGED:
        case LVN_BEGINDRAG: {
            auto* list = reinterpret_cast<NMLISTVIEW*>(header);
            note.item = list->iItem;
            note.subItem = list->iSubItem;
            note.newState = list->uNewState;
            note.oldState = list->uOldState;
            break;
        }
        case NM_CLICK:
        case NM_DBLCLK: {
            if (IsListView(header->hwndFrom)) {
                // Hit-test ourselves: the click point, not the item the list reports.
                auto* activate = reinterpret_cast<NMITEMACTIVATE*>(header);
                LVHITTESTINFO hit = {};
                hit.pt = activate->ptAction;
                SendMessageW(header->hwndFrom, LVM_SUBITEMHITTEST, 0,
                             reinterpret_cast<LPARAM>(&hit));
                note.item = hit.iItem;
                note.subItem = hit.iItem < 0 ? -1 : hit.iSubItem;
                if (hit.iItem < 0) {
                    note.onCheckBox = false;
                } else if (window->IsOwnerDataList(header->hwndFrom)) {
                    // The box is where this host draws it, in whichever column the cell is.
                    const ListCell cell = window->Cell(id, hit.iItem, hit.iSubItem);
                    RECT area = {};
                    if (cell.hasCheckBox &&
                        CheckListCellRect(header->hwndFrom, hit.iItem, hit.iSubItem, area)) {
                        const RECT box = CheckListBoxRect(area, cell.centreCheckBox);
                        note.onCheckBox = PtInRect(&box, hit.pt) != FALSE;
                    }
                } else {
                    note.onCheckBox = (hit.flags & LVHT_ONITEMSTATEICON) != 0;
                }
            } else if (IsTreeView(header->hwndFrom)) {
                const DWORD position = GetMessagePos();
                TVHITTESTINFO hit = {};
                hit.pt = POINT{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
                ScreenToClient(header->hwndFrom, &hit.pt);
                note.node = static_cast<TreeNode>(
                    SendMessageW(header->hwndFrom, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
            }
            break;
        }
        case TVN_SELCHANGEDW:
        case TVN_SELCHANGEDA: {
            // Both forms carry the new item at the same place.
            note.code = notify::kTreeSelChanged;
            note.node =
                reinterpret_cast<TreeNode>(reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.hItem);
            break;
        }
        default:
            break;
    }
    page.OnNotify(note);
    return FALSE;
}

INT_PTR CALLBACK PageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* window = reinterpret_cast<Win32PageWindow*>(lParam);
        SetPropW(dialog, kPageProperty, window);
        window->Bind(dialog);
        return Dispatch(window, [&]() -> INT_PTR {
            window->initializing = true;
            window->Page().OnInitDialog();
            window->initializing = false;
            // FALSE keeps the focus where the page put it.
            return window->focusSetDuringInit ? FALSE : TRUE;
        });
    }
    Win32PageWindow* window = PageWindowOf(dialog);
    if (window == nullptr || !window->Page().IsOpen())
        return FALSE;
    DialogPage& page = window->Page();

    switch (message) {
        case WM_COMMAND:
            return Dispatch(window, [&]() -> INT_PTR {
                page.OnCommand(LOWORD(wParam), HIWORD(wParam));
                return TRUE;
            });
        case WM_NOTIFY:
            return Dispatch(
                window, [&] { return OnNotify(window, dialog, reinterpret_cast<NMHDR*>(lParam)); });
        case WM_HELP:
            return Dispatch(window, [&]() -> INT_PTR {
                page.OnCommand(cmd::kHelp, notify::kButtonClicked);
                return TRUE;
            });
        case WM_SETCURSOR: {
            const int id = ControlIdOf(dialog, reinterpret_cast<HWND>(wParam));
            if (id < 0)
                return FALSE;
            return Dispatch(window, [&]() -> INT_PTR {
                return page.OnMouseOver(id) ? Answer(dialog, TRUE) : FALSE;
            });
        }
        case WM_SHOWWINDOW:
            return Dispatch(window, [&]() -> INT_PTR {
                page.OnShowWindow(wParam != 0);
                return FALSE;
            });
        case WM_SIZE:
            return Dispatch(window, [&]() -> INT_PTR {
                page.OnSize(LOWORD(lParam), HIWORD(lParam));
                return FALSE;
            });
        case WM_GETMINMAXINFO:
            window->ApplyMinimumSize(*reinterpret_cast<MINMAXINFO*>(lParam));
            return TRUE;
        case WM_TIMER:
            return Dispatch(window, [&]() -> INT_PTR {
                page.OnTimer(static_cast<int>(wParam));
                return TRUE;
            });
        case WM_QUERYENDSESSION:
            return Dispatch(window,
                            [&] { return Answer(dialog, page.OnQueryEndSession() ? 1 : 0); });
        case WM_ENDSESSION:
            return Dispatch(window, [&]() -> INT_PTR {
                page.OnEndSession(wParam != 0);
                return FALSE;
            });
        case WM_DESTROY:
            window->BeginDestroy();
            ++window->depth;
            page.OnDestroy();
            --window->depth;
            return FALSE;
        case WM_NCDESTROY:
            RemovePropW(dialog, kPageProperty);
            window->Unbind();
            Unregister(window);
            if (!window->IsModal()) {
                if (window->depth > 0)
                    window->deletePending = true;
                else
                    delete window;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

Win32PageWindow* OpenWindowOf(const DialogPage* page) {
    if (page == nullptr)
        return nullptr;
    for (Win32PageWindow* window : openPages)
        if (&window->Page() == page)
            return window;
    return nullptr;
}

}  // namespace

void Win32PageWindow::OnPageDestroyed() {
    pageGone_ = true;
    HWND dialog = hwnd_;
    if (dialog == nullptr)
        return;
    // Without the property the dialog procedure no longer reaches the page.
    RemovePropW(dialog, kPageProperty);
    Unregister(this);
    if (modal_) {
        ::EndDialog(dialog, -1);
        return;
    }
    ReleasePictures();
    DestroyWindow(dialog);
    ReleaseFonts();
    hwnd_ = nullptr;
    if (depth > 0)
        deletePending = true;
    else
        delete this;
}

int RunModalPage(DialogPage& page, const DialogPage* owner) {
    if (page.IsOpen())
        return -1;
    InitCommonControlsOnce();
    Win32PageWindow window(page, /*modal=*/true);
    Register(&window);
    const INT_PTR result =
        DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(page.TemplateId()),
                        WindowOfPage(owner), &PageDialogProc, reinterpret_cast<LPARAM>(&window));
    // Normally WM_NCDESTROY did this; not when the dialog could not be created.
    Unregister(&window);
    if (!window.PageGone())
        page.Detach();
    return static_cast<int>(result);
}

bool OpenModelessPage(DialogPage& page, const DialogPage* owner) {
    if (page.IsOpen())
        return false;
    InitCommonControlsOnce();
    bool bound = false;
    auto* window = new Win32PageWindow(page, /*modal=*/false);
    window->boundFlag = &bound;
    Register(window);
    HWND dialog =
        CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(page.TemplateId()),
                           WindowOfPage(owner), &PageDialogProc, reinterpret_cast<LPARAM>(window));
    if (dialog == nullptr || !IsWindow(dialog)) {
        // Once bound, WM_NCDESTROY has released the window object already (a page that
        // ended itself in its initialisation).
        if (!bound) {
            Unregister(window);
            delete window;
        }
        return false;
    }
    window->boundFlag = nullptr;
    return true;
}

HWND WindowOfPage(const DialogPage* page) {
    Win32PageWindow* window = OpenWindowOf(page);
    return window != nullptr ? window->Handle() : nullptr;
}

bool PreTranslatePageMessage(MSG& message) {
    if (message.hwnd == nullptr)
        return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    if (PageWindowOf(root) == nullptr)
        return false;
    // The key hook has already given the page its look at key-downs.
    return IsDialogMessageW(root, &message) != FALSE;
}

}  // namespace velnora::platform::win32
