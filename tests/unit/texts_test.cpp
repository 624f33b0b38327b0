#include "core/texts.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/context.h"
#include "fake/fake_platform.h"

namespace velnora::core {
namespace {

constexpr char kSettingsFile[] = "C:\\WINDOWS\\Velnora.ini";

struct LanguageCase {
    const char* name;
    std::string country;
    std::optional<std::string> language;  // [Default] Language; nothing: no settings file
    bool japanese;
};

class TextsLanguage : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(TextsLanguage, LocaleThenSettingsFile) {
    const auto& c = GetParam();
    fake::FakePlatform fake;
    fake.session.SetLocaleCountry(c.country);
    if (c.language)
        fake.files.AddFile(kSettingsFile, "[Default]\nLanguage=" + *c.language + "\n");
    EXPECT_EQ(ChooseJapanese(fake.Get(), "Velnora.ini"), c.japanese);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextsLanguage,
    ::testing::Values(LanguageCase{"JapanLocale", "Japan", std::nullopt, true},
                      LanguageCase{"OtherLocale", "United States", std::nullopt, false},
                      LanguageCase{"LocaleCaseSensitive", "japan", std::nullopt, false},
                      LanguageCase{"LocaleQueryFailed", "", std::nullopt, false},
                      LanguageCase{"JapanWithEnglish", "Japan", "English", false},
                      LanguageCase{"OtherWithJapanese", "Germany", "Japanese", true},
                      LanguageCase{"LowerCaseJapaneseIgnored", "United States", "japanese", false},
                      LanguageCase{"LowerCaseEnglishIgnored", "Japan", "english", true},
                      LanguageCase{"UpperCaseIgnored", "Japan", "ENGLISH", true},
                      LanguageCase{"OtherWordIgnored", "Japan", "Deutsch", true},
                      LanguageCase{"EmptyIgnored", "United States", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

// The exact bytes of the slots whose blanks and line breaks matter.
TEST(TextsBytes, TrickySlots) {
    const TextSet english(false);
    const TextSet japanese(true);

    EXPECT_EQ(english.Get(TextId::kMsgAlreadyRunning), " is already execute.");
    EXPECT_EQ(japanese.Get(TextId::kMsgAlreadyRunning),
              "\xE3\x81\xAF\xE6\x97\xA2\xE3\x81\xAB\xE8\xB5\xB7\xE5\x8B\x95\xE3\x81\x97\xE3\x81"
              "\xA6\xE3\x81\x84\xE3\x81\xBE\xE3\x81\x99\xE3\x80\x82");
    EXPECT_EQ(english.Get(TextId::kMsgFolderNotFound), "Can not found folder. ");
    EXPECT_EQ(english.Get(TextId::kMsgFileNotFound), "Can not found file. ");
    EXPECT_EQ(english.Get(TextId::kMsgNotAdministrator),
              "You have not logged on with the administrator account.\x0A"
              "To run this product correctly,\x0A"
              "log on again with the administrator account.");
    EXPECT_EQ(english.Get(TextId::kMsgInstallManagerRemoved),
              "\x0D\x0AThe install manager was deleted.");
    EXPECT_EQ(japanese.Get(TextId::kMsgInstallManagerRemoved).substr(0, 2), "\x0D\x0A");
    EXPECT_EQ(english.Get(TextId::kToolSectionName), "Tools");
    EXPECT_EQ(japanese.Get(TextId::kToolSectionName), "Tools_Jpn");
    EXPECT_EQ(english.Get(TextId::kHelpFileName), "VelnoraE.CHM");
    EXPECT_EQ(japanese.Get(TextId::kHelpFileName), "VelnoraJ.CHM");
    EXPECT_EQ(japanese.Get(TextId::kCaptionError), "\xE3\x82\xA8\xE3\x83\xA9\xE3\x83\xBC");
}

TEST(TextsBytes, EveryTextInBothLanguages) {
    for (int i = 0; i < static_cast<int>(TextId::kCount); ++i) {
        const auto& row = TextRow(static_cast<TextId>(i));
        EXPECT_FALSE(row.english.empty()) << i;
        EXPECT_FALSE(row.japanese.empty()) << i;
    }
}

TEST(TextsFont, PageFontOfEachSet) {
    const auto english = TextSet(false).PageFont();
    EXPECT_EQ(english.face, "Arial");
    EXPECT_EQ(english.height, 16);
    EXPECT_EQ(english.weight, 400);
    EXPECT_EQ(english.charset, 1);

    const auto japanese = TextSet(true).PageFont();
    // Full-width M and S, one half-width blank, then the katakana.
    EXPECT_EQ(japanese.face,
              "\xEF\xBC\xAD\xEF\xBC\xB3\x20\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF");
    EXPECT_EQ(japanese.height, 12);
    EXPECT_EQ(japanese.weight, 400);
    EXPECT_EQ(japanese.charset, 1);
}

// A page that gives one of its controls the font of the text set.
class FontPage final : public platform::DialogPage {
  public:
    static constexpr int kTemplate = 9001;
    static constexpr int kLabel = 1001;

    explicit FontPage(const TextSet& texts) : DialogPage(kTemplate), texts_(texts) {}
    void OnInitDialog() override {
        ApplyPageFont(Window(), kLabel, texts_);
        EndDialog(1);
    }

  private:
    const TextSet& texts_;
};

TEST(TextsFont, ApplyPageFontSetsTheControlFont) {
    const fake::DialogTemplates noTemplates;
    for (const bool useJapanese : {false, true}) {
        fake::TestDialogHost host(noTemplates);
        const TextSet texts(useJapanese);
        FontPage page(texts);
        ASSERT_EQ(host.RunModal(page, nullptr), 1);
        const auto& font = host.LastWindow(FontPage::kTemplate).Control(FontPage::kLabel).font;
        ASSERT_TRUE(font.has_value());
        EXPECT_EQ(*font, texts.PageFont());
    }
}

class TextsHelp : public ::testing::Test {
  protected:
    TextsHelp() : context(fake.Get()) { context.startup.programFolder = "C:\\Media"; }

    fake::FakePlatform fake;
    Context context;
};

TEST_F(TextsHelp, OpensTheHelpFileOfTheLanguageAtTheContextId) {
    fake.files.AddFile("C:\\Media\\VelnoraJ.CHM");
    context.texts = TextSet(true);
    EXPECT_TRUE(OpenHelp(context, helpcontext::kMaintenanceUninstall));
    ASSERT_EQ(fake.ui.HelpCalls().size(), 1u);
    EXPECT_EQ(fake.ui.HelpCalls()[0].file, "C:\\Media\\VelnoraJ.CHM");
    EXPECT_EQ(fake.ui.HelpCalls()[0].contextId, 500u);
    EXPECT_TRUE(fake.ui.MessageBoxes().empty());
}

TEST_F(TextsHelp, MissingHelpFileDoesNothing) {
    fake.files.AddFile("C:\\Media\\VelnoraJ.CHM");
    context.texts = TextSet(false);
    EXPECT_FALSE(OpenHelp(context, helpcontext::kMaintenance));
    EXPECT_TRUE(fake.ui.HelpCalls().empty());
    EXPECT_TRUE(fake.ui.MessageBoxes().empty());
    EXPECT_EQ(fake.files.OpenListings(), 0u);
}

}  // namespace
}  // namespace velnora::core
