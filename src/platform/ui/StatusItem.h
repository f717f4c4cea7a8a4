#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <QImage>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class Menu;
class StatusItemWindow;

// An item of the status bar: the primary display's menu-bar strip (the band above its
// visible frame, 24 pt when there is none). Each item is an own window at the status-bar
// level; items are packed leftwards from the strip's right edge, the first created
// rightmost, each as wide as its image and title need. Main thread only; a desktop must
// be installed.
class StatusItem {
public:
    StatusItem();
    ~StatusItem();
    StatusItem(const StatusItem&) = delete;
    StatusItem& operator=(const StatusItem&) = delete;

    // The image is drawn at `pointSize` (its own size in pixels at 1 point each when
    // empty); a null image shows none.
    void setImage(const QImage& image, core::Size pointSize = {});
    bool hasImage() const;
    void setTitle(const std::string& title);
    std::string title() const;
    void setToolTip(const std::string& toolTip);
    std::string toolTip() const;

    // Screen coordinates (bottom-left origin, y up).
    core::Rect frame() const;

    // The menu a click pops up under the item; not owned (it must outlive the item or be
    // replaced first), may be none.
    void setMenu(Menu* menu);
    Menu* menu() const;

    // As a click does: pops the menu up under the item and returns at once, true when it
    // opened. `whenDone` runs on the main queue once the menu has closed, or on the next
    // main-queue turn when no menu opened (none set, or it did not show).
    bool performClick(std::function<void()> whenDone = {});

    // The items that exist, in packing order (rightmost first).
    static std::vector<StatusItem*> all();

private:
    friend class StatusItemWindow;
    // Sizes every item and packs them into the strip again.
    static void relayout();
    double naturalWidth() const;

    std::unique_ptr<StatusItemWindow> window_;
    QImage image_;
    core::Size imageSize_;
    std::string title_;
    std::string toolTip_;
    Menu* menu_ = nullptr;
    desktop::Token displayObserver_ = 0;
};

}  // namespace ui
