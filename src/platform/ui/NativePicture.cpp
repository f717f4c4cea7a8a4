#include "platform/ui/NativePicture.h"

namespace ui {
namespace {

NativePictureMaker& installedMaker()
{
    static NativePictureMaker maker;
    return maker;
}

}  // namespace

void installNativePictures(NativePictureMaker maker) { installedMaker() = std::move(maker); }

std::unique_ptr<NativePicture> makeNativePicture(QWidget& widget, PictureLayer layer)
{
    const auto& maker = installedMaker();
    return maker ? maker(widget, layer) : nullptr;
}

}  // namespace ui
