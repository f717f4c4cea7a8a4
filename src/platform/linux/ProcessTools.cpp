#include "platform/linux/ProcessTools.h"

#include <QDeadlineTimer>
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

void keepTail(std::string& output, const QByteArray& more)
{
    output.append(more.constData(), static_cast<std::size_t>(more.size()));
    constexpr auto cap = desktop::ToolOutcome::outputCap;
    if (output.size() > cap) output.erase(0, output.size() - cap);
}

}  // namespace

desktop::ToolOutcome ProcessTools::run(const std::string& path, const std::vector<std::string>& arguments,
                                       double timeoutSeconds)
{
    desktop::ToolOutcome outcome;
    QProcess process;
    process.setProgram(QString::fromStdString(path));
    process.setArguments(qtArguments(arguments));
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start();
    if (!process.waitForStarted()) return outcome;
    process.closeWriteChannel();  // a tool that reads its input sees the end at once
    const auto milliseconds = static_cast<qint64>(std::clamp(std::ceil(timeoutSeconds * 1000), 0.0, 9.0e15));
    const QDeadlineTimer deadline(milliseconds);
    // Read as it comes so a talkative tool neither blocks on a full pipe nor fills memory.
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        process.waitForReadyRead(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 1000)));
        keepTail(outcome.output, process.readAll());
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        keepTail(outcome.output, process.readAll());
        outcome.kind = desktop::ToolOutcome::Kind::timedOut;
        return outcome;
    }
    keepTail(outcome.output, process.readAll());
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
