#include "platform/ui/StyledTitle.h"

namespace ui {

std::string shownText(const StyledTitle& title)
{
    std::string text;
    for (const auto& run : title) text += run.text;
    return text;
}

}  // namespace ui
