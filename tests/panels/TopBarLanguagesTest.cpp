#include "PanelFixture.h"

#include "foundation/L10n.h"
#include "panels/views/FrozenBanner.h"
#include "panels/views/PanelContentView.h"
#include "panels/views/PreviewContentView.h"
#include "panels/views/TopBarView.h"

#include <QFontMetricsF>
#include <QLabel>

namespace {

using namespace paneltest;

class TopBarLanguagesTest : public PanelFixture {};

// A top bar as wide as a default mini window (320 × 1.2) shows a short title with its
// pinned or paused mark whole in every language, and no pinned mark is wider than the
// Chinese one: wherever that one shows whole, so does every translation.
TEST_F(TopBarLanguagesTest, TheStateMarksFitTheDefaultWidthInEveryLanguage)
{
    views::TopBarView bar;
    bar.resize(384, 28);
    bar.show();
    bar.baseTitle = "Notes · Notes";
    const QFontMetricsF metrics(bar.titleLabel->font());
    const double chinese = metrics.horizontalAdvance(QString::fromStdString("  〔固定预览中〕"));
    for (int language = 1; language <= 8; ++language) {
        defaults::Defaults::standard().set("appLanguage", language);
        EXPECT_LE(metrics.horizontalAdvance(QString::fromStdString(L10n::t("  〔固定预览中〕"))), chinese) << language;
        for (const bool pinned : {true, false}) {
            bar.fixedPreview = pinned;
            bar.paused = !pinned;
            bar.refreshTitle();
            EXPECT_EQ(bar.titleLabel->text().toStdString(), bar.titleText())
                << language << (pinned ? " pinned" : " paused");
        }
    }
}

// Whether a view lies in the smallest mini window (162 × 111) and its text, in the font
// and wrapped at the view's width less the insets, in the view.
bool fits(const QWidget& view, const QFont& font, const QString& text, int inset = 0)
{
    const QRectF room = QRectF(view.rect()).adjusted(inset, 0, -inset, 0);
    const QRectF used = QFontMetricsF(font).boundingRect(room.adjusted(0, 0, 0.5, 1e6), Qt::TextWordWrap, text);
    return QRect(0, 0, 162, 111).contains(view.geometry()) && used.width() <= room.width() + 0.5 &&
           used.height() <= room.height() + 0.5;
}

// In the smallest mini window, and in a preview of its size, every banner shows whole, and
// the longest hints whole or cut with an ellipsis, inside the window, in every language, in
// the main texts and in the Linux desktop's.
TEST_F(TopBarLanguagesTest, BannersAndHintsFitTheSmallestMiniWindowInEveryLanguage)
{
    views::PanelContentView view({0, 0, 162, 111});
    views::PreviewContentView preview(QRectF(0, 0, 162, 111));
    views::FrozenBanner& banner = view.frozenBanner();
    views::setViewAlpha(banner, 1);
    const QLabel& label = view.statusLabel();
    for (const char* variant : {"", "linux"}) {
        desktop().conventions.textVariant = variant;
        for (int language = 1; language <= 8; ++language) {
            defaults::Defaults::standard().set("appLanguage", language);
            using Cause = views::FrozenBanner::Cause;
            // Each language starts with the cause the last one ended with: drawn, a banner takes the new one.
            for (const Cause cause : {Cause::hidden, Cause::minimised, Cause::otherWorkspace, Cause::hidden}) {
                banner.setCause(cause);
                banner.grab();
                const auto& fitted = banner.fitted();
                const QString text = QString::fromStdString(L10n::t(views::FrozenBanner::sourceText(cause)));
                EXPECT_TRUE(fitted ? fits(banner, fitted->font, fitted->lines.join('\n'), 12) &&
                                         text.startsWith(fitted->lines.first()) && text.endsWith(fitted->lines.last())
                                   : fits(banner, {}, {}))
                    << language << " " << text.toStdString();
            }
            view.showHint(L10n::t(
                "未收到画面：若刚授权过屏幕录制，请从菜单栏重启 Glimra 后重试；否则源窗口可能受系统保护（DRM）"));
            EXPECT_TRUE(fits(label, label.font(), label.text())) << language;
            preview.showHint(L10n::t("跨桌面应用只能预览不能交互"));
            EXPECT_TRUE(fits(*preview.hintLabel, preview.hintLabel->font(), preview.hintLabel->text())) << language;
        }
    }
}

}  // namespace
