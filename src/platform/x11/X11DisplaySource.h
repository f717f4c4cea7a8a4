#pragma once

#include "platform/x11/X11DamageWatch.h"
#include "platform/x11/X11DisplayComposer.h"
#include "platform/x11/X11FrameSource.h"

namespace x11 {

// A display filter's content, composed again only after the screen changed (Damage on
// the root, which every window's drawing and move reaches) or the configuration did.
class DisplaySource : public FrameSource {
public:
    DisplaySource(std::shared_ptr<Connection> connection, std::shared_ptr<desktop::WindowServer> windowServer,
                  std::shared_ptr<desktop::Displays> displays, const desktop::ContentFilter& filter,
                  std::function<void()> onChange = {});

    std::optional<SourcePicture> next(const desktop::StreamConfiguration& configuration) override;
    long reads() const override { return reads_; }

private:
    const std::shared_ptr<ShmPool> pool_;
    const desktop::ContentFilter filter_;
    DisplayComposer composer_;
    DamageWatch damage_;
    std::optional<desktop::StreamConfiguration> composedFor_;
    std::optional<SourcePicture> last_;
    long reads_ = 0;
};

}  // namespace x11
