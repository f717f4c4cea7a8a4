#pragma once

#include "foundation/Diag.h"

namespace capture {

// The frozen notice the host shows over a mirror. The occlusion gate raises it; the
// gate, the stale watchdog and a content change withdraw it. Each call answers whether
// the state changed, so the host hears every transition exactly once.
class FrozenNotice {
public:
    bool isShown() const { return shown_; }

    bool show()
    {
        if (shown_) return false;
        shown_ = true;
        Diag::log("定格提示: 显示（源窗口被完全遮挡且画面已停止更新）");
        return true;
    }

    bool withdraw()
    {
        if (!shown_) return false;
        shown_ = false;
        Diag::log("定格提示: 撤下（画面恢复或遮挡解除）");
        return true;
    }

private:
    bool shown_ = false;
};

}  // namespace capture
