#include "shell/gui/info_window.h"

#include "ui/artwork.h"

namespace rv720 {

TFInfo::TFInfo(QWidget* parent)
    : StationWindow({QStringLiteral("FInfo"), QSize(249, 150), QStringLiteral("About program"),
                     /*stayOnTop=*/true, /*draggable=*/true, Placement::BesideMainWindow},
                    parent) {
    setToolTip(QStringLiteral("Zamknij okno"));
    addPanel(QRect(8, 36, 233, 74));

    auto label = [this](const char* name, const QString& text, const QRect& geometry,
                        bool bold = false) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(geometry);
        l->setFont(artwork::labelFont(11, bold));
        l->setStyleSheet(QStringLiteral("color: #1f2a37; background: transparent;"));
        return l;
    };
    Label3 = label("Label3", QStringLiteral("3-axis trajectory generator"), QRect(18, 42, 215, 18),
                   true);
    Label1 = label("Label1", QStringLiteral("Software PC:"), QRect(18, 66, 100, 16));
    info_pc = label("info_pc", QStringLiteral("1.1 EN"), QRect(124, 66, 110, 16), true);
    Label2 = label("Label2", QStringLiteral("Firmware:"), QRect(18, 86, 100, 16));
    info_uc = label("info_uc", QStringLiteral("* * * * *"), QRect(124, 86, 110, 16), true);

    OkButton = addPictureButton(QStringLiteral("OkButton"), QStringLiteral("ok"),
                                QRect(100, 116, 50, 28), QStringLiteral("Zamknij okno"));
    connect(OkButton, &QAbstractButton::clicked, this, &TFInfo::OkButtonClick);
}

bool TFInfo::FormKeyPress(int key) {
    if (key != 27) return false;
    hide();
    return true;
}

}  // namespace rv720
