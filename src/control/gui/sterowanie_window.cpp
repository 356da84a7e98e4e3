#include "control/gui/sterowanie_window.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "control/conversions.h"
#include "support/clock.h"
#include "ui/artwork.h"
#include "ui/dialogs.h"
#include "ui/form_controls.h"

namespace rv720 {

namespace {

struct KindLook {
    ControlKind kind;
    const char* title;
    const char* unit;
    bool number;  // value box shown (and emptied); hidden otherwise, its text kept
    bool mode;
    bool steps;  // DownButton, UpButton, Inc
};

constexpr KindLook kKinds[] = {
    {ControlKind::WorkMode, "Tryb", "", false, true, false},
    {ControlKind::MinVelocity, "Minimal velocity", "[rev/s]", true, false, false},
    {ControlKind::MaxVelocity, "Maximal velocity", "[rev/s]", true, false, false},
    {ControlKind::MaxAcceleration, "Maximal acceleration", "[rev/s^2]", true, false, false},
    {ControlKind::SetVelocity, "Set velocity", "[rev/s]", true, false, false},
    {ControlKind::SetPosition, "Set position", "[steps]", true, false, true},
};

}  // namespace

TFSterowanie::TFSterowanie(QWidget* parent)
    : StationWindow({.objectName = QStringLiteral("FSterowanie"),
                     .clientSize = {280, 196},
                     .caption = QString(),
                     .stayOnTop = true,
                     .draggable = true},
                    parent) {
    addPanel({8, 36, 100, 108});    // motor choice
    addPanel({114, 36, 158, 108});  // value, mode and steps

    const QFont font = artwork::labelFont(11);
    QRadioButton** radios[] = {&m1_check, &m2_check, &m3_check};
    ToggleLabel** labels[] = {&i1, &i2, &i3};
    for (int m = 0; m < 3; ++m) {
        const int y = 48 + m * 30;
        auto* radio = new QRadioButton(this);
        radio->setObjectName(QStringLiteral("m%1_check").arg(m + 1));
        radio->setGeometry(18, y, 18, 20);
        *radios[m] = radio;
        auto* label = new ToggleLabel(QStringLiteral("Motor %1").arg(m + 1), this);
        label->setObjectName(QStringLiteral("i%1").arg(m + 1));
        label->setFont(font);
        label->setGeometry(38, y, 64, 20);
        *labels[m] = label;
    }
    m1_check->setChecked(true);

    number = new QLineEdit(this);
    number->setObjectName(QStringLiteral("number"));
    number->setGeometry(122, 48, 84, 22);
    unit = new QLabel(this);
    unit->setObjectName(QStringLiteral("unit"));
    unit->setFont(font);
    unit->setGeometry(210, 48, 58, 22);

    mode = new QComboBox(this);
    mode->setObjectName(QStringLiteral("mode"));
    mode->addItems({QStringLiteral("Ramp"), QStringLiteral("Soft"), QStringLiteral("Velocity")});
    mode->setCurrentIndex(0);
    mode->setGeometry(122, 48, 84, 22);

    DownButton = addPictureButton(QStringLiteral("DownButton"), QStringLiteral("step-down"),
                                  {122, 92, 42, 26}, {}, QStringLiteral("<"));
    UpButton = addPictureButton(QStringLiteral("UpButton"), QStringLiteral("step-up"),
                                {226, 92, 42, 26}, {}, QStringLiteral(">"));
    DownButton->setGlyphSize(14);
    UpButton->setGlyphSize(14);
    Inc = new QComboBox(this);
    Inc->setObjectName(QStringLiteral("Inc"));
    for (const char* n : {"1", "2", "5", "10", "20", "50", "100", "200", "500", "1000"})
        Inc->addItem(QString::fromLatin1(n));
    Inc->setCurrentText(QStringLiteral("500"));
    Inc->setGeometry(168, 94, 54, 22);

    OkButton = addPictureButton(QStringLiteral("OkButton"), QStringLiteral("confirm"),
                                {176, 154, 44, 34}, QStringLiteral("Ustaw parametr"));
    SpeedButton1 = addPictureButton(QStringLiteral("SpeedButton1"), QStringLiteral("window-close"),
                                    {228, 154, 44, 34}, QStringLiteral("Zamknij okno"));

    connect(OkButton, &QAbstractButton::clicked, this, &TFSterowanie::OkButtonClick);
    connect(UpButton, &QAbstractButton::clicked, this, &TFSterowanie::UpButtonClick);
    connect(DownButton, &QAbstractButton::clicked, this, &TFSterowanie::DownButtonClick);
    connect(SpeedButton1, &QAbstractButton::clicked, this, &TFSterowanie::SpeedButton1Click);
    connect(i1, &ToggleLabel::clicked, this, &TFSterowanie::i1Click);
    connect(i2, &ToggleLabel::clicked, this, &TFSterowanie::i2Click);
    connect(i3, &ToggleLabel::clicked, this, &TFSterowanie::i3Click);
    connect(number, &QLineEdit::textChanged, this, &TFSterowanie::numberChange);

    // Until an opening handler picks a kind, show the plainest look: a value box
    // without steps.
    mode->hide();
    DownButton->hide();
    UpButton->hide();
    Inc->hide();
}

bool TFSterowanie::SetControlKind(std::uint8_t kind) {
    for (const KindLook& look : kKinds) {
        if (std::uint8_t(look.kind) != kind) continue;
        kind_ = kind;
        FormCaption->setText(QString::fromLatin1(look.title));
        setWindowTitle(FormCaption->text());
        unit->setText(QString::fromLatin1(look.unit));
        unit->show();
        number->setVisible(look.number);
        if (look.number) number->clear();
        mode->setVisible(look.mode);
        DownButton->setVisible(look.steps);
        UpButton->setVisible(look.steps);
        Inc->setVisible(look.steps);
        return true;
    }
    return false;
}

int TFSterowanie::chosenMotor() const {
    if (m1_check->isChecked()) return 1;
    if (m2_check->isChecked()) return 2;
    if (m3_check->isChecked()) return 3;
    return 0;
}

std::optional<int> TFSterowanie::motorOrReport() {
    // Counted, not taken from the first chosen button: two chosen motors must not
    // quietly become motor 1.
    const auto motor =
        rv720::chosenMotor(m1_check->isChecked(), m2_check->isChecked(), m3_check->isChecked());
    if (!motor)
        link_.dialogs->inform(
            this, QString::fromLatin1(kOneMotorCaption.data(), qsizetype(kOneMotorCaption.size())),
            QString::fromLatin1(kOneMotorMessage.data(), qsizetype(kOneMotorMessage.size())));
    return motor;
}

void TFSterowanie::OkButtonClick() {
    if (!link_.complete() || kind_ == 0) return;
    const auto motor = motorOrReport();
    if (!motor) return;
    const DirectSend send = prepareDirectSend(
        ControlKind(kind_), *motor, number->text().toStdString(), link_.clock->decimalSeparator(),
        (*link_.motors)[std::size_t(*motor - 1)], mode->currentIndex());
    if (!send.value.readable()) {
        setErrorColour(number, true);
        return;
    }
    link_.send(send.command);
}

void TFSterowanie::UpButtonClick() {
    step(true);
}

void TFSterowanie::DownButtonClick() {
    step(false);
}

void TFSterowanie::step(bool up) {
    if (!link_.complete()) return;
    const auto motor = motorOrReport();
    if (!motor) return;
    link_.send(stepCommand(*motor, up, Inc->currentText().toInt()));
}

bool TFSterowanie::FormKeyPress(int key) {
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

void TFSterowanie::SpeedButton1Click() {
    hide();
}

void TFSterowanie::i1Click() {
    if (!m1_check->isChecked()) m1_check->setChecked(true);
}

void TFSterowanie::i2Click() {
    if (!m2_check->isChecked()) m2_check->setChecked(true);
}

void TFSterowanie::i3Click() {
    if (!m3_check->isChecked()) m3_check->setChecked(true);
}

void TFSterowanie::numberChange() {
    setErrorColour(number, false);
}

}  // namespace rv720
