#include "settings/guide/GuideScenes.h"

#include "settings/guide/PinKeyboard.h"
#include "settings/guide/SceneCommon.h"
#include "settings/guide/TypingScene.h"

namespace guide {

namespace {

// The mini window and the preview type alike, so the letters land in both at once.
std::vector<double> typeLetters(ui::Layer& layer, const core::Rect& rect)
{
    return inputTypingScene(layer, rect, pinPreviewLoop, 0.52, 0.1, 0.4);
}

}  // namespace

// A click pins the preview; a second click into its field brings a keyboard, and the
// letters typed land in the preview and the mini window together.
void demoPinPreview(ui::Layer& canvas)
{
    constexpr double loop = pinPreviewLoop;
    const Screen screen = makeScreen(canvas);
    const core::Rect& pipRect = screen.pip1Rect;
    const core::Rect& previewRect = screen.previewRect;
    const double k1 = pipRect.width() / previewRect.width();

    std::vector<double> letterTimes;
    const ContentDrawer typingInPip = [&letterTimes](ui::Layer& layer, const core::Rect& rect) {
        letterTimes = typeLetters(layer, rect);
    };
    pipWindow(canvas, pipRect, std::nullopt, typingInPip).panel->name = "pip1";
    pipWindow(canvas, screen.pip2Rect, std::nullopt, pelicanContent(loop)).panel->name = "pip2";

    ui::Layer& preview = previewPanel(
        canvas, previewRect, [](ui::Layer& layer, const core::Rect& rect) { typeLetters(layer, atOrigin(rect)); });
    preview.name = "preview";
    const core::Point atPip = center(pipRect);
    const core::Point atMiddle = center(previewRect);
    moveLoop(preview, {atPip, atPip, atMiddle, atMiddle}, {0, 0.15, 0.28, 1}, loop);
    scaleLoop(preview, {k1, k1, 1, 1}, {0, 0.15, 0.28, 1}, loop);
    opacityLoop(preview, {0, 0, 1, 1}, {0, 0.15, 0.24, 1}, loop, 0);

    const core::Rect keyboardFrame{previewRect.midX() - keyboardWidth / 2, previewRect.minY() - 10.92 - keyboardHeight,
                                   keyboardWidth, keyboardHeight};
    ui::Layer& keyboard = pinKeyboard(canvas, keyboardFrame, letterTimes, loop);
    keyboard.name = "keyboard";
    opacityLoop(keyboard, {0, 0, 1, 1, 0}, {0, 0.39, 0.47, 0.96, 1}, loop, 0);

    const core::Point home{220, 170};
    const core::Point inField{previewRect.midX() + 33.6, previewRect.midY()};
    ui::Layer& pointer = cursor(canvas);
    pointer.name = "pointer";
    moveLoop(pointer, {home, atPip, atPip, inField, inField, home}, {0, 0.08, 0.28, 0.355, 0.94, 1}, loop);
    clickPulses(pointer, {0.14, 0.39}, loop, 0.03);

    ui::Layer& clickRing = highlightRing(canvas, pipRect, 4, 10);
    clickRing.name = "clickRing";
    opacityLoop(clickRing, {0, 0, 1, 1, 0}, {0, 0.08, 0.13, 0.26, 0.34}, loop, 0);

    fadingCaption(canvas, "点击小窗 → 在预览中交互！", "caption1", {0, 0.05, 0.12, 0.97, 1}, loop);
}

}  // namespace guide
