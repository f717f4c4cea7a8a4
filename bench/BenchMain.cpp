#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <unistd.h>
#include <vector>

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
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
