#include "app/ToolkitStartMessages.h"

#include "platform/core/OwnFolder.h"

#include <QString>
#include <QtGlobal>

#include <xcb/xcb.h>

#include <sys/mman.h>
#include <unistd.h>

namespace app {
namespace {

std::string display;
// The real standard error while the held output goes to an anonymous file; -1 when it
// could not be set aside.
int realError = -1;
int heldError = -1;
QtMessageHandler passedOn = nullptr;

bool acceptsAnotherClient()
{
    xcb_connection_t* probe = xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr);
    const bool accepted = !xcb_connection_has_error(probe);
    xcb_disconnect(probe);
    return accepted;
}

void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtFatalMsg) {
        passedOn(type, context, text);
        return;
    }
    const std::string why = acceptsAnotherClient()
                                ? "Qt cannot start on the X11 display '" + display +
                                      "': " + text.section('\n', 0, 0).toStdString()
                                : "the X11 display '" + display + "' accepts no more clients (Qt's own connection was refused)";
    core::writeAllTo(realError >= 0 ? realError : STDERR_FILENO, "glimra: " + why + "\n");
    ::_exit(1);
}

}  // namespace

ToolkitStartMessages::ToolkitStartMessages(std::string displayName)
{
    display = std::move(displayName);
    heldError = ::memfd_create("glimra-start-messages", MFD_CLOEXEC);
    realError = heldError >= 0 ? ::dup(STDERR_FILENO) : -1;
    if (realError >= 0) ::dup2(heldError, STDERR_FILENO);
    passedOn = qInstallMessageHandler(handle);
}

ToolkitStartMessages::~ToolkitStartMessages()
{
    qInstallMessageHandler(passedOn);
    if (realError >= 0) {
        ::dup2(realError, STDERR_FILENO);
        ::close(realError);
        std::string held;
        char buffer[4096];
        ssize_t n;
        ::lseek(heldError, 0, SEEK_SET);
        while ((n = ::read(heldError, buffer, sizeof buffer)) > 0) held.append(buffer, static_cast<std::size_t>(n));
        core::writeAllTo(STDERR_FILENO, held);
    }
    if (heldError >= 0) ::close(heldError);
}

}  // namespace app
