#pragma once

#include "capture/MirrorView.h"

namespace testsupport {

// A mirror view that counts its paints.
class CountedView : public MirrorView {
public:
    using MirrorView::MirrorView;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        MirrorView::paintEvent(event);
    }
};

}  // namespace testsupport
