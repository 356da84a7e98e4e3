// The dry-run window over the main window, for the documentation's screenshot:
// the demo opened through the real Open workflow, dry-run with INPUT3 switched on
// at 12 s, the time cursor in the third round of its cycle (run under xvfb-run,
// then grab the screen with `import -window root`). Not a test: it runs until
// killed.
#include <QApplication>
#include <QLineEdit>

#include "control/gui/dry_run_window.h"
#include "shell/gui/main_window.h"
#include "support/scene_station.h"
#include "ui/dialogs.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    rv720::SceneStation scene;
    scene.dialogs.fileAnswers = {QString::fromLocal8Bit(argv[1])};
    rv720::Station& station = scene.station;
    rv720::TFMain* main = station.main();
    main->move(0, 0);
    main->show();
    main->OpenButtonClick();
    main->DryRunButtonClick();
    rv720::TFDryRun* window = main->dryRunWindow();
    window->move(main->width() - 300, 170);
    window->inputs->setText(QStringLiteral("INPUT3=on@12"));
    window->RunButton->click();
    window->setCursorMs(3590);
    return app.exec();
}
