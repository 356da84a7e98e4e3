// Shows the station connected to the controller twin, for the documentation's
// screenshots (run under xvfb-run; not a test). Two scenes:
//   transfer  the demo program compiled: the transfer window's report, the write
//             uncovered
//   running   the demo written and started: the executed line selected, the
//             program indicator lit
//   firmware  a firmware update of FIRMWARE.bin (given after OUTPUT.png) through
//             the password window, to its end
// The scene grabs the whole screen into OUTPUT.png and ends.
//   device_screenshot_scene transfer|running|firmware DEMO.pri OUTPUT.png [FIRMWARE.bin]
#include <QApplication>
#include <QFileInfo>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <functional>

#include "device/device_station.h"
#include "shell/gui/kompilacja_window.h"
#include "shell/gui/main_window.h"
#include "sim/simulated_ftdi.h"
#include "support/scene_station.h"
#include "ui/dialogs.h"

namespace {

// Runs `step` once `ready` holds, polling the event loop every 20 ms.
void when(const std::function<bool()>& ready, const std::function<void()>& step) {
    if (ready()) {
        step();
        return;
    }
    QTimer::singleShot(20, [ready, step] { when(ready, step); });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 4) return 2;
    const QString scene = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[3]);

    rv720::sim::SimulatedFtdi ftdi;
    ftdi.setWireTimeEmulation(true);
    rv720::SceneStation rig(&ftdi);
    rv720::ScriptedDialogs& dialogs = rig.dialogs;
    rv720::Station& station = rig.station;
    rv720::TFMain* main = station.main();
    auto* transfer = qobject_cast<rv720::TFKompilacja*>(station.window(rv720::Window::FKompilacja));

    // Opened through the Open workflow, so the caption names the file.
    dialogs.fileAnswers = {QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath()};
    main->show();
    main->OpenButtonClick();
    if (main->model().length() == 0) return 1;
    main->ConnectButtonClick();

    auto grab = [&] {
        QTimer::singleShot(400, [&] {
            QApplication::primaryScreen()->grabWindow(0).save(output);
            QCoreApplication::exit(0);  // quit would ask the main window to close
        });
    };
    auto written = [main] { return main->Warning2->text() == "Saving to EEPROM memory finished"; };

    if (scene == QLatin1String("firmware")) {
        if (argc < 5) return 2;
        dialogs.fileAnswers = {QFileInfo(QString::fromLocal8Bit(argv[4])).absoluteFilePath()};
        main->device().PassOkButtonClick(rv720::kFirmwarePassword);
        when([main] { return !main->isConnected(); }, grab);
        return app.exec();
    }
    main->WriteProgramButtonClick();
    if (scene == QLatin1String("transfer")) {
        grab();
    } else {
        transfer->DownloadButtonClick();
        when(written, [&] {
            // Stay a while in the loop of the demo so the executed line has moved.
            QTimer::singleShot(500, [&] {
                main->PlayProgramButtonClick();
                QTimer::singleShot(3500, grab);
            });
        });
    }
    return app.exec();
}
