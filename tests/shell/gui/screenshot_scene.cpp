// Shows the station's main window with a program opened through the real Open
// workflow, for screenshots of the documentation (run under xvfb-run, then grab
// the screen with `import -window root`). Not a test: it runs until killed.
// With --help as second argument it also moves a command (so the unsaved mark
// shows), opens the manual from the start-up folder and prints the viewer's
// geometry ("x y width height") for cropping.
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "shell/gui/help_viewer.h"

#include "editor/gui/listing_view.h"
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
    main->show();
    main->OpenButtonClick();
    main->ProgramView->selectLine(3);
    main->ProgramView->setCaret(0);
    main->ProgramView->selectLine(3);
    if (argc > 2 && QByteArray(argv[2]) == "--help") {
        main->UpButtonClick();
        main->HelpButtonClick();
        QTimer::singleShot(500, [main] {
            const QRect r = main->helpViewer()->frameGeometry();
            std::printf("%d %d %d %d\n", r.x(), r.y(), r.width(), r.height());
            std::fflush(stdout);
        });
    }
    return app.exec();
}
