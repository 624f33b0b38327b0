#include "core/texts.h"

#include <array>
#include <cstddef>

#include "core/context.h"

namespace velnora::core {

namespace {

struct Row {
    TextId id;
    LocalText text;
};

// English and Japanese side by side. Blanks at either end and the line breaks are part of the
// texts: several are glued to other texts when shown.
constexpr std::array kTexts = std::to_array<Row>({
    {TextId::kMsgRegistrySearchFailed,
     {"Failed in a search of registry.", "レジストリの検索に失敗しました。"}},
    {TextId::kCaptionError, {"Error", "エラー"}},
    {TextId::kCaptionConfirm, {"Confirm", "確認"}},
    {TextId::kMsgAlreadyRunning, {" is already execute.", "は既に起動しています。"}},
    {TextId::kMsgCommandParameterWrong,
     {"Command parameter is wrong.", "コマンドパラメータが誤っています。"}},
    {TextId::kMsgFolderNotFound, {"Can not found folder. ", "フォルダが見つかりません。"}},
    {TextId::kMsgFileNotFound, {"Can not found file. ", "ファイルが見つかりません。"}},
    {TextId::kMsgFileNotWritten, {"Can not write file. ", "ファイルに書き込めません。"}},
    {TextId::kMsgInstallFailed, {"Failed in installation.", "インストールに失敗しました。"}},
    {TextId::kMsgUninstallFailed,
     {"Failed in uninstallation.", "アンインストールに失敗しました。"}},

    {TextId::kToolSectionName, {"Tools", "Tools_Jpn"}},
    {TextId::kMsgNotAdministrator,
     {"You have not logged on with the administrator account.\n"
      "To run this product correctly,\n"
      "log on again with the administrator account.",
      "管理者権限で実行していません。\n"
      "インストールマネージャを動作させるためには、\n"
      "管理者権限でログオンし直してください。"}},
    {TextId::kMsgNotInstalled,
     {"Vantorix is not installed in this PC.",
      "このPCには、Vantorixがインストールされていません。"}},
    {TextId::kMsgUnsupportedOS, {"Unsupported OS.", "サポートOSではありません。"}},
    {TextId::kMsgInstallManagerRemoved,
     {"\r\nThe install manager was deleted.",
      "\r\nインストールマネージャをアンインストールしました。"}},
    {TextId::kMsgInstallManagerLeft,
     {"The install manager could not be deleted completely. Left behind:",
      "インストールマネージャを完全にはアンインストールできませんでした。"
      "次のものが残っています。"}},
    {TextId::kLeftOwnEntry,
     {"\r\n- the entry in the list of installed programs ", "\r\n・プログラムの一覧の登録 "}},
    {TextId::kLeftOwnFiles, {"\r\n- the program files ", "\r\n・プログラムのファイル "}},
    {TextId::kLeftOwnShortcut,
     {"\r\n- the start-menu shortcut ", "\r\n・スタートメニューのショートカット "}},
    {TextId::kHelpFileName, {"VelnoraE.CHM", "VelnoraJ.CHM"}},

    {TextId::kMsgStateNotRecorded,
     {"Orvessa Installation Application is not able to record the current installation "
      "status.\nPlease do not restart computer before all installers are executed.",
      "Orvessa Installation Application is not able to record the current installation "
      "status.\nPlease do not restart computer before all installers are executed."}},
    {TextId::kMsgPsapiNotFound,
     {"PSAPI.dll is not found. Autorun is not able to run. \nPlease manually install.",
      "PSAPI.dll is not found. Autorun is not able to run. \nPlease manually install."}},
    {TextId::kMsgKernel32NotFound,
     {"Kernel32.dll is not found. Autorun is not able to run. \nPlease manually install.",
      "Kernel32.dll is not found. Autorun is not able to run. \nPlease manually install."}},
    {TextId::kMsgShell32NotFound,
     {"Shell32.dll is not found. Autorun is not able to run. \nPlease manually install.",
      "Shell32.dll is not found. Autorun is not able to run. \nPlease manually install."}},
    {TextId::kMsgApiLoadingError,
     {"API Loading Error. \nPlease manually install.",
      "API Loading Error. \nPlease manually install."}},
    {TextId::kMsgQuitDetected, {"Msg detected!", "Msg detected!"}},

    {TextId::kLabelVersion, {"Version", "バージョン"}},
    {TextId::kLabelDisplayName, {"Display Name", "表示名"}},
    {TextId::kLabelPackage, {"Package", "構成"}},
    {TextId::kLabelToolChain, {"ToolChain", "ツールチェイン"}},
    {TextId::kLabelSimulatorDebugger, {"Simulator Debugger", "シミュレータデバッガ"}},
    {TextId::kLabelEmulatorDebugger, {"Emulator Debugger", "エミュレータデバッガ"}},
    {TextId::kLabelOther, {"Other", "その他"}},
    {TextId::kLabelUnclassifiedPackage, {"Unclassified Package", "未分類"}},
    {TextId::kLabelInstallationRecord, {"Installation Record", "インストール履歴"}},

    {TextId::kMsgCannotDeactivate,
     {"%s information is insufficient. Therefore, cannot switch over to an deactive state.",
      "%s情報が不足していますので、\n非アクティブ状態に移行することができません。"}},
    {TextId::kMsgCannotActivate,
     {"%s information is insufficient. Therefore, cannot switch over to an active state.",
      "%s情報が不足していますので、\nアクティブ状態に移行することができません。"}},
    {TextId::kComponentUninstallEntry,
     {"Registry of uninstallation", "レジストリのアンインストール"}},
    {TextId::kComponentTidewatch, {"Tidewatch", "タイドウォッチ"}},
    {TextId::kComponentInstallerInfo,
     {"Execution file of uninstallation", "アンインストール時実行ファイル"}},
    {TextId::kComponentStartMenu, {"Windows menu", "Windowsメニュー"}},
    {TextId::kComponentToolRecord, {"Vtx2Inst.ini file", "Vtx2Inst.iniファイル"}},
    {TextId::kComponentTidewatchRegistry, {"Registry of tidewatch", "レジストリのタイドウォッチ"}},
    {TextId::kMsgParkedNameFailed,
     {"Failed to make a new name for the active environment.\n"
      "The active environment was not switched.",
      "アクティブ環境の退避名を作成できませんでした。\n"
      "アクティブ環境は切り替えられていません。"}},
    {TextId::kMsgRollbackFailed,
     {"The switch could not be undone completely.\n"
      "Parts of the environment may remain under the names of the other state.",
      "切り替えを完全には元に戻せませんでした。\n"
      "環境の一部が切り替え途中の名前のまま残っている可能性があります。"}},
    {TextId::kMsgPreviousNotRestored,
     {"The environment that was active could not be made active again.\n"
      "No environment is active now.",
      "アクティブだった環境を再びアクティブにできませんでした。\n"
      "現在アクティブな環境はありません。"}},

    {TextId::kMsgStartedDirectly,
     {"VelnoraAdm.exe cannot be executed directly. \r\n"
      "When Velnora.exe is executed, VelnoraAdm.exe is executed if necessary.",
      "VelnoraAdm.exeを直接実行することはできません。\r\n"
      "Velnora.exeを実行したときに、必要に応じてVelnoraAdm.exeが実行されます。"}},
    {TextId::kMsgTwinNotAdministrator, {"Not Administrators", "管理者権限がありません。"}},
});

static_assert(kTexts.size() == static_cast<std::size_t>(TextId::kCount),
              "every text id needs its row");

constexpr bool RowsFollowIds() {
    for (std::size_t i = 0; i < kTexts.size(); ++i)
        if (static_cast<std::size_t>(kTexts[i].id) != i)
            return false;
    return true;
}
static_assert(RowsFollowIds(), "rows must stand in the order of their ids");

constexpr char kLanguageSection[] = "Default";
constexpr char kLanguageKey[] = "Language";
constexpr std::size_t kLanguageBuffer = 1024;

}  // namespace

const LocalText& TextRow(TextId id) {
    return kTexts.at(static_cast<std::size_t>(id)).text;
}

std::string TextSet::Get(TextId id) const {
    return Pick(TextRow(id));
}

platform::FontSpec TextSet::PageFont() const {
    platform::FontSpec font;
    font.face = useJapanese_ ? kJapaneseFontFace : kEnglishFontFace;
    font.height = useJapanese_ ? kJapaneseFontHeight : kEnglishFontHeight;
    font.weight = 400;
    font.charset = 1;
    return font;
}

bool ChooseJapanese(platform::Platform& platform, const std::string& settingsFile) {
    bool japanese = platform.session.SystemLocaleEnglishCountry() == "Japan";

    std::string language;
    platform.profile.GetString(kLanguageSection, std::string(kLanguageKey), "", kLanguageBuffer,
                               settingsFile, language);
    if (language == "Japanese")
        japanese = true;
    if (language == "English")
        japanese = false;
    return japanese;
}

void ApplyPageFont(platform::PageWindow& window, int controlId, const TextSet& texts) {
    window.SetFont(controlId, texts.PageFont());
}

bool OpenHelp(platform::Platform& platform, const std::string& programFolder, const TextSet& texts,
              std::uint32_t contextId) {
    const std::string helpFile = programFolder + "\\" + texts.Get(TextId::kHelpFileName);
    if (!platform::FileExists(platform.files, helpFile))
        return false;
    platform.ui.OpenHelp(helpFile, contextId);
    return true;
}

bool OpenHelp(Context& context, std::uint32_t contextId) {
    return OpenHelp(context.platform, context.startup.programFolder, context.texts, contextId);
}

}  // namespace velnora::core
