#pragma once

#include <QApplication>

#include <cstdlib>

// The one widget application of the benchmark run, headless unless the caller chose a
// platform.
inline void startBenchApplication()
{
    static int argc = 1;
    static char name[] = "glimra_bench";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!QApplication::instance()) new QApplication(argc, argv);
}
