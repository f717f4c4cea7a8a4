#pragma once

#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"

namespace selector {

// The region selector's overlay over one screen: transparent, above everything, taking
// the clicks so that they do not reach the windows below. Never key.
class SelectorPanel : public ui::Window {
public:
    explicit SelectorPanel(const ui::Screen& screen);
};

}  // namespace selector
