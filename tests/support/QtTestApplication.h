#pragma once

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace testsupport {

// The one QApplication of the test binary, made on first use (headless unless the
// environment says otherwise) and kept to the end.
inline void ensureQtApplication()
{
    if (auto* existing = QCoreApplication::instance()) {
        if (!qobject_cast<QApplication*>(existing)) {
            std::fprintf(stderr, "tests: a non-widget application object exists already\n");
            std::abort();
        }
        return;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "glimra_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

}  // namespace testsupport
