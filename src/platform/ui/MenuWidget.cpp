#include "platform/ui/MenuWidget.h"

#include "platform/ui/LiteralText.h"

#include <QAction>
#include <QKeyEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

Q_DECLARE_METATYPE(ui::StyledTitle)

namespace ui {
namespace {

constexpr const char* styledTitleProperty = "glimraStyledTitle";
constexpr const char* descriptionProperty = "glimraDescription";
constexpr const char* keyEquivalentTextProperty = "glimraKeyEquivalentText";

// The menu's own font in the run's weight.
QFont runFont(TitleRun::Weight weight, QFont font = {})
{
    switch (weight) {
    case TitleRun::Weight::regular: font.setWeight(QFont::Normal); break;
    case TitleRun::Weight::medium: font.setWeight(QFont::Medium); break;
    case TitleRun::Weight::bold: font.setWeight(QFont::Bold); break;
    }
    return font;
}

QColor runColor(const TitleRun& run, const QPalette& palette)
{
    switch (run.color) {
    case TitleRun::Color::red: return QColor(255, 59, 48);
    case TitleRun::Color::accent: return palette.color(QPalette::Active, QPalette::Highlight);
    case TitleRun::Color::label: break;
    }
    return palette.color(QPalette::Active, QPalette::Text);
}

// Draws a styled item as the base style draws a plain one, its title run by run; a menu
// taller than its screen's work area scrolls inside it rather than spreading into columns
// off the screen's side.
class MenuStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_Menu_Scrollable) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        const auto* menu = qobject_cast<const QMenu*>(widget);
        const QAction* action = element == CE_MenuItem && item && menu ? menu->actionAt(item->rect.center()) : nullptr;
        const auto title = action ? MenuWidget::styledTitle(*action) : std::nullopt;
        if (!title) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        // The item without its title (the shortcut after the tab stays).
        QStyleOptionMenuItem frame(*item);
        const auto tab = item->text.indexOf(QLatin1Char('\t'));
        frame.text = tab < 0 ? QString() : item->text.mid(tab);
        QProxyStyle::drawControl(element, &frame, painter, widget);

        const bool selected = item->state.testFlag(State_Selected) && item->state.testFlag(State_Enabled);
        painter->save();
        painter->setClipRect(item->rect);
        int advance = 0;
        for (const auto& run : *title) {
            QStyleOptionMenuItem piece(*item);
            piece.text = literalText(run.text);
            piece.font = runFont(run.weight, item->font);
            piece.state &= ~State_Selected;
            piece.menuItemType = QStyleOptionMenuItem::Normal;
            piece.checkType = QStyleOptionMenuItem::NotCheckable;
            piece.icon = QIcon();
            piece.rect.adjust(advance, 0, 0, 0);
            const QColor color = selected ? item->palette.color(QPalette::Active, QPalette::HighlightedText)
                                          : runColor(run, item->palette);
            for (const auto group : {QPalette::Active, QPalette::Inactive})
                for (const auto role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
                    piece.palette.setColor(group, role, color);
            QProxyStyle::drawControl(element, &piece, painter, widget);
            advance += QFontMetrics(piece.font).horizontalAdvance(QString::fromStdString(run.text));
        }
        painter->restore();
    }
};

QStyle* menuStyle()
{
    static QStyle* style = new MenuStyle;  // lives as long as the process, like the app's style
    return style;
}

}  // namespace

MenuWidget::MenuWidget() { setStyle(menuStyle()); }

void MenuWidget::setStyledTitle(QAction& action, const StyledTitle& title)
{
    StyledTitle shown = title;
    auto heaviest = TitleRun::Weight::regular;
    for (auto& run : shown) {
        run.text = oneLine(run.text);
        heaviest = std::max(heaviest, run.weight);
    }
    action.setProperty(styledTitleProperty, QVariant::fromValue(shown));
    // The heaviest run's weight sizes the item, so every run fits; an action's font sets
    // only what it was given, so the size stays the menu's.
    action.setFont(runFont(heaviest));
    action.setText(literalText(shownText(shown)));
}

std::optional<StyledTitle> MenuWidget::styledTitle(const QAction& action)
{
    const QVariant value = action.property(styledTitleProperty);
    if (!value.canConvert<StyledTitle>()) return std::nullopt;
    return value.value<StyledTitle>();
}

void MenuWidget::setDescription(QAction& action, const std::string& description)
{
    action.setProperty(descriptionProperty, QString::fromStdString(description));
}

std::string MenuWidget::description(const QAction& action)
{
    return action.property(descriptionProperty).toString().toStdString();
}

void MenuWidget::setKeyEquivalentText(QAction& action, const std::string& text)
{
    action.setProperty(keyEquivalentTextProperty, QString::fromStdString(text));
}

std::string MenuWidget::keyEquivalentText(const QAction& action)
{
    const QString text = action.property(keyEquivalentTextProperty).toString();
    return (text.isEmpty() ? action.shortcut().toString(QKeySequence::NativeText) : text).toStdString();
}

void MenuWidget::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const
{
    QMenu::initStyleOption(option, action);
    const QString text = action ? action->property(keyEquivalentTextProperty).toString() : QString();
    if (text.isEmpty()) return;
    // The style draws what follows the tab as the item's shortcut.
    option->text = option->text.left(option->text.indexOf(u'\t')) + u'\t' + text;
}

void MenuWidget::showEvent(QShowEvent* event)
{
    QMenu::showEvent(event);
    if (auto callback = onShownOrResized) callback();
}

void MenuWidget::resizeEvent(QResizeEvent* event)
{
    QMenu::resizeEvent(event);
    if (!isVisible()) return;
    if (auto callback = onShownOrResized) callback();
}

void MenuWidget::keyPressEvent(QKeyEvent* event)
{
    const QKeySequence pressed(event->keyCombination());
    for (QAction* action : actions()) {
        if (action->shortcut().isEmpty() || action->shortcut() != pressed) continue;
        if (action->isEnabled() && action->isVisible()) {
            // Closing first, as a click does: the action then runs after the menu is gone.
            if (closeAll)
                closeAll();
            else
                hide();
            action->trigger();
        }
        event->accept();
        return;
    }
    QMenu::keyPressEvent(event);
}

}  // namespace ui
