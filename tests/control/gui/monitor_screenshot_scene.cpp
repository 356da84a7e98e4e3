// Shows the motor window during moves on the controller twin, for the
// documentation's screenshot (run under xvfb-run; not a test). The station
// connects, the operator's steps are replayed through the direct-control column
// (limits for all three motors, a move to a position on motor 1, jogs on motor 2,
// a run at a velocity on motor 3), and after a while the motor window, with its
// chart, is saved to OUTPUT.png.
//   monitor_screenshot_scene OUTPUT.png
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <vector>

#include "control/gui/podglad_silniki_window.h"
#include "control/gui/sterowanie_window.h"
#include "device/device_station.h"
#include "shell/gui/main_window.h"
#include "sim/simulated_ftdi.h"
#include "support/scene_station.h"
#include "ui/dialogs.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    const QString output = QString::fromLocal8Bit(argv[1]);

    rv720::sim::SimulatedFtdi ftdi;
    ftdi.setWireTimeEmulation(true);
    rv720::SceneStation rig(&ftdi);
    rv720::ScriptedDialogs& dialogs = rig.dialogs;
    rv720::Station& station = rig.station;
    rv720::TFMain* main = station.main();
    auto* control = qobject_cast<rv720::TFSterowanie*>(station.window(rv720::Window::FSterowanie));
    auto* motors =
        qobject_cast<rv720::TFPodgladSilniki*>(station.window(rv720::Window::FPodgladSilniki));

    main->show();
    main->ConnectButtonClick();
    main->ViweMotorButtonClick();

    auto send = [control](int motor, const QString& value) {
        (motor == 1   ? control->m1_check
         : motor == 2 ? control->m2_check
                      : control->m3_check)
            ->setChecked(true);
        control->number->setText(value);
        control->OkButtonClick();
    };
    // Each step waits for the previous command's reply (one outstanding at a time).
    std::vector<std::function<void()>> steps;
    for (int m = 1; m <= 3; ++m) {
        steps.push_back([=] {
            main->SetVmaxButtonClick();
            send(m, QStringLiteral("6"));
        });
        steps.push_back([=] {
            main->SetAmaxButtonClick();
            send(m, QStringLiteral("4"));
        });
    }
    steps.push_back([=] {
        main->SetXdestButtonClick();
        send(1, QStringLiteral("24000"));
    });
    steps.push_back([=] {
        main->SetVdestButtonClick();
        send(3, QStringLiteral("-2.5"));
    });
    for (int i = 0; i < 4; ++i) {
        steps.push_back([=] {
            main->SetXdestButtonClick();
            control->m2_check->setChecked(true);
            control->Inc->setCurrentText(QStringLiteral("1000"));
            control->UpButtonClick();
        });
        steps.push_back([] {});  // a breath between the jogs
        steps.push_back([] {});
    }
    steps.push_back([=] {
        main->SetXdestButtonClick();
        control->m2_check->setChecked(true);
        control->Inc->setCurrentText(QStringLiteral("1000"));
        control->DownButtonClick();
    });

    int next = 0;
    QTimer pace;
    pace.setInterval(700);
    QObject::connect(&pace, &QTimer::timeout, [&] {
        if (next < int(steps.size())) {
            steps[std::size_t(next++)]();
            return;
        }
        pace.stop();
        QTimer::singleShot(4000, [&] {
            motors->grab().save(output);
            QCoreApplication::exit(0);  // quit would ask the main window to close
        });
    });
    pace.start();
    return app.exec();
}
