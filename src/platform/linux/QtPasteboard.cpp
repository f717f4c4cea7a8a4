#include "platform/linux/QtPasteboard.h"

#include "platform/dispatch/Queue.h"

#include <QClipboard>
#include <QGuiApplication>

namespace linuxdesktop {
namespace {

QClipboard* clipboard()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
}

}  // namespace

void QtPasteboard::setString(const std::string& text)
{
    auto write = [text] {
        if (QClipboard* board = clipboard()) board->setText(QString::fromStdString(text));
    };
    if (dispatch::main().isCurrent())
        write();
    else
        dispatch::main().async(write);
}

std::optional<std::string> QtPasteboard::string()
{
    auto read = []() -> std::optional<std::string> {
        QClipboard* board = clipboard();
        if (!board) return std::nullopt;
        const QString text = board->text();
        if (text.isEmpty()) return std::nullopt;
        return text.toStdString();
    };
    return dispatch::main().isCurrent() ? read() : dispatch::main().syncResult(read);
}

}  // namespace linuxdesktop
