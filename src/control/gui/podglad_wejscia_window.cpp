#include "control/gui/podglad_wejscia_window.h"

#include "ui/artwork.h"
#include "ui/form_controls.h"
#include "ui/qt_adapters.h"

namespace rv720 {

namespace {
constexpr int kLampSize = 30;
constexpr int kPitch = 34;
constexpr int kTop = 42;
constexpr int kRelayGap = 10;  // the relay lamps stand apart from the outputs
constexpr int kLeftColumn = 18;
constexpr int kRightColumn = 212;

QString lampName(int k) {
    if (k <= 7) return QStringLiteral("Output %1").arg(k);
    if (k <= 9) return QStringLiteral("Relay %1").arg(k - 7);
    if (k <= 15) return QStringLiteral("Input %1").arg(k - 9);
    return k == 16 ? QStringLiteral("RUN") : QStringLiteral("STOP");
}

QPoint lampPosition(int k) {
    if (k <= 9) return {kLeftColumn, kTop + (k - 1) * kPitch + (k >= 8 ? kRelayGap : 0)};
    return {kRightColumn, kTop + (k - 10) * kPitch};
}
}  // namespace

TFPodgladWejscia::TFPodgladWejscia(QWidget* parent, TimerFactory* timers)
    : StationWindow({.objectName = QStringLiteral("FPodgladWejscia"),
                     .clientSize = {389, 358},
                     .caption = QStringLiteral("Actual inputs/outputs state"),
                     .stayOnTop = true,
                     .draggable = true},
                    parent) {
    // Two framed columns: outputs and relays on the left, inputs on the right.
    addPanel({8, 34, 180, 9 * kPitch + kRelayGap + 6});
    addPanel({202, 34, 179, 8 * kPitch + 6});
    names_ = new PaintedTexts(this);

    for (int k = 1; k <= kLamps; ++k) {
        const QPoint at = lampPosition(k);
        auto* lamp = new PictureBox(this);
        lamp->setObjectName(QStringLiteral("im%1").arg(k));
        lamp->setGeometry(at.x(), at.y(), kLampSize, kLampSize);
        lamps_[std::size_t(k - 1)] = lamp;
        names_->add({at.x() + kLampSize + 10, at.y(), 120, kLampSize}, lampName(k));
    }
    im1 = lamps_.front();
    im17 = lamps_.back();

    closeButton = addPictureButton(QStringLiteral("closeButton"), QStringLiteral("window-close"),
                                   {343, 320, 36, 30}, QStringLiteral("Zamknij okno"));
    connect(closeButton, &QAbstractButton::clicked, this, &TFPodgladWejscia::closeButtonClick);

    if (!timers) {
        ownTimers_ = std::make_unique<QtTimerFactory>();
        timers = ownTimers_.get();
    }
    ownTimer_ = timers->create(kTimerIntervalMs);  // created disabled
    ownTimer_->stop();
    InputViewTimer = ownTimer_.get();

    FormCreate();
}

TFPodgladWejscia::~TFPodgladWejscia() {
    ownTimer_.reset();  // before the factory that made it
}

void TFPodgladWejscia::FormCreate() {
    for (PictureBox* lamp : lamps_)
        lamp->loadPicture(QStringLiteral("ID_led_off"));
}

void TFPodgladWejscia::showLamp(int k, bool on) {
    if (k < 1 || k > kLamps) return;
    im(k)->loadPicture(on ? QStringLiteral("ID_led_on") : QStringLiteral("ID_led_off"));
}

void TFPodgladWejscia::showIoState(const IoState& state) {
    for (int k = 1; k <= kLamps; ++k)
        if (state.changed[std::size_t(k - 1)]) showLamp(k, state.on[std::size_t(k - 1)]);
}

bool TFPodgladWejscia::FormKeyPress(int key) {
    if (key == 27) {
        hide();  // the timer stops at its next tick, finding the window hidden
        return true;
    }
    return false;
}

void TFPodgladWejscia::closeButtonClick() {
    hide();
    InputViewTimer->stop();
}

}  // namespace rv720
