#pragma once
// The station's ten windows, created once at start-up in the order of `Window`
// and afterwards only shown and hidden. Windows reach each other through this set
// by that enum; each keeps its global name ("FMain", "FInfo", ...) as its object
// name, under which the settings keep its place.
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <cstddef>

#include "device/station_view.h"

namespace rv720 {

class WindowSet {
  public:
    static constexpr std::size_t kCount = std::size_t(Window::FPass) + 1;
    // Creation order.
    static constexpr std::array<Window, kCount> kAll{Window::FMain,
                                                     Window::FSterowanie,
                                                     Window::FWyjscia,
                                                     Window::FPodgladSilniki,
                                                     Window::FPodgladWejscia,
                                                     Window::FParametrLiczbowy,
                                                     Window::FInfo,
                                                     Window::FKompilacja,
                                                     Window::FLog,
                                                     Window::FPass};

    // The window's global name.
    static QString name(Window window) {
        switch (window) {
            case Window::FMain:
                return QStringLiteral("FMain");
            case Window::FSterowanie:
                return QStringLiteral("FSterowanie");
            case Window::FWyjscia:
                return QStringLiteral("FWyjscia");
            case Window::FPodgladSilniki:
                return QStringLiteral("FPodgladSilniki");
            case Window::FPodgladWejscia:
                return QStringLiteral("FPodgladWejscia");
            case Window::FParametrLiczbowy:
                return QStringLiteral("FParametrLiczbowy");
            case Window::FInfo:
                return QStringLiteral("FInfo");
            case Window::FKompilacja:
                return QStringLiteral("FKompilacja");
            case Window::FLog:
                return QStringLiteral("FLog");
            case Window::FPass:
                return QStringLiteral("FPass");
        }
        return {};
    }

    void add(Window which, QWidget* window) { windows_[std::size_t(which)] = window; }
    QWidget* window(Window which) const { return windows_[std::size_t(which)]; }
    QList<QWidget*> all() const {
        QList<QWidget*> list;
        for (const QPointer<QWidget>& w : windows_)
            if (w) list.append(w);
        return list;
    }

  private:
    std::array<QPointer<QWidget>, kCount> windows_;
};

}  // namespace rv720
