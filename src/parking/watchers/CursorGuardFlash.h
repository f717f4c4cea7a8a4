#pragma once

#include "platform/ui/Window.h"

#include <string>

// The cursor guard's short message: a dark rounded panel above the middle of the screen
// under the pointer, fading in, and out again after a moment. It never takes a click. At
// most one is on screen; a new message replaces the shown one at once. Main thread.
class CursorGuardFlash : public ui::Window {
    Q_OBJECT

public:
    static constexpr long windowLevel = 25;

    static void show(const std::string& text);
    // The message on screen, if any.
    static CursorGuardFlash* current();

    const std::string& text() const { return text_; }

private:
    explicit CursorGuardFlash(const std::string& text);
    // Ordered out and deleted on the next main-queue turn.
    void dismiss();

    std::string text_;
};
