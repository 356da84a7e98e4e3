#pragma once
// One QApplication for a GUI test binary, created on first use.
#include <QApplication>
#include <QString>
#include <ostream>

namespace rv720 {

inline QApplication& testApp() {
    static int argc = 1;
    static char name[] = "rv720-tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM",
                qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
        return new QApplication(argc, argv);
    }();
    return *app;
}

}  // namespace rv720

// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
