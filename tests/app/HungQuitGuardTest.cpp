#include "app/HungQuitGuard.h"

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "platform/ui/SignalPipe.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

enum class MainThread { stuck, busyForThreeSeconds };

// The exit status of a child that got SIGTERM and guards its quit while its main thread
// takes no task, for good or for a while before it ends itself with status 7; asked, the
// server has been silent for `serverUnansweredFor`. -1 when it did not exit.
int quitStatus(std::optional<double> serverUnansweredFor, MainThread mainThread)
{
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        int argc = 1;
        char name[] = "quit-guard";
        char* argv[] = {name, nullptr};
        QCoreApplication application(argc, argv);
        auto scheduler = std::make_shared<dispatch::ThreadScheduler>();
        dispatch::install(scheduler);
        ui::SignalPipe::handle(SIGTERM, [] {});
        ::raise(SIGTERM);
        app::endQuitsThatHang([serverUnansweredFor] { return serverUnansweredFor; });
        if (mainThread == MainThread::busyForThreeSeconds) {
            std::this_thread::sleep_for(std::chrono::seconds(3));
            scheduler->drainMain();
            ::_exit(7);
        }
        for (;;) ::pause();
    }
    // The bound only decides a failure.
    int raw = 0;
    for (int polls = 0; ::waitpid(child, &raw, WNOHANG) == 0; ++polls) {
        if (polls == 3000) ::kill(child, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string log() { return testsupport::readFile(std::string(std::getenv("XDG_DATA_HOME")) + "/Glimra/diag.log"); }

TEST(HungQuitGuard, AQuitEndsTheProcessOnceItsMainThreadIsStuckWhateverTheServerDoes)
{
    const std::string heldLine = "退出：主线程与 X 服务器都 1 秒未响应（服务器被其他程序占住）⇒ 写好设置后直接退出";
    const std::string stuckLine = "退出：主线程 10 秒未响应 ⇒ 写好设置后直接退出";
    // Held by another client's grab: the fast way.
    EXPECT_EQ(quitStatus(5.0, MainThread::stuck), 0);
    EXPECT_NE(log().find(heldLine), std::string::npos) << log();
    // Answering: the main thread is stuck elsewhere.
    EXPECT_EQ(quitStatus(0.0, MainThread::stuck), 0);
    EXPECT_NE(log().find(stuckLine), std::string::npos) << log();
    // A main thread that is only busy finishes the quit itself.
    EXPECT_EQ(quitStatus(std::nullopt, MainThread::busyForThreeSeconds), 7);
}

}  // namespace
