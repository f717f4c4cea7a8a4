#include "platform/linux/ProcessTools.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <thread>

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

namespace {

// Between fork and exec only async-signal-safe calls: everything is prepared before.
[[noreturn]] void becomeDetached(const char* path, char* const* argv, int errorPipe)
{
    ::setsid();
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) ::sigaction(signal, &standard, nullptr);
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        for (int stream = 0; stream <= 2; ++stream) ::dup2(null, stream);
        if (null > 2) ::close(null);
    }
    // Nothing this process holds (its instance lock among them) may outlive it in the tool.
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != errorPipe) ::close(fd);
    }
    ::execv(path, argv);
    const int error = errno;
    [[maybe_unused]] const auto written = ::write(errorPipe, &error, sizeof error);
    ::_exit(127);
}

}  // namespace

std::optional<int> ProcessTools::startDetached(const std::string& path, const std::vector<std::string>& arguments)
{
    std::vector<std::string> strings{path};
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& text : strings) argv.push_back(text.data());
    argv.push_back(nullptr);

    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) return std::nullopt;
    const pid_t pid = ::fork();
    if (pid == 0) becomeDetached(path.c_str(), argv.data(), errorPipe[1]);
    ::close(errorPipe[1]);
    if (pid < 0) {
        ::close(errorPipe[0]);
        return std::nullopt;
    }
    // The write end closes at a successful exec, so an empty read means the tool runs.
    int execError = 0;
    ssize_t got;
    do {
        got = ::read(errorPipe[0], &execError, sizeof execError);
    } while (got < 0 && errno == EINTR);
    ::close(errorPipe[0]);
    if (got > 0) {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
        return std::nullopt;
    }
    std::thread([pid] {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
    }).detach();
    return static_cast<int>(pid);
}

}  // namespace linuxdesktop
