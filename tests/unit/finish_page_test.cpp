// The finish page on the in-memory dialog host: its texts in both languages, the picture of
// the medium, and the registration button that autorun.ini may ask for.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "installer_fixture.h"
#include "pages/finish_page.h"
#include "resource_ids.h"

namespace velnora::installer::testing {
namespace {

using fake::PageDriver;

constexpr int kExit = platform::cmd::kCancel;
constexpr char kPicture[] = "C:\\Media\\InstManImg.bmp";
constexpr char kAddress[] = "http://example.com/reg";  // 22 characters
static_assert(sizeof(kAddress) - 1 == 22);

struct Language {
    bool japanese;
    const char* title;
    const char* exit;
    const char* message;
    const char* suffix;  // of the registration keys
};
constexpr Language kEnglish{false, "Vantorix Install Manager", "Exit",
                            "Installation has completed.", "Eng"};
constexpr Language kJapanese{true, "Vantorixインストールマネージャ", "終了",
                             "インストールが終了しました。", "Jpn"};

class FinishPage : public InstallerFixture {
  protected:
    FinishPage() {
        context.startup.autorunPath = kAutorunIni;
        fake.files.AddFile(kPicture, "BM");
        // Only pictures that are there load.
        fake.dialogs.SetPictureLoader([this](const std::string& path) {
            return fake.files.Exists(path) && !fake.files.IsFolder(path);
        });
    }

    void Use(const Language& language) { context.texts = core::TextSet(language.japanese); }
    void Offer(const Language& language, const std::string& enable, const std::string& url,
               const std::string& caption, const std::string& explanation) {
        const std::string s = language.suffix;
        for (const auto& [key, value] : {std::pair{"US_WEB_regist" + s, enable},
                                         {"US_WEB_Url" + s, url},
                                         {"US_WEB_ButtonTxt" + s, caption},
                                         {"US_WEB_ExplainTxt" + s, explanation}})
            fake.profile.WriteString("General", key, value, kAutorunIni);
    }
    int Run(const std::function<void(PageDriver&)>& script) {
        fake.dialogs.OnNextRun(IDD_FINISH, script);
        return pages::RunFinishPage(context, nullptr);
    }
    std::vector<std::string> Opened() const {
        std::vector<std::string> files;
        for (const platform::ExecuteRequest& request : fake.shell.Executed()) {
            EXPECT_EQ(request.verb, "open");
            files.push_back(request.file);
        }
        return files;
    }
};

TEST_F(FinishPage, ShowsThePictureAndTheCompletionInBothLanguages) {
    for (const Language& language : {kEnglish, kJapanese}) {
        SCOPED_TRACE(language.exit);
        Use(language);
        EXPECT_EQ(Run([&](PageDriver& d) {
                      EXPECT_EQ(d.Title(), language.title);
                      EXPECT_EQ(d.Text(kExit), language.exit);
                      EXPECT_EQ(d.Text(IDC_FINISH_MESSAGE), language.message);
                      EXPECT_EQ(d.Control(IDC_FINISH_PICTURE).picture, kPicture);
                      EXPECT_EQ(d.Icon(), IDI_PROGRAM);
                      EXPECT_EQ(d.Control(IDC_FINISH_MESSAGE).font, context.texts.PageFont());
                      EXPECT_EQ(d.Control(kExit).font, context.texts.PageFont());
                      for (const int hidden :
                           {IDC_FINISH_REGISTER, IDC_FINISH_NOTE_FRAME, IDC_FINISH_NOTE})
                          EXPECT_FALSE(d.IsVisible(hidden)) << hidden;
                      EXPECT_TRUE(d.Click(kExit));
                  }),
                  kExit);
    }
    EXPECT_TRUE(fake.shell.Executed().empty());
}

TEST_F(FinishPage, WithoutThePictureThePageShowsNoneAndSaysNothing) {
    fake.files.Remove(kPicture);
    Run([](PageDriver& d) {
        EXPECT_EQ(d.Control(IDC_FINISH_PICTURE).picture, "");
        d.Click(kExit);
    });
    EXPECT_TRUE(fake.ui.MessageBoxes().empty());
}

struct OfferCase {
    const char* name;
    const Language* language;
    std::string enable;
    std::string url;
    std::string caption;
    std::string explanation;
    bool shown;
};

TEST_F(FinishPage, TheRegistrationButtonShowsOnlyForACompleteOfferOfTheLanguage) {
    const std::string exactly21 = "http://example.com/re";
    const OfferCase cases[] = {
        {"English, lower-case switch", &kEnglish, "enable", kAddress, "Register", "Please", true},
        {"Japanese", &kJapanese, "ENABLE", kAddress, "登録", "ご登録を", true},
        {"21 characters", &kEnglish, "ENABLE", exactly21, "Register", "Please", false},
        {"upper-case scheme", &kEnglish, "ENABLE", "HTTP://example.com/reg", "R", "P", false},
        {"no caption", &kEnglish, "ENABLE", kAddress, "", "Please", false},
        {"no explanation", &kEnglish, "ENABLE", kAddress, "Register", "", false},
        {"switch yes", &kEnglish, "yes", kAddress, "Register", "Please", false},
    };
    for (const OfferCase& c : cases) {
        SCOPED_TRACE(c.name);
        fake.files.Remove(kAutorunIni);
        Use(*c.language);
        Offer(*c.language, c.enable, c.url, c.caption, c.explanation);
        Run([&](PageDriver& d) {
            EXPECT_EQ(d.IsVisible(IDC_FINISH_REGISTER), c.shown);
            if (c.shown) {
                EXPECT_EQ(d.Text(IDC_FINISH_REGISTER), c.caption);
                EXPECT_EQ(d.Focus(), IDC_FINISH_REGISTER);
                EXPECT_EQ(d.Text(IDC_FINISH_MESSAGE),
                          std::string(c.language->message) + "\r\n\r\n" + c.explanation);
            } else {
                EXPECT_EQ(d.Text(IDC_FINISH_MESSAGE), c.language->message);
            }
            d.Click(kExit);
        });
    }
}

TEST_F(FinishPage, TheOtherLanguagesOfferIsNotShown) {
    Offer(kJapanese, "ENABLE", kAddress, "登録", "ご登録を");
    Use(kEnglish);
    Run([](PageDriver& d) {
        EXPECT_FALSE(d.IsVisible(IDC_FINISH_REGISTER));
        d.Click(kExit);
    });
    fake.files.Remove(kAutorunIni);
    Run([](PageDriver& d) {
        EXPECT_FALSE(d.IsVisible(IDC_FINISH_REGISTER)) << "no autorun.ini";
        d.Click(kExit);
    });
}

TEST_F(FinishPage, TheExplanationsLineBreaksBecomeLinesOfTheMessage) {
    Offer(kEnglish, "ENABLE", kAddress, "Register", "Line one\\nLine two\\n");
    Run([](PageDriver& d) {
        EXPECT_EQ(d.Text(IDC_FINISH_MESSAGE),
                  "Installation has completed.\r\n\r\nLine one\r\nLine two\r\n");
        d.Click(kExit);
    });
}

TEST_F(FinishPage, TheButtonHandsTheAddressToTheShellEachTimeItIsPressed) {
    Offer(kEnglish, "ENABLE", kAddress, "Register", "Please register.");
    EXPECT_EQ(Run([](PageDriver& d) {
                  EXPECT_TRUE(d.Click(IDC_FINISH_REGISTER));
                  EXPECT_TRUE(d.Click(IDC_FINISH_REGISTER));
                  EXPECT_TRUE(d.IsOpen()) << "the page stays";
                  d.Click(kExit);
              }),
              kExit);
    EXPECT_EQ(Opened(), (std::vector<std::string>{kAddress, kAddress}));
}

TEST_F(FinishPage, AnAddressTheShellCouldRunAsAProgramIsNeverHandedOver) {
    // Long enough and beginning with "http": the button shows, but this names a program.
    Offer(kEnglish, "ENABLE", "http_tools\\register_now.exe", "Register", "Please register.");
    fake.processes.AddProgram("http_tools\\register_now.exe");
    Run([](PageDriver& d) {
        EXPECT_TRUE(d.Click(IDC_FINISH_REGISTER));
        d.Click(kExit);
    });
    EXPECT_TRUE(fake.shell.Executed().empty());
    EXPECT_TRUE(fake.processes.Started().empty());
}

TEST_F(FinishPage, AShellThatCannotOpenTheAddressLeavesThePageAsItIs) {
    Offer(kEnglish, "ENABLE", kAddress, "Register", "Please register.");
    fake.faults.FailAlways(fake::op::kShellExecuteEx, platform::error::kAccessDenied);
    Run([](PageDriver& d) {
        EXPECT_TRUE(d.Click(IDC_FINISH_REGISTER));
        EXPECT_TRUE(d.IsOpen());
        EXPECT_TRUE(d.IsVisible(IDC_FINISH_REGISTER));
        d.Click(kExit);
    });
    EXPECT_TRUE(fake.ui.MessageBoxes().empty());
}

TEST_F(FinishPage, TheTwinsPageEndsUnseen) {
    context.startup.elevatedTwin = true;
    Offer(kEnglish, "ENABLE", kAddress, "Register", "Please register.");
    EXPECT_EQ(pages::RunFinishPage(context, nullptr), kExit);
    const PageDriver d = fake.dialogs.LastWindow(IDD_FINISH);
    EXPECT_FALSE(d.Window().visible);
    EXPECT_EQ(d.Window().title, "Vantorix Install Manager");
}

}  // namespace
}  // namespace velnora::installer::testing
