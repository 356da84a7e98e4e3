#include "control/gui/wyjscia_window.h"

#include <QCheckBox>

#include "ui/artwork.h"
#include "ui/form_controls.h"

namespace rv720 {

namespace {
constexpr int kRowPitch = 24;
constexpr int kFirstRow = 42;
constexpr int kRelayGap = 14;  // the relays sit in a panel of their own

int rowTop(int n) {
    return kFirstRow + (n - 1) * kRowPitch + (n > 7 ? kRelayGap : 0);
}
}  // namespace

TFWyjscia::TFWyjscia(QWidget* parent)
    : StationWindow({.objectName = QStringLiteral("FWyjscia"),
                     .clientSize = {210, 316},
                     .caption = QStringLiteral("Output controll"),
                     .stayOnTop = true,
                     .draggable = true},
                    parent) {
    addPanel({8, 36, 194, 7 * kRowPitch + 10});
    addPanel({8, rowTop(8) - 6, 194, 2 * kRowPitch + 10});

    const QFont font = artwork::labelFont(11);
    for (int n = 1; n <= kRows; ++n) {
        const QString text = n <= 7 ? QStringLiteral("Digital output %1").arg(n)
                                    : QStringLiteral("Relay %1").arg(n - 7);
        auto* label = new ToggleLabel(text, this);
        label->setObjectName(QStringLiteral("Label%1").arg(n));
        label->setFont(font);
        label->setGeometry(18, rowTop(n), 140, 20);
        label_[std::size_t(n - 1)] = label;

        auto* box = new QCheckBox(this);
        box->setObjectName(QStringLiteral("io%1").arg(n));
        box->setGeometry(170, rowTop(n), 20, 20);
        io_[std::size_t(n - 1)] = box;

        connect(box, &QCheckBox::clicked, this, [this, n](bool on) { emit ioClick(n, on); });
        connect(label, &ToggleLabel::clicked, box, [box] { clickThroughLabel(box); });
    }

    SpeedButton1 = addPictureButton(QStringLiteral("SpeedButton1"), QStringLiteral("window-close"),
                                    {160, 280, 42, 30}, QStringLiteral("Zamknij okno"));
    connect(SpeedButton1, &QAbstractButton::clicked, this, &TFWyjscia::SpeedButton1Click);
}

bool TFWyjscia::FormKeyPress(int key) {
    if (key == 27) {
        hide();
        return true;
    }
    return false;
}

void TFWyjscia::SpeedButton1Click() {
    hide();
}

}  // namespace rv720
