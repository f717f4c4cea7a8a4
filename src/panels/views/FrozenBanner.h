#pragma once

#include "panels/views/FittedText.h"

#include <QWidget>

#include <optional>

namespace views {

// The small dark pill over the bottom of a mini window saying why the picture froze: the
// source application was minimised, its window is on another workspace, or it is hidden
// (the desktop shown). It never takes a click.
class FrozenBanner : public QWidget {
public:
    enum class Cause { minimised, otherWorkspace, hidden };

    explicit FrozenBanner(QWidget* parent = nullptr);

    // The text's key for L10n::t.
    static const char* sourceText(Cause cause);

    Cause cause() const { return cause_; }
    void setCause(Cause cause);
    // Centred just above its parent's bottom edge, as wide as its text needs; where the
    // parent is narrower than that, its text is fitted to the parent's width.
    void layoutInParent();
    // The text as drawn where it had to be fitted; none where it shows on one line.
    const std::optional<FittedText>& fitted() const { return fitted_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Cause cause_ = Cause::minimised;
    QString laidText_;  // the translation the layout was made for
    std::optional<FittedText> fitted_;
};

}  // namespace views
