// The two text sets of the programs, chosen once at start-up.
//
// Every text of the system stands in one table, its English and Japanese forms side by side,
// so a text can never exist in one language only. A page adds its texts by appending ids to
// `TextId` and rows, in the same order, to the table in texts.cpp (checked at compile time).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/dialog_page.h"
#include "platform/platform.h"

namespace velnora::core {

struct Context;

enum class TextId : int {
    // Program-wide message texts.
    kMsgRegistrySearchFailed,
    kCaptionError,
    kCaptionConfirm,
    kMsgAlreadyRunning,
    kMsgCommandParameterWrong,
    kMsgFolderNotFound,
    kMsgFileNotFound,
    kMsgFileNotWritten,
    kMsgInstallFailed,
    kMsgUninstallFailed,

    // Start-up of the install manager.
    kToolSectionName,
    kMsgNotAdministrator,
    kMsgNotInstalled,
    kMsgUnsupportedOS,
    kMsgInstallManagerRemoved,
    // What a self-removal could not take, each part followed by its name in brackets.
    kMsgInstallManagerLeft,
    kLeftOwnEntry,
    kLeftOwnFiles,
    kLeftOwnShortcut,
    kHelpFileName,

    // Run state and installer execution; English in both sets.
    kMsgStateNotRecorded,
    kMsgPsapiNotFound,
    kMsgKernel32NotFound,
    kMsgShell32NotFound,
    kMsgApiLoadingError,
    kMsgQuitDetected,

    // Tool composition labels of the maintenance page and the installation report.
    kLabelVersion,
    kLabelDisplayName,
    kLabelPackage,
    kLabelToolChain,
    kLabelSimulatorDebugger,
    kLabelEmulatorDebugger,
    kLabelOther,
    kLabelUnclassifiedPackage,
    kLabelInstallationRecord,

    // Activation switch: the component names its messages put in place of "%s".
    kMsgCannotDeactivate,
    kMsgCannotActivate,
    kComponentUninstallEntry,
    kComponentTidewatch,
    kComponentInstallerInfo,
    kComponentStartMenu,
    kComponentToolRecord,
    kComponentTidewatchRegistry,
    kMsgParkedNameFailed,
    kMsgRollbackFailed,
    kMsgPreviousNotRestored,

    // Start-up of the elevated twin.
    kMsgStartedDirectly,
    kMsgTwinNotAdministrator,

    kCount  // keep last
};

// One text in both languages.
struct LocalText {
    std::string_view english;
    std::string_view japanese;
};

// The UI fonts of the two sets.
inline constexpr char kJapaneseFontFace[] = "ＭＳ ゴシック";
inline constexpr int kJapaneseFontHeight = 12;
inline constexpr char kEnglishFontFace[] = "Arial";
inline constexpr int kEnglishFontHeight = 16;

// Help topics by context id.
namespace helpcontext {
inline constexpr std::uint32_t kReadMe = 0;
inline constexpr std::uint32_t kInstallPages = 210;
inline constexpr std::uint32_t kMaintenance = 300;
inline constexpr std::uint32_t kMaintenanceUninstall = 500;
}  // namespace helpcontext

class TextSet {
  public:
    TextSet() = default;
    explicit TextSet(bool useJapanese) : useJapanese_(useJapanese) {}

    bool UseJapanese() const { return useJapanese_; }

    // The chosen language's form of a text.
    std::string Get(TextId id) const;
    std::string Pick(const LocalText& text) const {
        return std::string(useJapanese_ ? text.japanese : text.english);
    }

    // Cell height, normal weight, default character set, the set's face.
    platform::FontSpec PageFont() const;

  private:
    bool useJapanese_ = false;
};

// Both forms of a text, straight from the table.
const LocalText& TextRow(TextId id);

// The system locale's country decides first; [Default] "Language" of the settings file, when
// it says exactly "Japanese" or "English", overrides it.
bool ChooseJapanese(platform::Platform& platform, const std::string& settingsFile);

// Gives one control of an open page the UI font of the text set.
void ApplyPageFont(platform::PageWindow& window, int controlId, const TextSet& texts);

// Opens the help file of the text set, next to the program, at a context id. Nothing happens
// when the file is not there; returns whether it was there.
bool OpenHelp(platform::Platform& platform, const std::string& programFolder, const TextSet& texts,
              std::uint32_t contextId);
bool OpenHelp(Context& context, std::uint32_t contextId);

}  // namespace velnora::core
