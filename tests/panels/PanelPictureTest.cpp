#include "PanelFixture.h"

#include "panels/views/FrozenBanner.h"
#include "panels/views/GripView.h"
#include "panels/views/PreviewContentView.h"
#include "panels/views/PreviewPanel.h"
#include "platform/sim/Compositor.h"

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
        const core::Rect region(shown->frame.minX(), shown->frame.minY(), window.width(), window.height());
        const auto picture =
            sim::composeRegion(world(), region, window.width(), window.height(),
                               [number](const sim::SimWindow& candidate) { return candidate.id == number; });
        return QImage(picture->bytes.data(), picture->width, picture->height, picture->bytesPerRow, QImage::Format_RGB32)
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

    // The view shows in the window's screenshot inside its own geometry, where the view
    // drawn alone has its pixels.
    void expectAtItsGeometry(ui::Window& window, QWidget& view)
    {
        ASSERT_TRUE(view.isVisible());
        const QImage with = screenshotOf(window);
        view.hide();
        const QImage without = screenshotOf(window);
        view.show();
        QImage alone(view.size(), QImage::Format_ARGB32_Premultiplied);
        alone.fill(Qt::transparent);
        view.render(&alone, QPoint(), QRegion(), QWidget::DrawChildren);

        const QRect geometry(view.mapTo(&window, QPoint()), view.size());
        const QRect changed = changedArea(with, without);
        ASSERT_FALSE(changed.isEmpty()) << "nothing of the view shows";
        EXPECT_TRUE(geometry.contains(changed))
            << "drawn at " << changed.x() << "," << changed.y() << " " << changed.width() << "×" << changed.height()
            << ", placed at " << geometry.x() << "," << geometry.y();
        EXPECT_GT(changed.width() * changed.height(), geometry.width() * geometry.height() / 4);

        // The same pixels as the view grabbed alone mark, give or take the rounding of a
        // soft edge.
        QRect marked;
        for (int y = 0; y < alone.height(); ++y)
            for (int x = 0; x < alone.width(); ++x)
                if (qAlpha(alone.pixel(x, y)) > 8) marked |= QRect(x, y, 1, 1);
        marked.translate(geometry.topLeft());
        for (const auto& [shown, drawn] : {std::pair{changed.left(), marked.left()},
                                           {changed.top(), marked.top()},
                                           {changed.right(), marked.right()},
                                           {changed.bottom(), marked.bottom()}})
            EXPECT_NEAR(shown, drawn, 1);
    }
};

TEST_F(PanelPictureTest, HintBannerAndGripOfAMiniWindowShowWhereTheyAre)
{
    PipPanel* panel = makePanel();
    clock().advance(0.5);
    showChromeNow(*panel);
    panel->content->showTransientHint("已设为默认透明度", 5);
    panel->content->setFrozenBanner(true);
    clock().advance(0.5);
    // A frame of whole points: the screenshot then draws the window unscaled.
    panel->setFrame({340, 280, 320, 240});
    clock().advance(0.1);

    expectAtItsGeometry(*panel, panel->content->statusLabel());
    expectAtItsGeometry(*panel, panel->content->frozenBanner());
    expectAtItsGeometry(*panel, panel->content->grip());
}

TEST_F(PanelPictureTest, LabelAndBannerOfThePreviewShowWhereTheyAre)
{
    PipPanel* panel = makePanel();
    clock().advance(0.5);
    post(desktop::EventType::mouseMoved, at(*panel, 60, 60));
    clock().advance(0.6);
    ASSERT_TRUE(panel->hoverPreview->previewPanel);
    views::PreviewPanel& preview = *panel->hoverPreview->previewPanel;
    preview.content->showHint("已冻结");
    preview.content->setFrozen(true);
    clock().advance(0.5);

    expectAtItsGeometry(preview, *preview.content->hintLabel);
    expectAtItsGeometry(preview, *preview.content->frozenBanner);
}

}  // namespace
