#pragma once

#include "app/MenuModel.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <string>

class QLabel;
class QToolButton;

namespace app {

// One window of the status menu: thumbnail, label and a focus button at the right. It
// draws its own hover highlight (one row at a time across all menus) and closes the
// whole menu before it reports a pick or a focus click on the next main-queue turn.
class MenuWindowRow : public QWidget {
public:
    // The title names the row in listings; the shown title is what it draws.
    MenuWindowRow(const std::string& title, const std::string& shownTitle, const QImage& thumbImage);
    ~MenuWindowRow() override;

    std::function<void()> onPick;
    std::function<void()> onFocus;
    // Closes the menu the row sits in and every menu above it.
    std::function<void()> cancelTracking;

    // The width a row needs for the title next to a thumbnail of the given width.
    static double naturalWidth(const std::string& title, double thumbWidth);
    // Width of a text in the rows' label font (13 pt menu font).
    static double measureLabel(const std::string& text);
    // The text cut at its end with an ellipsis to the width, in that font.
    static QString elidedLabel(const std::string& text, double width);

    void setRowWidth(double width);
    // The window was renamed: the row shows the new title at the width it has.
    void retitle(const std::string& title, const std::string& shownTitle);
    bool isHovered() const { return hovered_; }
    std::string title() const { return title_; }

    // Clears the highlight of every existing row (menu open and close).
    static void clearHoverOfAllRows();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setHovered(bool value);
    void focusTapped();
    void layoutParts();

    std::string title_;
    std::string shownTitle_;
    QLabel* thumb_ = nullptr;
    QLabel* label_ = nullptr;
    QToolButton* focusBtn_ = nullptr;
    bool hasThumb_ = false;
    bool hovered_ = false;
};

}  // namespace app
