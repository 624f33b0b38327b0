// Real pages on the Win32 dialog host under Wine, in this process: how the check list draws
// its tick boxes, read back from the screen, and the finish page in both languages, whose
// registration button must reach the handler the user has for web addresses.
#include "platform/win32/windows_api.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "driver/driver.h"
#include "installer/catalogue.h"
#include "installer/context.h"
#include "pages/finish_page.h"
#include "pages/main_menu_page.h"
#include "pages/select_installer_page.h"
#include "platform/win32/dialog_host.h"
#include "platform/win32/win32_platform.h"
#include "probe/check_list_probe_page.h"
#include "resource_ids.h"

namespace velnora {
namespace {

using e2e::RegistryView;

// Dispatches this thread's messages for a while.
void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

// --- The check list ---------------------------------------------------------------------------

// The pixels of a rectangle of the list's client area, as the screen shows them.
std::vector<COLORREF> Pixels(HWND list, const RECT& area) {
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            POINT at = {x, y};
            ClientToScreen(list, &at);
            pixels.push_back(GetPixel(screen, at.x, at.y));
        }
    ReleaseDC(nullptr, screen);
    return pixels;
}

RECT RowRect(HWND list, int row) {
    RECT cell = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&cell));
    return cell;
}

// Inside the tick box at the row's left edge, its frame left out.
RECT BoxInside(HWND list, int row) {
    const RECT cell = RowRect(list, row);
    const int side = cell.bottom - cell.top;
    return RECT{cell.left + 3, cell.top + 3, cell.left + side - 3, cell.bottom - 3};
}

// The text part of column 0.
RECT TextPart(HWND list, int row) {
    const RECT cell = RowRect(list, row);
    const int side = cell.bottom - cell.top;
    const int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    return RECT{cell.left + side + 1, cell.top, cell.left + width, cell.bottom};
}

bool Holds(const std::vector<COLORREF>& pixels, COLORREF colour) {
    return std::find(pixels.begin(), pixels.end(), colour) != pixels.end();
}

TEST(CheckListDrawing, AGreyedTickBoxIsDrawnInactiveAndKeepsItsTick) {
    probe::CheckListProbePage page;
    ASSERT_TRUE(platform::win32::OpenModelessPage(page, nullptr));
    HWND dialog = platform::win32::WindowOfPage(&page);
    page.OpenWindow()->ShowWindow(platform::WindowShow::kNormal);
    page.OpenWindow()->BringToForeground();
    HWND list = GetDlgItem(dialog, IDC_CHECKLIST_LIST);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump(500);
    EXPECT_FALSE(e2e::SaveWindowScreenshot(dialog, L"check-list-ticked-unticked-greyed").empty());

    // Rows: 0 ticked, 1 unticked, 2 greyed and ticked, 3 greyed and unticked.
    std::vector<std::vector<COLORREF>> boxes;
    for (int row = 0; row < 4; ++row)
        boxes.push_back(Pixels(list, BoxInside(list, row)));
    ASSERT_FALSE(boxes[0].empty());
    EXPECT_NE(boxes[0], boxes[1]) << "a tick shows";
    EXPECT_NE(boxes[0], boxes[2]) << "a greyed ticked box is drawn inactive";
    EXPECT_NE(boxes[1], boxes[3]) << "a greyed unticked box is drawn inactive";
    EXPECT_NE(boxes[2], boxes[3]) << "a greyed box still shows its tick";
    // The inactive box is not filled with the window colour as the others are.
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    EXPECT_TRUE(Holds(boxes[1], window));
    EXPECT_FALSE(Holds(boxes[3], window));

    const std::vector<COLORREF> plain = Pixels(list, TextPart(list, 0));
    const std::vector<COLORREF> grey = Pixels(list, TextPart(list, 2));
    EXPECT_TRUE(Holds(plain, GetSysColor(COLOR_WINDOWTEXT)));
    EXPECT_TRUE(Holds(grey, RGB(127, 127, 127))) << "greyed text";
    EXPECT_FALSE(Holds(grey, GetSysColor(COLOR_WINDOWTEXT)));
    // Nothing of the list's own selection highlight.
    EXPECT_FALSE(Holds(plain, GetSysColor(COLOR_HIGHLIGHT)));

    page.OpenWindow()->EndDialog(platform::cmd::kCancel);
    EXPECT_FALSE(page.IsOpen());
}

// --- The finish page --------------------------------------------------------------------------

std::wstring Folder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L"\\/"));
}

std::string Narrow(const std::wstring& text) {
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

// A 24-bit bitmap file of width x height in two colours, for the medium's picture.
std::string BitmapFile(int width, int height) {
    const int stride = (width * 3 + 3) & ~3;
    const auto imageSize = static_cast<DWORD>(stride * height);
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + imageSize;
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = imageSize;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    for (int y = 0; y < height; ++y) {
        std::string line(static_cast<std::size_t>(stride), '\0');
        for (int x = 0; x < width; ++x) {
            const bool band = (y / 30) % 2 == 0;
            line[static_cast<std::size_t>(x * 3)] = static_cast<char>(band ? 0xC0 : 0x60);
            line[static_cast<std::size_t>(x * 3 + 1)] = static_cast<char>(0x80);
            line[static_cast<std::size_t>(x * 3 + 2)] = static_cast<char>(band ? 0x20 : 0x40);
        }
        bytes += line;
    }
    return bytes;
}

struct Offer {
    const wchar_t* suffix;
    const wchar_t* url;
    const wchar_t* caption;
    const wchar_t* explanation;
};

// Runs a page on this thread with `run` while `user` works it from another thread, then presses
// `exitId` whatever the user did; the page's result.
int RunPageWhileUserWorks(const std::function<int()>& run, const std::function<void(HWND)>& user,
                          int exitId) {
    const DWORD thread = GetCurrentThreadId();
    std::thread worker([&] {
        HWND dialog = nullptr;
        e2e::WaitUntil([&] {
            EnumThreadWindows(
                thread,
                [](HWND window, LPARAM found) -> BOOL {
                    if (!IsWindowVisible(window) || e2e::WindowClass(window) != e2e::kDialogClass)
                        return TRUE;
                    *reinterpret_cast<HWND*>(found) = window;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&dialog));
            return dialog != nullptr;
        });
        if (dialog == nullptr) {
            ADD_FAILURE() << "the page did not show";
            return;
        }
        user(dialog);
        PostMessageW(GetDlgItem(dialog, exitId), BM_CLICK, 0, 0);
    });
    const int result = run();
    worker.join();
    return result;
}

class FinishPageUnderWine : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const wchar_t* scheme : e2e::WebAddressHandler::kSchemes)
            ASSERT_FALSE(e2e::RegistryKeyExists(
                HKEY_CURRENT_USER, e2e::WebAddressHandler::Key(scheme), RegistryView::k64Bit))
                << "the user already has a handler of web addresses";
        media_ = e2e::TempFolder() + L"\\VelnoraFinishMedia";
        record_ = media_ + L"\\opened.txt";
        CreateDirectoryW(media_.c_str(), nullptr);
        DeleteFileW(record_.c_str());
        ASSERT_TRUE(e2e::WriteFileBytes(media_ + L"\\InstManImg.bmp", BitmapFile(180, 390)));
        // The stand-in takes the place of the browser for both kinds of web address.
        handler_ = std::make_unique<e2e::WebAddressHandler>(
            L"\"" + Folder() + L"\\velnora_address_recorder.exe\" \"" + record_ + L"\" \"%1\"");
        ASSERT_TRUE(handler_->Ok());
        // Unicode, as a Japanese medium's file must be to be read on any system locale; the
        // profile service keeps the form of a file it writes into.
        const std::wstring head = L"\xFEFF[General]\r\n";
        ASSERT_TRUE(e2e::WriteFileBytes(media_ + L"\\autorun.ini",
                                        std::string(reinterpret_cast<const char*>(head.data()),
                                                    head.size() * sizeof(wchar_t))));
        context_.startup.programFolder = Narrow(media_);
        context_.startup.autorunPath = context_.startup.programFolder + "\\autorun.ini";
    }
    void TearDown() override { handler_.reset(); }

    void Write(const Offer& offer) {
        const std::wstring ini = media_ + L"\\autorun.ini";
        const std::wstring s = offer.suffix;
        WritePrivateProfileStringW(L"General", (L"US_WEB_regist" + s).c_str(), L"Enable",
                                   ini.c_str());
        WritePrivateProfileStringW(L"General", (L"US_WEB_Url" + s).c_str(), offer.url, ini.c_str());
        WritePrivateProfileStringW(L"General", (L"US_WEB_ButtonTxt" + s).c_str(), offer.caption,
                                   ini.c_str());
        WritePrivateProfileStringW(L"General", (L"US_WEB_ExplainTxt" + s).c_str(),
                                   offer.explanation, ini.c_str());
    }

    // Runs the finish page here while `user` works it from another thread; the page's result.
    int RunPage(const std::function<void(HWND)>& user) {
        return RunPageWhileUserWorks([&] { return pages::RunFinishPage(context_, nullptr); }, user,
                                     IDCANCEL);
    }

    std::vector<std::string> Recorded() {
        std::vector<std::string> lines;
        const auto bytes = e2e::ReadFileBytes(record_);
        if (!bytes)
            return lines;
        std::size_t start = 0;
        for (std::size_t end; (end = bytes->find('\n', start)) != std::string::npos;
             start = end + 1)
            lines.push_back(bytes->substr(start, end - start));
        return lines;
    }

    platform::win32::Win32Platform win32_;
    installer::Context context_{win32_.Get()};
    std::wstring media_;
    std::wstring record_;
    std::unique_ptr<e2e::WebAddressHandler> handler_;
};

struct LanguageCase {
    bool japanese;
    Offer offer;
    const wchar_t* title;
    const wchar_t* message;
    const wchar_t* screenshot;
};

TEST_F(FinishPageUnderWine, TheRegistrationButtonHandsItsAddressToTheUsersBrowserInBothLanguages) {
    const LanguageCase cases[] = {
        {false,
         {L"Eng", L"https://example.com/register?product=vantorix", L"Register on the web",
          L"Please register your copy.\\nIt takes a minute."},
         L"Vantorix Install Manager",
         L"Installation has completed.\r\n\r\nPlease register your copy.\r\nIt takes a minute.",
         L"finish-page-english"},
        {true,
         {L"Jpn", L"http://example.com/register?lang=ja&product=vantorix", L"ユーザー登録",
          L"ユーザー登録をお願いします。\\n数分で終わります。"},
         L"Vantorixインストールマネージャ",
         L"インストールが終了しました。\r\n\r\nユーザー登録をお願いします。\r\n数分で終わります。",
         L"finish-page-japanese"},
    };
    for (const LanguageCase& c : cases) {
        SCOPED_TRACE(Narrow(c.screenshot));
        DeleteFileW(record_.c_str());
        Write(c.offer);
        context_.texts = core::TextSet(c.japanese);
        const int result = RunPage([&](HWND dialog) {
            HWND button = GetDlgItem(dialog, IDC_FINISH_REGISTER);
            EXPECT_EQ(e2e::WindowTitle(dialog), c.title);
            EXPECT_EQ(e2e::WindowTitle(GetDlgItem(dialog, IDC_FINISH_MESSAGE)), c.message);
            EXPECT_EQ(e2e::WindowTitle(button), c.offer.caption);
            EXPECT_TRUE(IsWindowVisible(button));
            EXPECT_NE(
                SendMessageW(GetDlgItem(dialog, IDC_FINISH_PICTURE), STM_GETIMAGE, IMAGE_BITMAP, 0),
                0)
                << "the medium's picture";
            EXPECT_FALSE(e2e::SaveWindowScreenshot(dialog, c.screenshot).empty());
            SendMessageW(button, BM_CLICK, 0, 0);
            EXPECT_TRUE(e2e::WaitUntil([&] { return !Recorded().empty(); }))
                << "the handler of web addresses was not started";
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(Recorded(), std::vector<std::string>{Narrow(c.offer.url)});
    }
}

TEST_F(FinishPageUnderWine, WithoutAnOfferThePageShowsNoButtonAndOpensNothing) {
    DeleteFileW((media_ + L"\\InstManImg.bmp").c_str());
    const int result = RunPage([&](HWND dialog) {
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_FINISH_REGISTER)));
        EXPECT_EQ(
            SendMessageW(GetDlgItem(dialog, IDC_FINISH_PICTURE), STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
        EXPECT_EQ(e2e::WindowTitle(GetDlgItem(dialog, IDC_FINISH_MESSAGE)),
                  L"Installation has completed.");
        e2e::SaveWindowScreenshot(dialog, L"finish-page-plain");
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(Recorded().empty());
}

// The installer page with a catalogue in each language, read from a Unicode autorun.ini as a
// Japanese medium must be to be read on any system locale.
TEST(InstallerPageUnderWine, ShowsTheCatalogueInBothLanguages) {
    const std::wstring media = e2e::TempFolder() + L"\\VelnoraInstallerPageMedia";
    CreateDirectoryW(media.c_str(), nullptr);
    const std::wstring ini = media + L"\\autorun.ini";
    const std::wstring head = L"\xFEFF[General]\r\n";
    ASSERT_TRUE(e2e::WriteFileBytes(ini, std::string(reinterpret_cast<const char*>(head.data()),
                                                     head.size() * sizeof(wchar_t))));
    const struct {
        const wchar_t* section;
        const wchar_t* names[3];
        const wchar_t* selText;
    } catalogues[] = {
        {L"Tools", {L"Vantorix V4.08", L"C++ Compiler", L"Simulator"}, L"Tick what you need."},
        {L"Tools_Jpn",
         {L"Vantorix V4.08", L"C++コンパイラ", L"シミュレータ"},
         L"必要なものを選んでください。"},
    };
    for (const auto& catalogue : catalogues) {
        for (const wchar_t* name : catalogue.names)
            WritePrivateProfileStringW(catalogue.section, name, L"kit\\setup.exe", ini.c_str());
        WritePrivateProfileStringW(catalogue.section,
                                   (std::wstring(catalogue.names[0]) + L"_User_Selection").c_str(),
                                   L"disable", ini.c_str());
    }
    WritePrivateProfileStringW(L"Installer", L"SelText", catalogues[0].selText, ini.c_str());
    WritePrivateProfileStringW(L"Installer_Jpn", L"SelText", catalogues[1].selText, ini.c_str());

    const struct {
        bool japanese;
        const wchar_t* title;
        const wchar_t* exit;
        const wchar_t* screenshot;
    } cases[] = {
        {false, L"Choose software", L"Exit", L"installer-page-english"},
        {true, L"インストール製品の選択", L"中断", L"installer-page-japanese"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.screenshot));
        platform::win32::Win32Platform win32;
        installer::Context context(win32.Get());
        context.texts = core::TextSet(c.japanese);
        context.startup.programBaseName = "Velnora";
        context.startup.programFolder = Narrow(media);
        context.startup.autorunPath = Narrow(ini);
        context.startup.startMode = core::StartMode::kInstall;
        const auto& catalogue = catalogues[c.japanese ? 1 : 0];
        ASSERT_EQ(installer::ReadInstallerCatalogue(context, Narrow(catalogue.section),
                                                    context.startup.autorunPath),
                  3u);
        pages::SelectInstallerPage page(context);
        const int result = RunPageWhileUserWorks(
            [&] { return context.platform.ui.RunModal(page, nullptr); },
            [&](HWND dialog) {
                EXPECT_EQ(e2e::WindowTitle(dialog), c.title);
                EXPECT_EQ(e2e::WindowTitle(GetDlgItem(dialog, IDC_INST_EXIT)), c.exit);
                HWND list = GetDlgItem(dialog, IDC_INST_LIST);
                EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ListViewRowCount(list) == 3; }));
                for (int row = 0; row < 3; ++row)
                    EXPECT_EQ(
                        e2e::ListViewCell(list, row, 0),
                        std::optional<std::wstring>(std::wstring(L" ") + catalogue.names[row]));
                EXPECT_FALSE(e2e::SaveWindowScreenshot(dialog, c.screenshot).empty());
            },
            IDC_INST_EXIT);
        EXPECT_EQ(pages::InstallerPageResultOf(result), pages::InstallerPageResult::kExit);
    }
    DeleteFileW(ini.c_str());
    RemoveDirectoryW(media.c_str());
}

// --- The main menu ----------------------------------------------------------------------------

// The pointer moves onto a control and about its middle, as a hand on the mouse would, until
// the page shows what it should.
bool PointAt(HWND dialog, int id, const std::function<bool()>& shown) {
    RECT rect{};
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    int step = 0;
    return e2e::WaitUntil([&] {
        const int wiggle = (step++ % 3) - 1;
        SetCursorPos((rect.left + rect.right) / 2 + wiggle, (rect.top + rect.bottom) / 2);
        return shown();
    });
}

// The main menu with the medium's picture and a catalogue but no environment: the texts of each
// language, the offers that need an environment disabled, and the explanation following the
// real mouse pointer from button to button and back to the general one over the picture.
TEST(MainMenuUnderWine, ShowsItsTextsAndExplainsTheButtonUnderThePointerInBothLanguages) {
    const std::wstring media = e2e::TempFolder() + L"\\VelnoraMainMenuMedia";
    CreateDirectoryW(media.c_str(), nullptr);
    const std::wstring picture = media + L"\\InstManImg.bmp";
    ASSERT_TRUE(e2e::WriteFileBytes(picture, BitmapFile(180, 390)));
    const struct {
        bool japanese;
        const wchar_t* title;
        const wchar_t* standard;
        const wchar_t* exit;
        const wchar_t* generalStart;
        const wchar_t* standardStart;
        const wchar_t* screenshot;
    } cases[] = {
        {false, L"Vantorix Install Manager", L"Standard Install (Recommended)", L"Exit",
         L"The Install Manager is the utility", L"You can install the Vantorix. If",
         L"main-menu-english"},
        {true, L"Vantorixインストールマネージャ", L"標準インストール（推奨）", L"終了",
         L"Vantorixインストールマネージャは、", L"Vantorixのインストールを行うことができます。",
         L"main-menu-japanese"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.screenshot));
        platform::win32::Win32Platform win32;
        installer::Context context(win32.Get());
        context.texts = core::TextSet(c.japanese);
        context.startup.programBaseName = "Velnora";
        context.startup.programFolder = Narrow(media);
        context.startup.autorunPath = context.startup.programFolder + "\\autorun.ini";
        context.startup.startMode = core::StartMode::kInstall;
        context.startup.osVersion = platform::OsVersion{5, 1, 0, 2};
        context.startup.installerCount = 1;
        pages::MainMenuPage page(context);
        const auto explanation = [](HWND dialog) {
            return e2e::WindowTitle(GetDlgItem(dialog, IDC_MENU_EXPLANATION));
        };
        const auto shows = [&](HWND dialog, const wchar_t* start) {
            return
                [dialog, start, &explanation] { return explanation(dialog).rfind(start, 0) == 0; };
        };
        const int result = RunPageWhileUserWorks(
            [&] { return context.platform.ui.RunModal(page, nullptr); },
            [&](HWND dialog) {
                EXPECT_EQ(e2e::WindowTitle(dialog), c.title);
                EXPECT_EQ(e2e::WindowTitle(GetDlgItem(dialog, IDC_MENU_STANDARD)), c.standard);
                EXPECT_EQ(e2e::WindowTitle(GetDlgItem(dialog, IDCANCEL)), c.exit);
                EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_MENU_STANDARD)));
                EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_MENU_MULTI)));
                EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_MENU_MAINTENANCE)));
                EXPECT_NE(SendMessageW(GetDlgItem(dialog, IDC_MENU_PICTURE), STM_GETIMAGE,
                                       IMAGE_BITMAP, 0),
                          0)
                    << "the medium's picture";
                EXPECT_TRUE(shows(dialog, c.generalStart)()) << Narrow(explanation(dialog));
                RedrawWindow(dialog, nullptr, nullptr,
                             RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
                EXPECT_FALSE(e2e::SaveWindowScreenshot(dialog, c.screenshot).empty());
                EXPECT_TRUE(PointAt(dialog, IDC_MENU_STANDARD, shows(dialog, c.standardStart)))
                    << Narrow(explanation(dialog));
                EXPECT_TRUE(PointAt(dialog, IDC_MENU_PICTURE, shows(dialog, c.generalStart)))
                    << Narrow(explanation(dialog));
            },
            IDCANCEL);
        EXPECT_EQ(result, IDCANCEL);
    }
    DeleteFileW(picture.c_str());
    RemoveDirectoryW(media.c_str());
}

}  // namespace
}  // namespace velnora
