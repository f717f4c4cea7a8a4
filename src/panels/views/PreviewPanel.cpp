#include "panels/views/PreviewPanel.h"

#include "capture/MirrorView.h"
#include "panels/views/PreviewContentView.h"
#include "panels/views/ViewAlpha.h"

namespace views {

namespace {

constexpr double initialWidth = 320;
constexpr double initialHeight = 180;

}  // namespace

PreviewPanel::PreviewPanel()
    : ui::Window({0, 0, initialWidth, initialHeight}, Style::panel, windowLevel),
      content(new PreviewContentView(QRectF(0, 0, initialWidth, initialHeight)))
{
    setAlphaValue(0);
    setIgnoresMouseEvents(true);
    setContentView(content);
}

void PreviewPanel::setDimmed(bool dimmed)
{
    // Only undimming is ever asked for: every show starts at full strength.
    if (dimmed) return;
    views::fadeViewAlpha(*content->mirrorView, 1.0, fadeInDuration);
}

void PreviewPanel::displayCurrent(desktop::PixelBufferRef contents)
{
    content->syncMirrorFrame();
    if (contents)
        content->mirrorView->display(std::move(contents));
    else
        content->mirrorView->clearContents();
}

}  // namespace views
