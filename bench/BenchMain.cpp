#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>

// The widget application lives in main's frame: a static one would be destroyed by the
// exit handlers after Qt's thread storage, and its windows with it.
int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
