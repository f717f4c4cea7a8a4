#include "panels/SelectorPanel.h"

#include "panels/RegionSelector.h"

SelectorPanel::SelectorPanel(const ui::Screen& screen) : ui::Window(screen.frame, Style::overlay)
{
    setLevel(RegionSelector::overlayLevel);
}
