#include "scenario/GlimraProcess.h"

#include "support/ChildEnvironment.h"
#include "support/TestEnvironment.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>

namespace testsupport {

namespace {

// A sanitizer's report goes to the process's stderr and the process ends; a test that
// only looks at windows, or kills the process at its end, would miss it.
void failOnSanitizerReport(const std::string& err)
{
    if (err.find("ERROR: AddressSanitizer") != std::string::npos || err.find(": runtime error: ") != std::string::npos)
        ADD_FAILURE() << "glimra's sanitizers reported:\n" << err;
}

}  // namespace

ProcessOutcome runGlimra(const std::string& arguments, const std::string& scratchFolder, const std::string& environment)
{
    const std::string out = scratchFolder + "/stdout.txt";
    const std::string err = scratchFolder + "/stderr.txt";
    const std::string command = environment + " " + GLIMRA_EXECUTABLE + " " + arguments + " >" + out + " 2>" + err;
    const int raw = std::system(command.c_str());
    ProcessOutcome outcome{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(out), readFile(err)};
    failOnSanitizerReport(outcome.err);
    return outcome;
}

GlimraChild::GlimraChild(const std::vector<std::string>& arguments, const std::string& scratchFolder,
                         const std::map<std::string, std::string>& environment)
    : GlimraChild(GLIMRA_EXECUTABLE, arguments, scratchFolder, environment)
{
}

GlimraChild::GlimraChild(const std::string& executable, const std::vector<std::string>& arguments,
                         const std::string& scratchFolder, const std::map<std::string, std::string>& environment)
    : scratch_(scratchFolder)
{
    std::vector<std::string> argText{executable};
    argText.insert(argText.end(), arguments.begin(), arguments.end());
    const auto envText = childEnvironment(environment);
    auto argv = nullTerminated(argText);
    auto envp = nullTerminated(envText);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, (scratch_ + "/stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, 2, (scratch_ + "/stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (posix_spawn(&pid_, executable.c_str(), &files, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&files);
}

GlimraChild::~GlimraChild()
{
    if (running()) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (pid_ > 0 && !crashSent_) failOnSanitizerReport(err());
}

void GlimraChild::signal(int signalNumber)
{
    if (!running()) return;
    ::kill(pid_, signalNumber);
    crashSent_ = crashSent_ || signalNumber == SIGSEGV || signalNumber == SIGBUS || signalNumber == SIGILL ||
                 signalNumber == SIGFPE || signalNumber == SIGABRT;
}

bool GlimraChild::running()
{
    if (pid_ <= 0 || status_) return false;
    int raw = 0;
    rusage usage{};
    if (::wait4(pid_, &raw, WNOHANG, &usage) != pid_) return true;
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    peakResidentBytes_ = static_cast<long long>(usage.ru_maxrss) * 1024;
    return false;
}

std::optional<int> GlimraChild::waitForExit(double timeoutSeconds)
{
    waitUntil(timeoutSeconds, [&] { return !running(); });
    return status_;
}

std::string GlimraChild::err() const { return readFile(scratch_ + "/stderr.txt"); }

bool waitUntil(double timeoutSeconds, const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace testsupport
