#include "platform/linux/ProcessTools.h"

#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace linuxdesktop {
namespace {

QStringList qtArguments(const std::vector<std::string>& arguments)
{
    QStringList list;
    for (const auto& argument : arguments) list << QString::fromStdString(argument);
    return list;
}

}  // namespace

desktop::ToolOutcome ProcessTools::run(const std::string& path, const std::vector<std::string>& arguments,
                                       double timeoutSeconds)
{
    desktop::ToolOutcome outcome;
    QProcess process;
    process.setProgram(QString::fromStdString(path));
    process.setArguments(qtArguments(arguments));
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
    if (!process.waitForStarted()) return outcome;
    process.closeWriteChannel();  // a tool that reads its input sees the end at once
    const int milliseconds = static_cast<int>(std::clamp(std::ceil(timeoutSeconds * 1000), 0.0, 2147483647.0));
    if (!process.waitForFinished(milliseconds)) {
        process.kill();
        process.waitForFinished();
        outcome.kind = desktop::ToolOutcome::Kind::timedOut;
        return outcome;
    }
    outcome.kind = desktop::ToolOutcome::Kind::exited;
    outcome.exitStatus = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return outcome;
}

bool ProcessTools::launch(const std::string& path, const std::vector<std::string>& arguments)
{
    return QProcess::startDetached(QString::fromStdString(path), qtArguments(arguments));
}

std::optional<int> ProcessTools::startDetached(const std::string&, const std::vector<std::string>&)
{
    return std::nullopt;
}

}  // namespace linuxdesktop
