#include "control/gui/podglad_silniki_window.h"

#include "control/conversions.h"
#include "control/gui/motion_chart.h"
#include "ui/artwork.h"
#include "ui/form_controls.h"
#include "ui/qt_adapters.h"

namespace rv720 {

namespace {
constexpr int kGroupTop = 34;
constexpr int kGroupPitch = 66;
// The live chart stands below the three groups, in a panel of its own.
constexpr int kChartPanelTop = kGroupTop + 3 * kGroupPitch + 2;
constexpr int kChartPanelHeight = 8;  // plus the chart's own height

int chartPanelHeight() {
    return MotionChart::preferredHeight() + kChartPanelHeight;
}
int clientHeight() {
    return kChartPanelTop + chartPanelHeight() + 36;
}

QFont valueFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(12);
    return font;
}
}  // namespace

TFPodgladSilniki::TFPodgladSilniki(QWidget* parent, TimerFactory* timers)
    : StationWindow({.objectName = QStringLiteral("FPodgladSilniki"),
                     .clientSize = {228, clientHeight()},
                     .caption = QStringLiteral("Actual motor state"),
                     .stayOnTop = true,
                     .draggable = true},
                    parent) {
    // The group and row names belong to the background picture.
    names_ = new PaintedTexts(this);
    QLabel** velocities[] = {&m1_v, &m2_v, &m3_v};
    QLabel** positions[] = {&m1_x, &m2_x, &m3_x};
    QLabel** velocityUnits[] = {&Label1, &Label2, &Label3};
    QLabel** positionUnits[] = {&Label4, &Label5, &Label6};
    const QFont unitFont = artwork::labelFont(11);

    for (int m = 1; m <= 3; ++m) {
        const int top = kGroupTop + (m - 1) * kGroupPitch;
        addPanel({6, top, 216, kGroupPitch - 4});
        names_->add({14, top + 2, 120, 18}, QStringLiteral("Motor %1").arg(m), true);
        names_->add({14, top + 20, 64, 18}, QStringLiteral("Velocity"));
        names_->add({14, top + 40, 64, 18}, QStringLiteral("Position"));

        auto makeValue = [&](const QString& name, int y) {
            auto* label = new QLabel(QString::fromLatin1(kStartCaption), this);
            label->setObjectName(name);
            label->setFont(valueFont());
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            label->setGeometry(78, y, 90, 18);
            return label;
        };
        auto makeUnit = [&](int number, const QString& text, int y) {
            auto* label = new QLabel(text, this);
            label->setObjectName(QStringLiteral("Label%1").arg(number));
            label->setFont(unitFont);
            label->setGeometry(172, y, 48, 18);
            return label;
        };
        v_[std::size_t(m - 1)] = *velocities[m - 1] =
            makeValue(QStringLiteral("m%1_v").arg(m), top + 20);
        x_[std::size_t(m - 1)] = *positions[m - 1] =
            makeValue(QStringLiteral("m%1_x").arg(m), top + 40);
        *velocityUnits[m - 1] = makeUnit(m, QStringLiteral("[rev/s]"), top + 20);
        // The position is the controller's raw count, so its unit is steps.
        *positionUnits[m - 1] = makeUnit(m + 3, QStringLiteral("[steps]"), top + 40);
    }

    addPanel({6, kChartPanelTop, 216, chartPanelHeight()});
    chart = new MotionChart(this);
    chart->setGeometry(10, kChartPanelTop + 4, 208, MotionChart::preferredHeight());

    CloseButton =
        addPictureButton(QStringLiteral("CloseButton"), QStringLiteral("window-close"),
                         {190, clientHeight() - 32, 32, 28}, QStringLiteral("Zamknij okno"));
    connect(CloseButton, &QAbstractButton::clicked, this, &TFPodgladSilniki::CloseButtonClick);

    if (!timers) {
        ownTimers_ = std::make_unique<QtTimerFactory>();
        timers = ownTimers_.get();
    }
    ownTimer_ = timers->create(kTimerIntervalMs);  // created disabled
    ownTimer_->stop();
    MotorViewTimer = ownTimer_.get();
    sinceCreation_.start();
}

TFPodgladSilniki::~TFPodgladSilniki() {
    ownTimer_.reset();  // before the factory that made it
}

void TFPodgladSilniki::showMotorState(const MotorState& state,
                                      const std::array<MotorConfig, 3>& motors,
                                      char decimalSeparator) {
    MotionChart::Sample sample;
    sample.timeMs = sampleClock_ ? sampleClock_() : sinceCreation_.elapsed();
    for (std::size_t m = 0; m < 3; ++m) {
        x_[m]->setText(QString::fromStdString(formatMonitorPosition(state.position[m])));
        v_[m]->setText(QString::fromStdString(
            formatMonitorVelocity(state.rawVelocity[m], motors[m], decimalSeparator)));
        sample.position[m] = state.position[m];
        sample.velocity[m] = monitorVelocity(state.rawVelocity[m], motors[m]);
    }
    chart->addSample(sample);  // kept only while the window is shown
}

bool TFPodgladSilniki::FormKeyPress(int key) {
    if (key == 27) {
        // Only hides: the timer stops at its next tick, finding the window hidden.
        hide();
        return true;
    }
    return false;
}

void TFPodgladSilniki::CloseButtonClick() {
    MotorViewTimer->stop();
    hide();
}

}  // namespace rv720
