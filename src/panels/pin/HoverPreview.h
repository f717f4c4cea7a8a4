#pragma once

#include "panels/rules/PreviewStateMachine.h"
#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"
#include "platform/dispatch/WhileAlive.h"

#include <QSize>

#include <memory>

class PipPanel;
namespace views {
class PreviewPanel;
}  // namespace views

namespace pin {

// A mini window's hover preview: the delayed show when the pointer enters the picture, the
// enlarged preview window centred on the panel's screen, and its fade-out. Owned by its
// panel. Main thread only.
class HoverPreview {
public:
    explicit HoverPreview(PipPanel& panel);
    ~HoverPreview();
    HoverPreview(const HoverPreview&) = delete;
    HoverPreview& operator=(const HoverPreview&) = delete;

    // Created on the first show, kept ordered out for the panel's life.
    std::unique_ptr<views::PreviewPanel> previewPanel;
    dispatch::WorkItem previewShowTimer;
    bool previewVisible = false;
    // The settings, read at every use.
    bool previewEnabled() const;
    double hoverPreviewDelay() const;
    double previewScale() const;
    // Arms the delayed show, or logs why not.
    void schedulePreviewShow();
    // Drops a delayed show that has not run yet.
    void cancelPendingShow();
    void showPreview();
    // Cancels a pending show and fades the preview out.
    void hidePreview();
    // The pointer left the mini window's picture. The preview, centred on the screen, may
    // lie under it: then it stays until the pointer is over neither, else it goes now.
    void pointerLeftPicture();
    // Screen coordinates, centred on the panel's screen; a zero rectangle without screens.
    core::Rect previewFrame() const;

    // What the panel's picture shows, handed on to the preview's picture.
    void display(const desktop::PixelBufferRef& buffer);
    void setContentsRegion(const core::Rect& crop);
    void setFrozen(bool on);
    // The size the preview shows the whole frame at; empty before the first show.
    QSize shownFrameSize() const;

private:
    // Screen coordinates of the picture's inner area, where a hover shows the preview.
    core::Rect pictureFrame() const;
    void checkPointerStillOver();

    PipPanel& panel_;
    panels::PreviewStateMachine previewMachine_;
    // Runs while the preview stays for a pointer that is over it: nothing else tells when
    // the pointer leaves a window that lets the mouse through.
    dispatch::Timer pointerWatch_;
    // Last, so work posted about this preview stops before the rest of it goes.
    dispatch::Lifetime<HoverPreview> lifetime_{this};
};

}  // namespace pin
