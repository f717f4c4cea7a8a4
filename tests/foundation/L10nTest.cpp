#include "foundation/L10n.h"

#include "foundation/Diag.h"
#include "platform/core/PreferredLanguages.h"
#include "platform/defaults/Defaults.h"
#include "platform/desktop/Desktop.h"
#include "support/DiagLines.h"

namespace {

class Localisation : public testsupport::DiagTest {
protected:
    static void setLanguages(std::vector<std::string> list) { core::setPreferredLanguagesOverride(std::move(list)); }
    static void setChoice(const nlohmann::json& value) { defaults::Defaults::standard().set("appLanguage", value); }
    std::string log() const { return testsupport::readFile(dataHome() + "/Glimra/diag.log"); }
};

}  // namespace

TEST_F(Localisation, TheSystemLanguagesDecideWhenTheChoiceIsSystem)
{
    const std::vector<std::pair<std::vector<std::string>, ResolvedLang>> cases = {
        {{"zh-Hant-TW", "en-US"}, ResolvedLang::zhHant},
        {{"zh-HK"}, ResolvedLang::zhHant},
        {{"zh-MO"}, ResolvedLang::zhHant},
        {{"zh-TW"}, ResolvedLang::zhHant},
        {{"zh-Hans-CN"}, ResolvedLang::zhHans},
        {{"zh"}, ResolvedLang::zhHans},
        {{"yue-Hant-HK"}, ResolvedLang::zhHant},
        {{"it-IT", "ja-JP"}, ResolvedLang::ja},
        {{"it-IT"}, ResolvedLang::en},
        {{"EN-US", "de-DE"}, ResolvedLang::de},  // upper case does not match
        {{"EN-US"}, ResolvedLang::en},
        {{"zh_TW"}, ResolvedLang::zhHant},
        {{"fr_CA"}, ResolvedLang::fr},
        // Languages that merely begin with a known code are other languages.
        {{"frr-DE", "ja-JP"}, ResolvedLang::ja},
        {{"kok-IN"}, ResolvedLang::en},
        {{"zha-CN", "ko-KR"}, ResolvedLang::ko},
        {{"jam"}, ResolvedLang::en},
        {{"yuec", "de"}, ResolvedLang::de},
        {{"es-419"}, ResolvedLang::es},
        {{"ko-KR"}, ResolvedLang::ko},
        {{"fr"}, ResolvedLang::fr},
        {{}, ResolvedLang::en},
    };
    for (const auto& [languages, expected] : cases) {
        setLanguages(languages);
        EXPECT_EQ(L10n::resolved(), expected) << (languages.empty() ? "(empty)" : languages.front());
    }
}

TEST_F(Localisation, AnUnusableChoiceMeansFollowTheSystem)
{
    setLanguages({"ko-KR"});
    for (const nlohmann::json& value :
         {nlohmann::json(9), nlohmann::json(-1), nlohmann::json("2"), nlohmann::json(2.0), nlohmann::json(true)}) {
        setChoice(value);
        EXPECT_EQ(AppLang::current(), AppLang::system) << value.dump();
        EXPECT_EQ(L10n::resolved(), ResolvedLang::ko) << value.dump();
    }
    setChoice(8);
    EXPECT_EQ(L10n::resolved(), ResolvedLang::zhHant);
    setChoice(6);
    EXPECT_EQ(L10n::t("关闭"), "Schließen");
}

TEST_F(Localisation, SimplifiedChineseReturnsEveryKeyUnchangedAndLogsNothing)
{
    setChoice(1);
    EXPECT_EQ(L10n::t("关闭"), "关闭");
    EXPECT_EQ(L10n::t("不在表里的句子"), "不在表里的句子");
    EXPECT_EQ(log(), "");
}

TEST_F(Localisation, AMissingTranslationIsLoggedOncePerKeyAcrossLanguages)
{
    setChoice(2);
    EXPECT_EQ(L10n::t("当前版本 %@（build %d）。"), "Current version %@ (build %d).");
    EXPECT_EQ(L10n::t("从未翻译过的键"), "从未翻译过的键");
    EXPECT_EQ(L10n::t("从未翻译过的键"), "从未翻译过的键");
    setChoice(5);
    EXPECT_EQ(L10n::t("从未翻译过的键"), "从未翻译过的键");
    EXPECT_EQ(log(), "09:00:00 L10n 缺翻译[en]: 从未翻译过的键\n");
}

// A desktop that names a text variant reads that variant's texts in every language, zh-Hans
// included; texts without one, and every text on a desktop without a variant, are the main
// table's.
TEST_F(Localisation, ADesktopsTextVariantStandsInForTheMainTexts)
{
    auto linuxDesktop = std::make_shared<desktop::Desktop>();
    linuxDesktop->conventions.textVariant = "linux";
    desktop::install(linuxDesktop);
    const std::string loginRow = "登录 Mac 后自动启动，并常驻菜单栏";

    setChoice(1);
    EXPECT_EQ(L10n::t(loginRow), "登录后自动启动，并常驻托盘");
    setChoice(2);
    EXPECT_EQ(L10n::t(loginRow), "Start automatically when you log in and stay in the tray");
    EXPECT_EQ(L10n::t("关闭"), "Close");
    setChoice(8);
    EXPECT_EQ(L10n::t(loginRow), "登入後自動啟動，並常駐於系統匣");
    // The hold key hides the mini windows, which the main table calls closing.
    const std::string holdRow = "按住 %@ 键，临时关闭所有小窗，松开恢复。";
    setChoice(1);
    EXPECT_EQ(L10n::t(holdRow), "按住 %@ 键，临时隐藏所有小窗，松开恢复。");
    setChoice(6);
    EXPECT_EQ(L10n::t(holdRow),
              "Alle Mini-Fenster vorübergehend ausblenden, solange %@ gedrückt ist; Loslassen stellt sie wieder her.");

    linuxDesktop->conventions.textVariant = "";
    setChoice(2);
    EXPECT_EQ(L10n::t(loginRow), "Start automatically when you log in to your Mac and stay in the menu bar");
    setChoice(1);
    EXPECT_EQ(L10n::t(loginRow), loginRow);
    EXPECT_EQ(L10n::t(holdRow), holdRow);
    desktop::install(nullptr);
    EXPECT_EQ(log(), "");
}
