#include "platform/ui/DialogAlertPresenter.h"

#include "platform/core/AppIdentity.h"
#include "platform/ui/LiteralText.h"
#include "platform/ui/OpenAlerts.h"
#include "platform/ui/TitleBar.h"
#include "platform/x11/X11ForegroundWindow.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <vector>

namespace ui {

long DialogAlertPresenter::runModal(const Alert& alert)
{
    QMessageBox box;
    // Without a title of its own the dialog is named after the executable, "glimra".
    box.setWindowTitle(QString::fromStdString(core::AppIdentity::current().name));
    box.setIcon(alert.style == AlertStyle::warning ? QMessageBox::Warning : QMessageBox::Information);
    box.setText(QString::fromStdString(alert.messageText));
    box.setInformativeText(QString::fromStdString(alert.informativeText));
    // Its texts may carry fields of a downloaded manifest. setTextFormat leaves the
    // informative text in Qt's automatic format, so every label is set.
    box.setTextFormat(Qt::PlainText);
    for (auto* label : box.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);

    const auto titles = shownButtonTitles(alert);
    std::vector<QPushButton*> buttons;
    for (std::size_t i = 0; i < titles.size(); ++i) {
        const auto role = i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole;
        buttons.push_back(box.addButton(literalText(titles[i]), role));
    }
    box.setDefaultButton(buttons.front());
    // It blocks every other window of ours until answered: it must not be where the user
    // cannot see it, under other windows or on another workspace.
    const auto window = static_cast<xcb_window_t>(box.winId());
    if (hasWindowSystem()) x11::keepAboveOnEveryWorkspace(window);
    const OpenAlert open(box);
    box.exec();

    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i]) return firstButtonResponse + static_cast<long>(i);
    // Closed without a button: the last one, the way out.
    return firstButtonResponse + static_cast<long>(buttons.size()) - 1;
}

}  // namespace ui
