// The console's texts in both languages.
#pragma once

#include "core/texts.h"

namespace velnora::cmd::text {

using core::LocalText;

inline constexpr LocalText kProgramDescription{
    "The install manager of Vantorix for administrators and deployment tools.",
    "管理者と配布ツールのための Vantorix インストールマネージャ。"};
inline constexpr LocalText kListDescription{"List every environment",
                                            "すべての環境を一覧表示します"};
inline constexpr LocalText kFormatDescription{"text (a table) or json", "text (表) または json"};
inline constexpr LocalText kActiveDescription{"only the active environment",
                                              "アクティブな環境のみ"};
inline constexpr LocalText kReportDescription{
    "Write the installation report (to standard output without --out)",
    "インストールレポートを出力します (--out がなければ標準出力へ)"};
inline constexpr LocalText kOutDescription{"the file the report is written to",
                                           "レポートを書き込むファイル"};
inline constexpr LocalText kStatusDescription{
    "Show a pending install run, a pending removal and the log of the last run",
    "保留中のインストール、保留中の削除、前回の実行ログを表示します"};
inline constexpr LocalText kSwitchDescription{"Make ENV the active environment",
                                              "ENV をアクティブな環境にします"};
inline constexpr LocalText kUninstallDescription{
    "Uninstall ENV (with --quiet without asking; the last one listed becomes active)",
    "ENV をアンインストールします (--quiet では確認せず、一覧の最後の環境をアクティブにします)"};
inline constexpr LocalText kInstallDescription{
    "Run the installers of an installation medium without pages",
    "画面を表示せずにインストールメディアのインストーラを実行します"};
inline constexpr LocalText kMediaDescription{
    "the folder of the medium (its autorun.ini); the program's own folder without it",
    "メディアのフォルダ (autorun.ini のあるフォルダ)。省略時はこのプログラムのフォルダ"};
inline constexpr LocalText kNewDescription{
    "install a new environment beside the others (Multi Install)",
    "他の環境と並べて新しい環境をインストールします (マルチインストール)"};
inline constexpr LocalText kDestDescription{
    "the folder of a new environment (a full path); the proposed one without it",
    "新しい環境のフォルダ (フルパス)。省略時は提案されるフォルダ"};
inline constexpr LocalText kSelectDescription{
    "the installers to run, by name, separated by commas; the medium's choice without it",
    "実行するインストーラの名前 (カンマ区切り)。省略時はメディアの選択"};
inline constexpr LocalText kNoRestartDescription{
    "never restart Windows: a restart an installer asks for ends with 3010",
    "Windows を再起動しません。インストーラが再起動を求めると 3010 で終了します"};
inline constexpr LocalText kResumeDescription{"go on with the run a restart of Windows cut off",
                                              "Windows の再起動で中断したインストールを再開します"};
inline constexpr LocalText kEnvDescription{"key name, location or display name of the environment",
                                           "環境のキー名、場所または表示名"};
inline constexpr LocalText kQuietDescription{"ask nothing: every question takes its default",
                                             "何も質問せず、既定の回答を使います"};
inline constexpr LocalText kVersionDescription{"show the program's version",
                                               "プログラムのバージョンを表示します"};
inline constexpr LocalText kExitCodesHeading{"Exit codes:", "終了コード:"};

inline constexpr LocalText kLogAt{"Log: ", "ログ: "};
inline constexpr LocalText kAnotherCopyRuns{"Another copy of the install manager runs.",
                                            "インストールマネージャの別のコピーが起動しています。"};
inline constexpr LocalText kNoEnvironments{"No environment is installed.",
                                           "環境がインストールされていません。"};
inline constexpr LocalText kReportNotWritten{"The report could not be written: ",
                                             "レポートを書き込めませんでした: "};
inline constexpr LocalText kReportWritten{"The report was written: ", "レポートを書き込みました: "};
inline constexpr LocalText kNoMatch{"No environment matches ", "一致する環境がありません: "};
inline constexpr LocalText kSeveralMatch{"Several environments match ", "複数の環境が一致します: "};
inline constexpr LocalText kNeedsAdministrator{
    "Administrator rights are needed: run from an elevated command prompt.",
    "管理者権限が必要です: 管理者として実行したコマンド プロンプトから実行してください。"};
inline constexpr LocalText kSwitchRefused{"The active environment was not changed.",
                                          "アクティブな環境は変更されませんでした。"};
inline constexpr LocalText kSwitchFailedPreviousBack{
    "The environment could not be made active; the one that was active is active again.",
    "環境をアクティブにできませんでした。以前のアクティブな環境に戻しました。"};
inline constexpr LocalText kNoneActive{"No environment is active now.",
                                       "現在アクティブな環境はありません。"};
inline constexpr LocalText kUninstallRefused{"Nothing was uninstalled.",
                                             "何もアンインストールされませんでした。"};
inline constexpr LocalText kNotUninstalled{
    "The environment was not uninstalled; the environments are as before.",
    "環境はアンインストールされませんでした。環境は以前のままです。"};

inline constexpr LocalText kNotFullPath{
    "Give a full path (X:\\... or \\\\server\\...): ",
    "フルパスを指定してください (X:\\... または \\\\server\\...): "};
inline constexpr LocalText kNoMedium{"No autorun.ini in the folder of the medium: ",
                                     "メディアのフォルダに autorun.ini がありません: "};
inline constexpr LocalText kNoInstallers{"The medium names no installer to run.",
                                         "メディアに実行するインストーラがありません。"};
inline constexpr LocalText kUnknownInstallers{"The medium has no installer named: ",
                                              "メディアに次の名前のインストーラはありません: "};
inline constexpr LocalText kInstallersNotSelectable{
    "The medium's rules do not let these be chosen together: ",
    "メディアの規則により、次のインストーラは一緒に選択できません: "};
inline constexpr LocalText kRunPending{
    "An install run waits to go on after a restart: continue it with install --resume.",
    "再起動後に再開するインストールがあります。install --resume で再開してください。"};
inline constexpr LocalText kNoRunPending{"No install run waits to go on.",
                                         "再開するインストールはありません。"};
inline constexpr LocalText kInstallersToRun{"Installers: ", "インストーラ: "};
inline constexpr LocalText kDestinationFolder{"The new environment goes to ",
                                              "新しい環境のインストール先: "};
inline constexpr LocalText kRunStopped{"The run stopped before every installer had run.",
                                       "すべてのインストーラを実行する前に中断しました。"};
inline constexpr LocalText kNothingInstalled{"Nothing was installed.",
                                             "何もインストールされませんでした。"};
inline constexpr LocalText kRestartToFinish{
    "Windows must restart to finish the installation.",
    "インストールを完了するには Windows の再起動が必要です。"};

inline constexpr LocalText kColumnActive{"Active", "アクティブ"};
inline constexpr LocalText kColumnKey{"Key", "キー"};
inline constexpr LocalText kColumnName{"Name", "名前"};
inline constexpr LocalText kColumnLocation{"Location", "場所"};
inline constexpr LocalText kColumnVersion{"Version", "バージョン"};
inline constexpr LocalText kColumnInstallerInformation{"Installer information", "インストーラ情報"};
inline constexpr LocalText kColumnTidewatch{"Tidewatch data", "Tidewatch データ"};
inline constexpr LocalText kYes{"yes", "あり"};
inline constexpr LocalText kNo{"no", "なし"};

inline constexpr LocalText kPendingRun{"Pending install run: ", "保留中のインストール: "};
inline constexpr LocalText kPendingRunNone{"Pending install run: none",
                                           "保留中のインストール: なし"};
inline constexpr LocalText kPendingRunNext{"continues with installer ",
                                           "次のインストーラから再開: "};
inline constexpr LocalText kLastInstaller{", last installer: ", "、前回のインストーラ: "};
inline constexpr LocalText kPendingRemoval{"Pending removal of the install manager: ",
                                           "保留中のインストールマネージャの削除: "};
inline constexpr LocalText kPendingRemovalNone{"Pending removal of the install manager: none",
                                               "保留中のインストールマネージャの削除: なし"};
inline constexpr LocalText kJournal{"Interrupted change: ", "中断された切り替え: "};
inline constexpr LocalText kJournalNone{"Interrupted change: none", "中断された切り替え: なし"};
inline constexpr LocalText kJournalUnreadable{"Interrupted change: a journal that cannot be read",
                                              "中断された切り替え: 読み取れない記録があります"};
inline constexpr LocalText kJournalChange{"change of the active environment",
                                          "アクティブ環境の切り替え"};
inline constexpr LocalText kJournalUninstall{"uninstall", "アンインストール"};
inline constexpr LocalText kJournalInstall{"install beside the active environment",
                                           "アクティブ環境と並べたインストール"};
inline constexpr LocalText kJournalParked{", going out as ", "、退避先: "};
inline constexpr LocalText kJournalIncoming{", coming in: ", "、切り替え先: "};
inline constexpr LocalText kJournalDeactivation{", deactivation step ", "、非アクティブ化の手順 "};
inline constexpr LocalText kJournalActivation{", activation step ", "、アクティブ化の手順 "};
inline constexpr LocalText kJournalRestore{", restore of the one that went out, step ",
                                           "、退避した環境の復元の手順 "};
inline constexpr LocalText kJournalBegun{" begun", " 開始"};
inline constexpr LocalText kJournalEnded{" ended", " 終了"};
inline constexpr LocalText kLastLog{"Log of the last run: ", "前回の実行ログ: "};
inline constexpr LocalText kLastLogNone{"Log of the last run: none", "前回の実行ログ: なし"};

// The log's lines.
inline constexpr LocalText kLogEnvironmentsListed{" environments listed",
                                                  " 個の環境を一覧表示しました"};
inline constexpr LocalText kLogReportToOutput{"report written to standard output",
                                              "レポートを標準出力に書き込みました"};
inline constexpr LocalText kLogAnswerYes{" -> yes", " -> はい"};
inline constexpr LocalText kLogAnswerNo{" -> no", " -> いいえ"};
inline constexpr LocalText kLogChosen{"chosen: ", "選択: "};
inline constexpr LocalText kLogNoneChosen{"no environment chosen", "環境は選択されませんでした"};
inline constexpr LocalText kLogNoMutex{"the single-instance mutex could not be created",
                                       "二重起動防止のミューテックスを作成できませんでした"};
inline constexpr LocalText kLogNoVersion{"the Windows version could not be read",
                                         "Windows のバージョンを取得できませんでした"};
inline constexpr LocalText kLogOutcome{"outcome: ", "結果: "};
inline constexpr LocalText kLogExitCode{"exit code ", "終了コード "};

inline constexpr LocalText kAnswerYesNo{" [y/n] ", " [y/n] "};
inline constexpr LocalText kChooseNumber{"Number: ", "番号: "};

}  // namespace velnora::cmd::text
