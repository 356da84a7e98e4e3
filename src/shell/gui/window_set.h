#pragma once
// The station's ten windows, created once at start-up in a fixed order and
// afterwards only shown and hidden. Windows reach each other through this set by
// their global names ("FMain", "FInfo", ...).
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace rv720 {

class WindowSet {
  public:
    // Creation order.
    static const QStringList& names() {
        static const QStringList order{QStringLiteral("FMain"),
                                       QStringLiteral("FSterowanie"),
                                       QStringLiteral("FWyjscia"),
                                       QStringLiteral("FPodgladSilniki"),
                                       QStringLiteral("FPodgladWejscia"),
                                       QStringLiteral("FParametrLiczbowy"),
                                       QStringLiteral("FInfo"),
                                       QStringLiteral("FKompilacja"),
                                       QStringLiteral("FLog"),
                                       QStringLiteral("FPass")};
        return order;
    }

    void add(QWidget* window) { windows_.append(window); }
    QWidget* window(const QString& name) const {
        for (const QPointer<QWidget>& w : windows_)
            if (w && w->objectName() == name) return w;
        return nullptr;
    }
    QList<QWidget*> all() const {
        QList<QWidget*> list;
        for (const QPointer<QWidget>& w : windows_)
            if (w) list.append(w);
        return list;
    }

  private:
    QList<QPointer<QWidget>> windows_;
};

}  // namespace rv720
