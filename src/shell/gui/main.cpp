// rv720-station: the station's main routine. It names the application, creates
// the ten windows once in their fixed order, shows the main window and runs the
// event loop until the main window's close path ends it.
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <exception>

#include "shell/gui/dialogs.h"
#include "shell/gui/main_window.h"
#include "shell/gui/qt_adapters.h"
#include "shell/gui/station_app.h"

int main(int argc, char** argv) {
    // Command-line options other than Qt's own (for example a device to open)
    // are left to the layers that will use them; none is an error here.
    QApplication app(argc, argv);
    int result = 0;
    try {
        QApplication::setApplicationName(QStringLiteral("rv720-station"));
        QApplication::setApplicationDisplayName(rv720::kApplicationTitle);
        // The manual's location, for anything that wants it; the help button builds
        // its own path from the start-up directory.
        app.setProperty("helpFile",
                        QDir::current().absoluteFilePath(QStringLiteral("help/RV_702_HELP.html")));

        rv720::QtDialogs dialogs;
        rv720::QtTimerFactory timers;
        rv720::QtClock clock;
        rv720::Station station(dialogs, timers, clock);
        QObject::connect(station.main(), &rv720::TFMain::terminateRequested, &app,
                         &QCoreApplication::quit, Qt::QueuedConnection);
        station.main()->show();
        result = app.exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, rv720::kApplicationTitle, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, rv720::kApplicationTitle, QString());
    }
    (void)result;
    return 0;
}
