#include "panels/views/ViewAlpha.h"

#include <QGraphicsOpacityEffect>
#include <QPointer>
#include <QWidget>

#include <algorithm>

namespace views {
namespace {

class AlphaEffect : public QGraphicsOpacityEffect {
public:
    AlphaEffect(QWidget& view, bool chrome) : QGraphicsOpacityEffect(&view), chrome_(chrome) {}

    void apply(QWidget& view, double alpha)
    {
        alpha = std::clamp(alpha, 0.0, 1.0);
        setOpacity(alpha);
        if (chrome_) view.setAttribute(Qt::WA_TransparentForMouseEvents, alpha < 0.5);
    }

    ui::Animation fade;

private:
    const bool chrome_;
};

AlphaEffect* effectOf(const QWidget& view) { return dynamic_cast<AlphaEffect*>(view.graphicsEffect()); }

}  // namespace

void installAlpha(QWidget& view, double alpha, bool chrome)
{
    auto* effect = new AlphaEffect(view, chrome);
    view.setGraphicsEffect(effect);
    effect->apply(view, alpha);
}

double viewAlpha(const QWidget& view)
{
    const AlphaEffect* effect = effectOf(view);
    return effect ? effect->opacity() : 1.0;
}

void setViewAlpha(QWidget& view, double alpha)
{
    AlphaEffect* effect = effectOf(view);
    if (!effect) return;
    effect->fade.cancel();
    effect->apply(view, alpha);
}

ui::Animation fadeViewAlpha(QWidget& view, double to, double duration, std::function<void()> completion)
{
    AlphaEffect* effect = effectOf(view);
    if (!effect) return {};
    effect->fade.cancel();
    effect->fade = ui::animate(
        duration, effect->opacity(), to,
        [target = QPointer<QWidget>(&view)](double alpha) {
            if (!target) return;
            if (AlphaEffect* e = effectOf(*target)) e->apply(*target, alpha);
        },
        std::move(completion));
    return effect->fade;
}

bool isFading(const QWidget& view)
{
    const AlphaEffect* effect = effectOf(view);
    return effect && effect->fade.isRunning();
}

}  // namespace views
