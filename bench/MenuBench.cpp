// Building the status menu for 60 cached windows with thumbnails, next to a plain menu of
// 65 bare rows (label, image and button) built without any of the menu's logic.
#include "BenchFolder.h"
#include "app/MenuThumbnail.h"
#include "app/StatusMenu.h"
#include "foundation/Diag.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/ManualScheduler.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimWorld.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QWidgetAction>

#include <cstdlib>
#include <memory>

namespace {

constexpr int windowCount = 60;

struct MenuEnvironment {
    MenuEnvironment()
    {
        ::setenv("XDG_DATA_HOME", benchFolder().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", benchFolder().c_str(), 1);
        Diag::resetLocation();
        dispatch::install(scheduler);

        world->addDisplay(
            {1, {0, 0, 1512, 982}, {0, 25, 1512, 957}, 2, {1512, 982, 3024, 1964, 60}, {344, 222}, "Built-in"});
        sim::SimApp app;
        app.info.pid = 700;
        app.info.name = "Editor";
        world->addApp(app);
        for (int i = 0; i < windowCount; ++i) {
            sim::SimWindow window;
            window.id = static_cast<desktop::WindowID>(2000 + i);
            window.pid = 700;
            window.title = "Document " + std::to_string(i) + " — a title of ordinary length";
            window.frame = core::Rect(20 + i * 7, 40 + i * 5, 800 + i * 3, 600);
            world->addWindow(window);
            desktop::ShareableWindow shareable;
            shareable.windowID = window.id;
            shareable.frame = window.frame;
            shareable.title = window.title;
            shareable.owningApplication = desktop::ShareableApplication{"com.example.editor", "Editor", 700};
            windows.push_back(shareable);
        }
        desktop::install(sim::makeSimDesktop(world));
        MenuThumbnail::reset();
        for (int pass = 0; pass < 6; ++pass) {
            MenuThumbnail::warm(windows, true);
            scheduler->runUntilIdle();
        }
        if (MenuThumbnail::cacheCount() != windows.size()) std::abort();
    }
    ~MenuEnvironment()
    {
        MenuThumbnail::reset();
        dispatch::install(nullptr);
    }

    std::shared_ptr<dispatch::ManualScheduler> scheduler = std::make_shared<dispatch::ManualScheduler>();
    std::shared_ptr<sim::SimWorld> world = std::make_shared<sim::SimWorld>();
    std::vector<desktop::ShareableWindow> windows;
};

void BM_MenuRebuild60(benchmark::State& state)
{
    MenuEnvironment environment;
    app::StatusMenu menu(app::StatusMenu::Host{});
    menu.setCachedWindows(environment.windows);
    for (auto _ : state) {
        menu.rebuildMenu(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
BENCHMARK(BM_MenuRebuild60)->Unit(benchmark::kMicrosecond);

void BM_PlainRows65(benchmark::State& state)
{
    MenuEnvironment environment;
    const QPixmap image = QPixmap::fromImage(*MenuThumbnail::cached(environment.windows.front().windowID));
    for (auto _ : state) {
        auto menu = std::make_unique<QMenu>();
        for (int i = 0; i < 65; ++i) {
            auto* row = new QWidget;
            auto* layout = new QHBoxLayout(row);
            auto* picture = new QLabel;
            picture->setPixmap(image);
            layout->addWidget(picture);
            layout->addWidget(new QLabel(QStringLiteral("Editor · Document %1").arg(i)));
            layout->addWidget(new QPushButton);
            auto* action = new QWidgetAction(menu.get());
            action->setDefaultWidget(row);
            menu->addAction(action);
        }
        menu.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
BENCHMARK(BM_PlainRows65)->Unit(benchmark::kMicrosecond);

}  // namespace
