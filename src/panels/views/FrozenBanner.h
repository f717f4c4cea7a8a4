#pragma once

#include <QSizeF>
#include <QWidget>

namespace views {

// The small dark pill over the bottom of a mini window saying why the picture froze: the
// source application was minimised, or its window is on another workspace. It never
// takes a click.
class FrozenBanner : public QWidget {
public:
    enum class Cause { minimised, otherWorkspace };

    explicit FrozenBanner(QWidget* parent = nullptr);

    // The text's key for L10n::t.
    static const char* sourceText(Cause cause);
    // The text's size, measured once per cause with the language of that moment.
    static QSizeF textSize(Cause cause);

    Cause cause() const { return cause_; }
    void setCause(Cause cause);
    // Centred just above its parent's bottom edge, as wide as its text needs.
    void layoutInParent();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Cause cause_ = Cause::minimised;
};

}  // namespace views
