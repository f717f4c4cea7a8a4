#include "app/HeadlessNotices.h"

#include <QString>
#include <QtGlobal>

namespace app {
namespace {

QtMessageHandler previousHandler = nullptr;

void filter(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QStringLiteral("This plugin does not support "))) return;
    if (previousHandler) previousHandler(type, context, message);
}

}  // namespace

void dropHeadlessNotices()
{
    static const bool installed = [] {
        previousHandler = qInstallMessageHandler(filter);
        return true;
    }();
    (void)installed;
}

}  // namespace app
