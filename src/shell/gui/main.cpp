// rv720-station: the station's main routine. It names the application, picks the
// controller's device, creates the ten windows once in their fixed order, shows
// the main window and runs the event loop until the main window's close path
// ends it.
//
//   rv720-station [--device auto|ftdi|ftdi:SERIAL|simulator|PATH] [--eeprom PATH] [--version]
//                 [FILE.pri]
//
// A program file named on the command line is opened at start, as Open would
// open it (its errors go to the status lines). Recent files, the last folder and
// the secondary windows' positions are kept in the user's settings
// (~/.config/rv720/rv720-station.ini on Linux).
//
// auto (the default) is the converter found by its USB description, through
// libftdi or else its serial port; ftdi that converter through libftdi only,
// ftdi:SERIAL the converter with that serial number; simulator the built-in
// controller twin (its EEPROM in --eeprom, else $RV720_EEPROM, else the user's
// data folder); PATH a serial port. Nothing is opened before Connect.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QSettings>
#include <cstdio>
#include <cstring>
#include <exception>

#include "app/device_factory.h"
#include "shell/gui/help_viewer.h"
#include "shell/gui/main_window.h"
#include "shell/gui/station_app.h"
#include "support/build_info.h"
#include "ui/dialogs.h"
#include "ui/qt_adapters.h"
#include "ui/station_settings.h"

namespace {

// The device the options name, or an empty device with the reason.
rv720::OpenedDevice deviceFromOptions(const QCommandLineParser& parser) {
    rv720::DeviceOptions options;
    const QString eeprom = parser.value(QStringLiteral("eeprom"));
    options.eepromPath = rv720::simulatorEepromPath(
        eeprom.isEmpty() ? std::nullopt
                         : std::optional<std::string>(QFile::encodeName(eeprom).toStdString()));
    return rv720::makeFtdi(parser.value(QStringLiteral("device")).toStdString(), options);
}

// --help and --version only print, so they must work without a display too (a
// terminal over ssh, help2man writing the manual page at build time).
bool onlyPrints(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (onlyPrints(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rv720-station"));
    QApplication::setApplicationVersion(QString::fromLatin1(rv720::kVersion));
    QApplication::setApplicationDisplayName(rv720::kApplicationTitle);
    // The desktop entry and the icon theme name it; the built-in copy serves a
    // station that is not installed.
    QApplication::setDesktopFileName(QStringLiteral("rv720-station"));
    QApplication::setWindowIcon(QIcon::fromTheme(
        QStringLiteral("rv720-station"), QIcon(QStringLiteral(":/icons/rv720-station.svg"))));

    QCommandLineParser parser;
    parser.setApplicationDescription(rv720::kApplicationTitle);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("device"),
                      QStringLiteral("The controller: auto (its USB converter through libftdi "
                                     "or its serial port, the default), ftdi (through libftdi "
                                     "only), ftdi:SERIAL (the converter with that serial "
                                     "number), simulator (the built-in twin) or a serial port "
                                     "path."),
                      QStringLiteral("DEV"), QStringLiteral("auto")});
    parser.addOption({QStringLiteral("eeprom"),
                      QStringLiteral("The simulator's EEPROM file (default: $RV720_EEPROM, else "
                                     "the user's data folder)."),
                      QStringLiteral("PATH")});
    parser.addPositionalArgument(
        QStringLiteral("file"), QStringLiteral("A program file (.pri or .rv720) to open at start."),
        QStringLiteral("[FILE.pri]"));
    if (!parser.parse(QApplication::arguments())) {
        std::fprintf(stderr, "rv720-station: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version"))) parser.showVersion();

    rv720::OpenedDevice device = deviceFromOptions(parser);
    if (!device) {
        std::fprintf(stderr, "rv720-station: %s\n", device.error.c_str());
        return 2;
    }

    int result = 0;
    try {
        // The manual's location, for anything that wants it; the help button looks
        // it up again, the same way.
        app.setProperty("helpFile", rv720::findManual(QDir::currentPath(),
                                                      QCoreApplication::applicationDirPath()));

        rv720::QtDialogs dialogs;
        rv720::QtTimerFactory timers;
        rv720::QtClock clock;
        QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("rv720"),
                        QStringLiteral("rv720-station"));
        rv720::StationSettings settings(&store);
        rv720::Station station(dialogs, timers, clock, device.ftdi.get(), &settings);
        QObject::connect(station.main(), &rv720::TFMain::terminateRequested, &app,
                         &QCoreApplication::quit, Qt::QueuedConnection);
        station.main()->show();
        if (!parser.positionalArguments().isEmpty())
            station.main()->openNamedFile(
                QFileInfo(parser.positionalArguments().first()).absoluteFilePath());
        result = app.exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, rv720::kApplicationTitle, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, rv720::kApplicationTitle, QString());
    }
    (void)result;
    return 0;
}
