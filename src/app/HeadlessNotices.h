#pragma once

namespace app {

// Off screen, the widget toolkit notes on standard error each time a popped-up menu
// cannot be raised or grab the keyboard; a headless run has no screen to do either, so
// those notices are dropped. Every other message goes where it went before. Once per
// process; main thread.
void dropHeadlessNotices();

}  // namespace app
