#include "shell/gui/pass_window.h"

#include <QLineEdit>
#include <QMouseEvent>

#include "device/device_station.h"
#include "shell/gui/main_window.h"
#include "ui/artwork.h"
#include "ui/form_controls.h"

namespace rv720 {

TFPass::TFPass(QWidget* mainWindow)
    : StationWindow({.objectName = QStringLiteral("FPass"),
                     .clientSize = {300, 160},
                     .caption = QStringLiteral("RV7.0.2 firmware updating"),
                     .stayOnTop = true,
                     .draggable = false}),
      main_(qobject_cast<TFMain*>(mainWindow)) {
    addPanel({10, 38, 280, 68});
    Label32 = new QLabel(QStringLiteral("Password"), this);
    Label32->setObjectName(QStringLiteral("Label32"));
    Label32->setFont(artwork::labelFont(11, true));
    Label32->setGeometry(22, 46, 200, 18);

    Edit = new QLineEdit(this);
    Edit->setObjectName(QStringLiteral("Edit"));
    Edit->setEchoMode(QLineEdit::Normal);  // the typed characters are shown
    Edit->setGeometry(22, 70, 256, 24);

    OkButton = addPictureButton(QStringLiteral("OkButton"), QStringLiteral("firmware-update"),
                                {194, 116, 44, 36}, QStringLiteral("Aktualizuj"));
    SpeedButton1 = addPictureButton(QStringLiteral("SpeedButton1"), QStringLiteral("window-close"),
                                    {244, 116, 44, 36}, QStringLiteral("Zamknij okno"));
    connect(OkButton, &QAbstractButton::clicked, this, &TFPass::OkButtonClick);
    connect(SpeedButton1, &QAbstractButton::clicked, this, &TFPass::SpeedButton1Click);
    connect(Edit, &QLineEdit::textChanged, this, &TFPass::EditChange);
}

bool TFPass::FormKeyPress(int key) {
    if (key == 27) {
        hide();
        return true;
    }
    if (key == 13) {
        OkButton->click();
        return true;
    }
    return false;
}

bool TFPass::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        EditClick();
    return StationWindow::eventFilter(watched, event);
}

void TFPass::OkButtonClick() {
    if (!main_) return;
    // Accepted: the request is sent and the window hides. Refused: "Wrong password"
    // and the box turns red, keeping the wrong text.
    if (!main_->device().PassOkButtonClick(Edit->text().toStdString())) setErrorColour(Edit, true);
}

void TFPass::SpeedButton1Click() {
    hide();
}

void TFPass::EditClick() {
    setErrorColour(Edit, false);
    Edit->clear();
}

void TFPass::EditChange() {
    setErrorColour(Edit, false);
}

}  // namespace rv720
