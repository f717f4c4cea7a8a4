// The General tab built anew (cards, rows, sliders, pop-ups and the growth rule), next to
// measuring the same row texts alone, which is the least a rebuild has to do.
#include "BenchFolder.h"
#include "foundation/Diag.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/ManualScheduler.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimWorld.h"
#include "settings/SettingsLayout.h"
#include "settings/SettingsWindow.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QLabel>

#include <cstdlib>

namespace {

struct SettingsEnvironment {
    SettingsEnvironment()
    {
        ::setenv("XDG_DATA_HOME", benchFolder().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", benchFolder().c_str(), 1);
        Diag::resetLocation();
        dispatch::install(scheduler);
        auto world = std::make_shared<sim::SimWorld>();
        world->addDisplay(
            {1, {0, 0, 1512, 982}, {0, 25, 1512, 957}, 2, {1512, 982, 3024, 1964, 60}, {344, 222}, "Built-in"});
        desktop::install(sim::makeSimDesktop(world));
        SettingsWindow::shared().showSettings(0);
    }

    std::shared_ptr<dispatch::ManualScheduler> scheduler = std::make_shared<dispatch::ManualScheduler>();
};

SettingsWindow& generalTab()
{
    static SettingsEnvironment environment;
    return SettingsWindow::shared();
}

// The built tab's row texts with the column each is wrapped at.
struct RowText {
    std::string title;
    std::string subtitle;
    double controlWidth = 0;
};

std::vector<RowText> rowTexts(SettingsWindow& window)
{
    std::vector<RowText> rows;
    for (auto* row : window.contentArea()->findChildren<SettingsRowView*>()) {
        if (!row->titleLabel || !row->subtitleLabel) continue;
        rows.push_back({row->titleLabel->text().toStdString(), row->subtitleLabel->text().toStdString(),
                        574.0 - 30 - row->titleLabel->width()});
    }
    return rows;
}

void BM_TabRebuild(benchmark::State& state)
{
    SettingsWindow& window = generalTab();
    for (auto _ : state) {
        window.rebuildContent();
        // What the event loop does after a rebuild: the old views go, layout requests run.
        QCoreApplication::sendPostedEvents();
    }
}
BENCHMARK(BM_TabRebuild)->Unit(benchmark::kMicrosecond);

void BM_TextMeasure(benchmark::State& state)
{
    const std::vector<RowText> rows = rowTexts(generalTab());
    const settings::TextMeasurer& measurer = settings::qtTextMeasurer();
    for (auto _ : state) {
        for (const RowText& row : rows)
            benchmark::DoNotOptimize(settings::rowMetrics(measurer, row.title, row.subtitle, row.controlWidth, 3));
    }
    state.counters["rows"] = static_cast<double>(rows.size());
}
BENCHMARK(BM_TextMeasure)->Unit(benchmark::kMicrosecond);

}  // namespace
