#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>

class QLabel;
namespace ui {
class SymbolView;
}

// One item of the settings window's tab bar: a symbol over a title, tinted with the
// accent colour while selected.
class SettingsTabItem : public QWidget {
    Q_OBJECT

public:
    SettingsTabItem(const std::string& symbol, const QString& title, QWidget* parent = nullptr);

    std::function<void()> onClick;
    bool isSelected = false;

    // Paints the item from isSelected.
    void apply();
    // What a click on the item does.
    void tapped();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPointer<ui::SymbolView> iconView_;
    QPointer<QLabel> label_;
};
