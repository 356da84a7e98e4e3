#include "shell/gui/station_app.h"

#include "shell/gui/info_window.h"
#include "shell/gui/main_window.h"
#include "shell/gui/station_window.h"

namespace rv720 {

std::unique_ptr<QWidget> createPlaceholderWindow(const QString& name, const QString& className,
                                                 const QString& caption) {
    StationWindow::Options options;
    options.objectName = name;
    options.clientSize = QSize(320, 160);
    options.caption = caption;
    options.stayOnTop = true;
    options.draggable = name != QLatin1String("FPass");
    options.placement = name == QLatin1String("FLog")
                            ? StationWindow::Placement::CentredOnMainWindow
                            : StationWindow::Placement::ScreenCentre;
    auto window = std::make_unique<StationWindow>(options);
    window->setProperty("stationClass", className);
    return window;
}

Station::Station(Dialogs& dialogs, TimerFactory& timers, Clock& clock) {
    auto mainWindow = std::make_unique<TFMain>(dialogs, timers, clock);
    main_ = mainWindow.get();
    main_->setWindowSet(&windows_);
    StationWindow::setMainWindow(main_);

    auto adopt = [this](std::unique_ptr<QWidget> window) {
        windows_.add(window.get());
        owned_.push_back(std::move(window));
    };
    adopt(std::move(mainWindow));
    adopt(createPlaceholderWindow(QStringLiteral("FSterowanie"), QStringLiteral("TFSterowanie"),
                                  QStringLiteral("Direct control")));
    adopt(createPlaceholderWindow(QStringLiteral("FWyjscia"), QStringLiteral("TFWyjscia"),
                                  QStringLiteral("Outputs")));
    adopt(createPlaceholderWindow(QStringLiteral("FPodgladSilniki"),
                                  QStringLiteral("TFPodgladSilniki"),
                                  QStringLiteral("Motors preview")));
    adopt(createPlaceholderWindow(QStringLiteral("FPodgladWejscia"),
                                  QStringLiteral("TFPodgladWejscia"),
                                  QStringLiteral("I/O preview")));
    adopt(createPlaceholderWindow(QStringLiteral("FParametrLiczbowy"),
                                  QStringLiteral("TFParametrLiczbowy"),
                                  QStringLiteral("Command parameters")));
    adopt(std::make_unique<TFInfo>());
    adopt(createPlaceholderWindow(QStringLiteral("FKompilacja"), QStringLiteral("TFKompilacja"),
                                  QStringLiteral("Compilation")));
    adopt(createPlaceholderWindow(QStringLiteral("FLog"), QStringLiteral("TFLog"),
                                  QStringLiteral("USB messages")));
    adopt(createPlaceholderWindow(QStringLiteral("FPass"), QStringLiteral("TFPass"),
                                  QStringLiteral("RV7.0.2 firmware updating")));
}

Station::~Station() {
    // Secondary windows go first; the main window, which refers to them, last.
    while (owned_.size() > 1)
        owned_.pop_back();
    StationWindow::setMainWindow(nullptr);
}

}  // namespace rv720
