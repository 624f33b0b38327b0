#include "pages/dest_folder_page.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/texts.h"
#include "environments/file_utilities.h"
#include "flows/install_sequence.h"
#include "installer/context.h"
#include "pages/page_prompt.h"
#include "resource_ids.h"

namespace velnora::pages {

namespace {

using core::LocalText;

constexpr LocalText kCaption{"Select destination folder", "インストール先の選択"};
constexpr LocalText kBrowseTitle{"Choice of an Installation Folder",
                                 "インストール先のフォルダを指定してください"};

struct ControlText {
    int id;
    LocalText text;
};
constexpr ControlText kControlTexts[] = {
    {IDC_DEST_TITLE, {"Destination folder", "インストール先の選択"}},
    {IDC_DEST_EXPLANATION,
     {"Click Next to install to this folder, or click Change to install to a differnt folder."
      "\r\n",
      "ファイルをインストールするフォルダを選択します。\r\n\r\n"
      "このフォルダへインストールする場合は、[次へ]ボタンをクリックしてください。\r\n"
      "別のフォルダへインストールする場合は、[変更]ボタンをクリックしてフォルダを選択してくだ"
      "さい。"}},
    {IDC_DEST_FRAME, {"Destination Folder", "インストール先のフォルダ"}},
    {IDC_DEST_CHANGE, {"Change", "変更"}},
    {IDC_DEST_NEXT, {"Next", "次へ"}},
    {IDC_DEST_EXIT, {"Exit", "中断"}},
};

constexpr int kFontControls[] = {IDC_DEST_TITLE,  IDC_DEST_EXPLANATION, IDC_DEST_FRAME,
                                 IDC_DEST_FOLDER, IDC_DEST_CHANGE,      IDC_DEST_NEXT,
                                 IDC_DEST_EXIT};

// Nothing but blanks is no folder: taken, it would send the search to the drive's root.
bool NamesAFolder(const std::string& text) {
    return text.find_first_not_of(' ') != std::string::npos;
}

}  // namespace

DestFolderPage::DestFolderPage(core::Context& context)
    : DialogPage(IDD_DEST_FOLDER), context_(context) {}

void DestFolderPage::OnInitDialog() {
    auto& window = Window();
    window.SetIcon(IDI_PROGRAM);
    for (const int id : kFontControls)
        core::ApplyPageFont(window, id, context_.texts);
    SetTexts();
    folder_ = flows::ProposeDestinationFolder(context_);
    SetText(IDC_DEST_FOLDER, folder_);
}

void DestFolderPage::SetTexts() {
    const core::TextSet& texts = context_.texts;
    SetText(0, texts.Pick(kCaption));
    for (const ControlText& control : kControlTexts)
        SetText(control.id, texts.Pick(control.text));
}

void DestFolderPage::OnCommand(int controlId, int code) {
    if (code != platform::notify::kButtonClicked)
        return;
    switch (controlId) {
        case IDC_DEST_CHANGE:
            Change();
            return;
        case IDC_DEST_NEXT:
            Next();
            return;
        case IDC_DEST_EXIT:
        case platform::cmd::kCancel:
            EndDialog(DialogResult(DestResult::kExit));
            return;
        case platform::cmd::kHelp:
            core::OpenHelp(context_, core::helpcontext::kInstallPages);
            return;
        default:
            // IDOK too: the page ends with a folder only through Next, which checks it.
            return;
    }
}

// The browser's path field may name a folder that does not exist yet; that is the point of it.
void DestFolderPage::Change() {
    std::string typed;
    if (!context_.platform.ui.BrowseForFolder(this, context_.texts.Pick(kBrowseTitle), folder_,
                                              typed))
        return;
    if (!NamesAFolder(typed) || typed == folder_)
        return;
    folder_ = typed;
    SetText(IDC_DEST_FOLDER, folder_);
}

void DestFolderPage::Next() {
    std::optional<core::Notice> refusal;
    {
        platform::ScopedWaitCursor wait(context_.platform.ui);
        refusal = flows::RefuseDestination(context_, folder_);
    }
    if (refusal) {
        PagePrompt(context_, this).Tell(*refusal);
        context_.startup.chosenInstallDir.clear();
        return;
    }
    context_.startup.chosenInstallDir = folder_;
    EndDialog(DialogResult(DestResult::kNext));
}

std::optional<std::string> ChooseDestinationFolder(core::Context& context,
                                                   const platform::DialogPage* owner) {
    DestFolderPage page(context);
    if (DestResultOf(context.platform.ui.RunModal(page, owner)) != DestResult::kNext)
        return std::nullopt;
    return page.Folder();
}

DestResult DestResultOf(int dialogResult) {
    return dialogResult == DialogResult(DestResult::kNext) ? DestResult::kNext : DestResult::kExit;
}

DestResult RunDestinationFolderPage(core::Context& context, const platform::DialogPage* owner) {
    return ChooseDestinationFolder(context, owner) ? DestResult::kNext : DestResult::kExit;
}

}  // namespace velnora::pages
