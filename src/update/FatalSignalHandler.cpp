#include "update/FatalSignalHandler.h"

#include "update/CrashStack.h"
#include "update/SignalSafeText.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FatalSignalHandler {

namespace {

using SignalSafeText::Text;

struct FatalSignal {
    int number;
    const char* name;
};
constexpr FatalSignal fatalSignals[] = {
    {SIGSEGV, "SIGSEGV"}, {SIGBUS, "SIGBUS"}, {SIGILL, "SIGILL"}, {SIGFPE, "SIGFPE"}, {SIGABRT, "SIGABRT"}};
constexpr std::size_t signalCount = std::size(fatalSignals);

// Everything the handler reads is prepared here: it may not allocate.
char reportBase[4096];
char reportBelow[4096];
char reportPreamble[4096];
struct sigaction previousActions[signalCount];

struct UtcTime {
    std::int64_t year;
    unsigned month, day, hour, minute, second;
};

// The civil date of a count of days since 1970-01-01 (proleptic Gregorian), without the
// library, which is not safe inside a signal handler.
UtcTime utcTime(std::int64_t secondsSinceEpoch)
{
    std::int64_t days = secondsSinceEpoch / 86400;
    std::int64_t secondOfDay = secondsSinceEpoch % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        --days;
    }
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const auto day = static_cast<unsigned>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const auto month = static_cast<unsigned>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0),
            month,
            day,
            static_cast<unsigned>(secondOfDay / 3600),
            static_cast<unsigned>(secondOfDay % 3600 / 60),
            static_cast<unsigned>(secondOfDay % 60)};
}

template <std::size_t capacity>
void appendDate(Text<capacity>& text, const UtcTime& time, const char* dateTimeSeparator, const char* timeSeparator)
{
    text.appendNumber(static_cast<std::uint64_t>(time.year), 4);
    text.append("-");
    text.appendNumber(time.month, 2);
    text.append("-");
    text.appendNumber(time.day, 2);
    text.append(dateTimeSeparator);
    text.appendNumber(time.hour, 2);
    text.append(timeSeparator);
    text.appendNumber(time.minute, 2);
    text.append(timeSeparator);
    text.appendNumber(time.second, 2);
}

// The folder and its parents, made only when a report is due: a launch leaves nothing.
template <std::size_t capacity>
void makeFolders(Text<capacity>& folder)
{
    for (std::size_t i = 1; i <= folder.length; ++i) {
        if (folder.data[i] != '/' && folder.data[i] != '\0') continue;
        const char kept = folder.data[i];
        folder.data[i] = '\0';
        ::mkdir(folder.data, 0700);
        folder.data[i] = kept;
    }
}

void writeReport(const FatalSignal& signal, const void* context)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const UtcTime time = utcTime(now.tv_sec);
    const auto pid = static_cast<std::uint64_t>(::getpid());

    Text<sizeof reportBase> base;
    base.append(reportBase);
    makeFolders(base);
    int folder = ::open(base.data, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // Below the base every folder is ours: never followed through a link.
    for (const char* name = reportBelow; folder >= 0 && *name;) {
        Text<sizeof reportBelow> part;
        while (*name && *name != '/') {
            const char one[2] = {*name++, '\0'};
            part.append(one);
        }
        if (*name == '/') ++name;
        if (part.length == 0) continue;
        ::mkdirat(folder, part.data, 0700);
        const int next = ::openat(folder, part.data, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(folder);
        folder = next;
    }
    if (folder < 0) return;
    Text<64> name;
    name.append("Glimra-");
    appendDate(name, time, "-", "");
    name.append("-");
    name.appendNumber(pid);
    name.append(".crash");
    const int fd = ::openat(folder, name.data, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    ::close(folder);
    if (fd < 0) return;

    Text<256> details;
    details.append("Signal: ");
    details.append(signal.name);
    details.append(" (");
    details.appendNumber(static_cast<std::uint64_t>(signal.number));
    details.append(")\nTime: ");
    appendDate(details, time, "T", ":");
    details.append("Z\nProcess: ");
    details.appendNumber(pid);
    details.append("\n");
    SignalSafeText::writeAll(fd, reportPreamble, std::strlen(reportPreamble));
    SignalSafeText::write(fd, details);
    CrashStack::write(fd, context);
    ::close(fd);
}

void onFatalSignal(int number, siginfo_t* info, void* context)
{
    const int savedErrno = errno;
    for (const FatalSignal& signal : fatalSignals) {
        if (signal.number == number) writeReport(signal, context);
    }
    // One report per death: whatever handled these signals before takes over again.
    for (std::size_t i = 0; i < signalCount; ++i) ::sigaction(fatalSignals[i].number, &previousActions[i], nullptr);
    errno = savedErrno;
    // A fault the kernel raised recurs when the instruction runs again, now reaching the
    // previous handler with its true details; a sent signal has to be sent again.
    if (!info || info->si_code <= 0) ::raise(number);
}

// The handler must run even when the stack overflowed; a stack a sanitizer already set
// up is kept.
void ensureAlternateStack()
{
    stack_t current{};
    if (::sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE)) return;
    constexpr std::size_t stackSize = 256 * 1024;
    stack_t stack{};
    stack.ss_sp = std::malloc(stackSize);  // lives as long as the process
    if (!stack.ss_sp) return;
    stack.ss_size = stackSize;
    ::sigaltstack(&stack, nullptr);
}

void copyInto(char* buffer, std::size_t size, const std::string& text)
{
    const std::size_t length = std::min(size - 1, text.size());
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

}  // namespace

void install(const std::string& base, const std::string& below, const std::string& preamble)
{
    copyInto(reportBase, sizeof reportBase, base);
    copyInto(reportBelow, sizeof reportBelow, below);
    copyInto(reportPreamble, sizeof reportPreamble, preamble);
    ensureAlternateStack();
    CrashStack::prepare();
    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < signalCount; ++i) {
        struct sigaction current {};
        ::sigaction(fatalSignals[i].number, nullptr, &current);
        // Installed twice, it would hand the signal to itself.
        if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == onFatalSignal) continue;
        ::sigaction(fatalSignals[i].number, &action, &previousActions[i]);
    }
}

}  // namespace FatalSignalHandler
