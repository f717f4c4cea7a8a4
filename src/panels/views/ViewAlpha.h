#pragma once

#include "platform/ui/Animation.h"

#include <functional>

class QWidget;

// A view's alpha value, as the panels' views fade: drawn through an opacity effect, which
// costs nothing while the view is fully opaque. Chrome that is faded below 0.5 takes no
// mouse events, so clicks reach the view beneath. Main thread only.
namespace views {

// Gives the view its alpha (1 unless said); chrome takes mouse events only at 0.5 and above.
void installAlpha(QWidget& view, double alpha, bool chrome);
// 1 for a view without an installed alpha.
double viewAlpha(const QWidget& view);
// Stops a running fade of the view.
void setViewAlpha(QWidget& view, double alpha);
// Fades from the current alpha, replacing a running fade of the view.
ui::Animation fadeViewAlpha(QWidget& view, double to, double duration, std::function<void()> completion = {});
// Whether a fade of the view is running.
bool isFading(const QWidget& view);

}  // namespace views
