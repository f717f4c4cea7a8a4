#include "panels/selector/SelectorPanel.h"

#include "panels/selector/RegionSelector.h"

namespace selector {

SelectorPanel::SelectorPanel(const ui::Screen& screen) : ui::Window(screen.frame, Style::overlay)
{
    setLevel(RegionSelector::overlayLevel);
}

}  // namespace selector
