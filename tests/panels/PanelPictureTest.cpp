#include "PanelFixture.h"

#include "panels/FrozenBanner.h"
#include "panels/GripView.h"
#include "panels/PreviewContentView.h"
#include "panels/PreviewPanel.h"
#include "platform/sim/Compositor.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QLabel>

namespace {

using namespace paneltest;

// The views faded over a mini window or its preview, as the desktop's screenshot shows
// them.
class PanelPictureTest : public PanelFixture {
protected:
    // The own window as a screenshot composes it, at one pixel per point.
    QImage screenshotOf(const ui::Window& window)
    {
        const auto shown = world().window(window.windowNumber());
        EXPECT_TRUE(shown);
        if (!shown) return {};
        const auto number = window.windowNumber();
        const auto picture = sim::composeRegion(
            world(), shown->frame, static_cast<int>(shown->frame.width()), static_cast<int>(shown->frame.height()),
            [number](const sim::SimWindow& candidate) { return candidate.id == number; });
        return QImage(picture->bytes.data(), picture->width, picture->height, picture->bytesPerRow,
                      QImage::Format_RGB32)
            .copy();
    }

    // Where the screenshot changes when the view is hidden: the view's own pixels.
    static QRect changedArea(const QImage& with, const QImage& without)
    {
        QRect area;
        for (int y = 0; y < with.height(); ++y)
            for (int x = 0; x < with.width(); ++x)
                if (with.pixel(x, y) != without.pixel(x, y)) area |= QRect(x, y, 1, 1);
        return area;
    }

    // The view shows in the window's screenshot inside its own geometry, covering most of
    // it, and its opaque pixels are those of the view grabbed alone.
    void expectAtItsGeometry(ui::Window& window, QWidget& view)
    {
        SCOPED_TRACE(view.metaObject()->className());
        ASSERT_TRUE(view.isVisible());
        const QImage with = screenshotOf(window);
        const QImage alone = view.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        view.hide();
        const QImage without = screenshotOf(window);
        view.show();

        const QRect geometry(view.mapTo(&window, QPoint()), view.size());
        const QRect changed = changedArea(with, without);
        ASSERT_FALSE(changed.isEmpty()) << "nothing of the view shows";
        EXPECT_TRUE(geometry.contains(changed)) << "drawn at " << changed.x() << "," << changed.y() << " "
                                                << changed.width() << "×" << changed.height() << ", placed at "
                                                << geometry.x() << "," << geometry.y();
        EXPECT_GT(changed.width() * changed.height(), geometry.width() * geometry.height() / 4);

        int compared = 0, differing = 0;
        for (int y = 0; y < alone.height(); ++y)
            for (int x = 0; x < alone.width(); ++x) {
                const QRgb own = alone.pixel(x, y);
                const QPoint at = geometry.topLeft() + QPoint(x, y);
                if (qAlpha(own) < 255 || !with.rect().contains(at)) continue;
                ++compared;
                const QRgb shot = with.pixel(at);
                if (std::abs(qRed(own) - qRed(shot)) + std::abs(qGreen(own) - qGreen(shot)) +
                        std::abs(qBlue(own) - qBlue(shot)) > 12)
                    ++differing;
            }
        EXPECT_LE(differing, compared / 20) << "of " << compared << " opaque pixels";
    }
};

TEST_F(PanelPictureTest, HintBannerAndGripOfAMiniWindowShowWhereTheyAre)
{
    PipPanel* panel = makePanel();
    clock().advance(0.5);
    showChromeNow(*panel);
    panel->content->showHint("已设为默认透明度");
    panel->content->setFrozenBanner(true);
    clock().advance(0.5);

    expectAtItsGeometry(*panel, *panel->content->statusLabel);
    expectAtItsGeometry(*panel, *panel->content->frozenBanner);
    expectAtItsGeometry(*panel, *panel->content->grip);
}

TEST_F(PanelPictureTest, LabelAndBannerOfThePreviewShowWhereTheyAre)
{
    PipPanel* panel = makePanel();
    clock().advance(0.5);
    const QPointF local(60, 60);
    QEnterEvent enter(local, local, panel->content->mapToGlobal(local));
    QApplication::sendEvent(panel->content, &enter);
    clock().advance(0.6);
    ASSERT_TRUE(panel->content->previewPanel);
    PreviewPanel& preview = *panel->content->previewPanel;
    preview.content->showHint("已冻结");
    preview.content->setFrozen(true);
    clock().advance(0.5);

    expectAtItsGeometry(preview, *preview.content->hintLabel);
    expectAtItsGeometry(preview, *preview.content->frozenBanner);
}

}  // namespace
