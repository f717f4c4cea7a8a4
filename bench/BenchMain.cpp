#include "BenchFolder.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Settings, logs and Qt's runtime folder (which Qt makes in the temporary folder when
// XDG_RUNTIME_DIR is unset) all land in the run's own folder, never in the user's home.
void keepOutOfTheHome()
{
    const std::string folder = benchFolder();
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        ::setenv(name, folder.c_str(), 1);
    // Qt wants a runtime folder of the user's alone.
    const std::string runtime = folder + "/runtime";
    if (::mkdir(runtime.c_str(), 0700) != 0) std::abort();
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}

}  // namespace

// The widget application lives in main's frame: a static one would be destroyed by the
// exit handlers after Qt's thread storage, and its windows with it.
int main(int argc, char** argv)
{
    // The X11 benchmarks need a display: without one the run starts again on a headless
    // desktop of its own.
    if (!std::getenv("DISPLAY")) {
        std::vector<char*> arguments{const_cast<char*>(GLIMRA_X11_DESKTOP)};
        for (int i = 0; i < argc; ++i) arguments.push_back(argv[i]);
        arguments.push_back(nullptr);
        ::execv(GLIMRA_X11_DESKTOP, arguments.data());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    keepOutOfTheHome();
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
