#include "settings/SettingsTabItem.h"

#include "platform/ui/ControlNames.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/Symbols.h"
#include "platform/ui/SystemColors.h"
#include "settings/SettingsLayout.h"
#include "settings/WindowGeometry.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

SettingsTabItem::SettingsTabItem(const std::string& symbol, const QString& title, QWidget* parent) : QWidget(parent)
{
    using settings::tabItemHeight;
    using settings::tabItemWidth;
    resize(tabItemWidth, tabItemHeight);
    ui::setControlKind(*this, "tab");
    iconView_ = new ui::SymbolView(symbol, ui::systemColor("secondaryLabel"), this);
    iconView_->setGeometry(ui::viewGeometry({33, 24, 26, 24}, tabItemHeight, false));
    label_ = new QLabel(title, this);
    label_->setTextFormat(Qt::PlainText);
    label_->setObjectName(".label");
    label_->setAlignment(Qt::AlignCenter);
    label_->setGeometry(ui::viewGeometry({0, 6, tabItemWidth, 16}, tabItemHeight, false));
}

void SettingsTabItem::apply()
{
    const QColor tint = ui::systemColor(isSelected ? "controlAccent" : "secondaryLabel");
    iconView_->setTint(tint);
    QPalette palette = label_->palette();
    palette.setColor(QPalette::WindowText, tint);
    label_->setPalette(palette);
    label_->setFont(ui::font(isSelected ? settings::fonts::tabLabelSelected : settings::fonts::tabLabel));
    setProperty("isSelected", isSelected);
    update();
}

void SettingsTabItem::tapped()
{
    if (onClick) onClick();
}

void SettingsTabItem::paintEvent(QPaintEvent*)
{
    if (!isSelected) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor background = ui::systemColor("controlAccent");
    background.setAlphaF(0.12);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 9, 9);
    painter.fillPath(path, background);
}

void SettingsTabItem::mousePressEvent(QMouseEvent* event) { event->accept(); }

void SettingsTabItem::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) tapped();
}
