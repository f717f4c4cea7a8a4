#include "platform/x11/X11DisplaySource.h"

namespace x11 {
namespace {

bool sameOutput(const desktop::StreamConfiguration& a, const desktop::StreamConfiguration& b)
{
    return a.width == b.width && a.height == b.height && a.sourceRect == b.sourceRect;
}

}  // namespace

DisplaySource::DisplaySource(std::shared_ptr<Connection> connection, std::shared_ptr<desktop::WindowServer> windowServer,
                             std::shared_ptr<desktop::Displays> displays, const desktop::ContentFilter& filter,
                             std::function<void()> onChange)
    : pool_(std::make_shared<ShmPool>(connection)),
      filter_(filter),
      composer_(connection, std::move(windowServer), std::move(displays)),
      damage_(connection, connection->root(), std::move(onChange))
{
}

std::optional<SourcePicture> DisplaySource::next(const desktop::StreamConfiguration& configuration)
{
    const bool changed = damage_.takeChange();
    if (!changed && last_ && composedFor_ && sameOutput(*composedFor_, configuration)) return last_;
    ++reads_;
    composedFor_ = configuration;
    const auto picture = composer_.compose(filter_, configuration, pool_.get());
    if (!picture || !picture->image) {
        last_.reset();
        return std::nullopt;
    }
    last_ = SourcePicture{picture->image, picture->scaleFactor};
    return last_;
}

}  // namespace x11
