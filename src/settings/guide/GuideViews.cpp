#include "settings/guide/GuideViews.h"

#include "platform/ui/Coordinates.h"
#include "platform/ui/LiteralText.h"
#include "platform/ui/SystemColors.h"

#include <QLabel>
#include <QPushButton>

namespace guide {

void place(QWidget& view, const core::Rect& frame, double parentHeight)
{
    view.setGeometry(ui::viewGeometry(frame, parentHeight, false));
}

QLabel* makeLabel(const std::string& text, const ui::FontSpec& font, const char* colour, const char* name, QWidget* parent)
{
    auto* label = new QLabel(QString::fromStdString(text), parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setFont(ui::font(font));
    label->setFocusPolicy(Qt::NoFocus);
    setTextColour(*label, colour);
    return label;
}

void setTextColour(QLabel& label, const char* colour)
{
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, ui::systemColor(colour));
    label.setPalette(palette);
}

QPushButton* makeButton(const std::string& title, const char* name, std::function<void()> action, QWidget* parent)
{
    auto* button = new QPushButton(ui::literalText(title), parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, button, [action = std::move(action)] { action(); });
    return button;
}

}  // namespace guide
