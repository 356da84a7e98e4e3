#include "control/gui/dry_run_window.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpression>
#include <QSlider>
#include <QSvgGenerator>
#include <sstream>

#include "control/gui/motion_chart.h"
#include "editor/listing.h"
#include "model/message_text.h"
#include "model/program_file.h"
#include "model/values.h"
#include "sim/dry_run_report.h"
#include "support/color.h"
#include "ui/artwork.h"
#include "ui/dialogs.h"
#include "ui/form_controls.h"

namespace rv720 {

namespace {

constexpr int kWidth = 760;
constexpr int kChartTop = 96;
constexpr int kPlotHeight = 150;
constexpr int kChartLeft = 14;
constexpr int kChartWidth = kWidth - 2 * kChartLeft;

int chartHeight() {
    return MotionChart::preferredHeight(kPlotHeight, true);
}
int sliderTop() {
    return kChartTop + chartHeight() + 4;
}
int readoutTop() {
    return sliderTop() + 26;
}
int clientHeight() {
    return readoutTop() + 80;
}

QColor motorColour(int m) {
    static const Rgb colours[3] = {colors::Motor1, colors::Motor2, colors::Motor3};
    return QColor(colours[m].r, colours[m].g, colours[m].b);
}

QString trimmed(const std::string& line) {
    return QString::fromStdString(line).trimmed();
}

qint64 toMs(sim::SimTime t) {
    return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(t).count());
}

}  // namespace

TFDryRun::TFDryRun(Dialogs& dialogs, QWidget* parent)
    : StationWindow({.objectName = QStringLiteral("FDryRun"),
                     .clientSize = {kWidth, clientHeight()},
                     .caption = QStringLiteral("Dry run"),
                     .stayOnTop = true,
                     .draggable = true},
                    parent),
      dialogs_(dialogs) {
    auto* names = new PaintedTexts(this);
    const QFont font = artwork::labelFont(11);

    addPanel({6, 34, kWidth - 12, 56});
    names->add({14, 40, 60, 20}, QStringLiteral("Limit [s]"));
    seconds = new QLineEdit(QStringLiteral("600"), this);
    seconds->setObjectName(QStringLiteral("seconds"));
    seconds->setGeometry(74, 40, 56, 20);
    names->add({142, 40, 50, 20}, QStringLiteral("Inputs"));
    inputs = new QLineEdit(this);
    inputs->setObjectName(QStringLiteral("inputs"));
    inputs->setGeometry(192, 40, 300, 20);
    inputs->setPlaceholderText(QStringLiteral("INPUT3=on@40  STOP=on@90"));
    inputs->setToolTip(QStringLiteral("IN=on|off@SECONDS: INPUT1 ... INPUT6, RUN, STOP"));
    for (QLineEdit* box : {seconds, inputs}) {
        box->setFont(font);
        connect(box, &QLineEdit::textChanged, this, [box] { setErrorColour(box, false); });
    }
    RunButton = addPictureButton(QStringLiteral("RunButton"), QStringLiteral("program-play"),
                                 {504, 37, 72, 26}, QStringLiteral("Uruchom symulację"),
                                 QStringLiteral("Run"));
    SaveChartButton = addPictureButton(
        QStringLiteral("SaveChartButton"), QStringLiteral("file-save-as"), {580, 37, 80, 26},
        QStringLiteral("Zapisz wykres (PNG, SVG)"), QStringLiteral("Chart"));
    SaveTraceButton = addPictureButton(
        QStringLiteral("SaveTraceButton"), QStringLiteral("file-save"), {664, 37, 84, 26},
        QStringLiteral("Zapisz przebieg (CSV)"), QStringLiteral("Trace"));
    status = new QLabel(this);
    status->setObjectName(QStringLiteral("status"));
    status->setFont(artwork::labelFont(11, true));
    status->setGeometry(14, 66, kWidth - 28, 20);

    addPanel({6, kChartTop - 4, kWidth - 12, chartHeight() + 8});
    chart = new MotionChart(this);
    chart->setPlotHeight(kPlotHeight);
    chart->setGeometry(kChartLeft, kChartTop, kChartWidth, chartHeight());

    timeCursor = new QSlider(Qt::Horizontal, this);
    timeCursor->setObjectName(QStringLiteral("timeCursor"));
    timeCursor->setGeometry(kChartLeft - 4, sliderTop(), kChartWidth + 8, 20);
    timeCursor->setRange(0, 0);

    addPanel({6, readoutTop() - 4, kWidth - 12, 48});
    cursorText = new QLabel(this);
    cursorText->setObjectName(QStringLiteral("cursorText"));
    cursorText->setFont(artwork::listingFont(12));
    cursorText->setGeometry(14, readoutTop(), kWidth - 28, 18);
    for (int m = 0; m < 3; ++m) {
        motorText[m] = new QLabel(this);
        motorText[m]->setObjectName(QStringLiteral("m%1_text").arg(m + 1));
        motorText[m]->setFont(artwork::listingFont(12));
        QPalette palette = motorText[m]->palette();
        palette.setColor(QPalette::WindowText, motorColour(m));
        motorText[m]->setPalette(palette);
        motorText[m]->setGeometry(14 + m * 244, readoutTop() + 20, 240, 18);
    }
    CloseButton = addPictureButton(QStringLiteral("CloseButton"), QStringLiteral("window-close"),
                                   {kWidth - 42, clientHeight() - 32, 32, 28},
                                   QStringLiteral("Zamknij okno"));

    connect(RunButton, &QAbstractButton::clicked, this, &TFDryRun::RunButtonClick);
    connect(SaveChartButton, &QAbstractButton::clicked, this, &TFDryRun::SaveChartButtonClick);
    connect(SaveTraceButton, &QAbstractButton::clicked, this, &TFDryRun::SaveTraceButtonClick);
    connect(CloseButton, &QAbstractButton::clicked, this, &TFDryRun::CloseButtonClick);
    connect(timeCursor, &QSlider::valueChanged, this, &TFDryRun::timeCursorChange);
    connect(chart, &MotionChart::cursorMoved, this, [this](qint64 ms) { setCursorMs(ms); });
    SaveChartButton->setEnabled(false);
    SaveTraceButton->setEnabled(false);
}

TFDryRun::~TFDryRun() = default;

bool TFDryRun::readOptions(sim::DryRunOptions& options) {
    bool ok = true;
    const auto limit = sim::parseInputSwitch("RUN=on@" + seconds->text().trimmed().toStdString());
    if (!limit || limit->at <= sim::SimDuration{0} || limit->at > std::chrono::hours(1)) {
        setErrorColour(seconds, true);
        ok = false;
    } else {
        options.limit = limit->at;
    }
    const QStringList words =
        inputs->text().split(QRegularExpression(QStringLiteral("[\\s,;]+")), Qt::SkipEmptyParts);
    for (const QString& word : words) {
        const auto change = sim::parseInputSwitch(word.toStdString());
        if (!change) {
            setErrorColour(inputs, true);
            return false;
        }
        options.switches.push_back(*change);
    }
    return ok;
}

bool TFDryRun::dryRun(const ProgramImage& program) {
    program_ = program;
    StationWindow::show();
    raise();
    sim::DryRunOptions options;
    if (!readOptions(options)) return false;
    run_ = sim::dryRun(program_, options);
    lines_.clear();
    for (const ListingLine& line : renderListing(program_, ListingLayout::OneColumn, separator_))
        lines_.push_back(line.text);
    showRun();
    return true;
}

void TFDryRun::showRun() {
    std::deque<MotionChart::Sample> samples;
    for (const sim::MotionSample& s : run_.samples) {
        MotionChart::Sample c;
        c.timeMs = toMs(s.at);
        for (int m = 0; m < 3; ++m) {
            c.position[m] = s.position[m];
            c.velocity[m] = s.velocity[m];
        }
        samples.push_back(c);
    }
    QVector<MotionChart::Mark> marks;
    for (const sim::DryRunMessage& m : run_.messages)
        marks.push_back({toMs(m.at), QString::fromStdString(messageText(m.characters))});
    const qint64 end = samples.empty() ? 0 : samples.back().timeMs;
    chart->showTrace(std::move(samples), end, std::move(marks));

    const std::string summary = sim::dryRunSummary(run_);
    QString text = QString::fromStdString(summary.substr(0, summary.find('\n')));
    text += QStringLiteral("   Commands executed: %1").arg(run_.executed);
    if (!run_.messages.empty()) text += QStringLiteral("   Messages: %1").arg(run_.messages.size());
    status->setText(text);
    SaveChartButton->setEnabled(true);
    SaveTraceButton->setEnabled(true);

    const QSignalBlocker quiet(timeCursor);
    timeCursor->setRange(0, int(end));
    timeCursor->setSingleStep(10);
    timeCursor->setPageStep(int(std::max<qint64>(end / 20, 10)));
    timeCursor->setValue(0);
    showCursor(0);
}

void TFDryRun::setCursorMs(qint64 timeMs) {
    // The slider reports the change back through timeCursorChange.
    if (timeCursor->value() != int(timeMs))
        timeCursor->setValue(int(timeMs));
    else
        showCursor(timeMs);
}

void TFDryRun::timeCursorChange(int ms) {
    showCursor(ms);
}

void TFDryRun::showCursor(qint64 timeMs) {
    chart->setCursorMs(timeMs);
    const sim::SimTime at = std::chrono::milliseconds(timeMs);
    const int line = run_.lineAt(at);
    QString text = QStringLiteral("t = %1 s").arg(QString::fromStdString(sim::secondsText(at)));
    if (line >= 1 && std::size_t(line) <= lines_.size())
        text += QStringLiteral("    ") + trimmed(lines_[std::size_t(line - 1)]);
    cursorText->setText(text);

    if (!run_.samples.empty()) {
        const auto index = std::min<std::size_t>(std::size_t(at / sim::kDryRunSampleInterval),
                                                 run_.samples.size() - 1);
        const sim::MotionSample& s = run_.samples[index];
        for (int m = 0; m < 3; ++m)
            motorText[m]->setText(
                QStringLiteral("M%1 x=%2 v=%3 rev/s")
                    .arg(m + 1)
                    .arg(s.position[m])
                    .arg(QString::fromStdString(formatFixed(s.velocity[m], 7, 3, separator_))));
    }
    const bool changed = line != cursorLine_;
    cursorLine_ = line;
    if (changed && line > 0) emit lineAtCursor(line);
}

void TFDryRun::RunButtonClick() {
    dryRun(program_);
}

void TFDryRun::SaveChartButtonClick() {
    const QString path = dialogs_.saveFileName(
        this, {QStringLiteral("PNG image (*.png)|*.png|SVG drawing (*.svg)|*.svg"),
               QStringLiteral("png")});
    if (path.isEmpty()) return;
    bool saved = false;
    if (QFileInfo(path).suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(chart->size());
        svg.setViewBox(chart->rect());
        svg.setTitle(QStringLiteral("Dry run"));
        QPainter painter;
        saved = painter.begin(&svg);
        if (saved) {
            chart->render(&painter);
            saved = painter.end();
        }
    } else {
        saved = chart->grab().save(path, "PNG");
    }
    if (!saved)
        dialogs_.inform(this, QStringLiteral("Dry run"), QStringLiteral("Cannot write ") + path);
}

void TFDryRun::SaveTraceButtonClick() {
    const QString path =
        dialogs_.saveFileName(this, {QStringLiteral("Trace (*.csv)|*.csv"), QStringLiteral("csv")});
    if (path.isEmpty()) return;
    const std::string csv = sim::dryRunCsv(run_);
    const SaveResult saved =
        writeFileAtomically(path.toStdString(), std::vector<std::uint8_t>(csv.begin(), csv.end()));
    if (!saved)
        dialogs_.inform(this, QStringLiteral("Dry run"),
                        QStringLiteral("Cannot write %1: %2")
                            .arg(path, QString::fromStdString(saved.reason())));
}

void TFDryRun::CloseButtonClick() {
    hide();
}

bool TFDryRun::FormKeyPress(int key) {
    if (key == 27) {
        hide();
        return true;
    }
    if (key == 13) {
        RunButtonClick();
        return true;
    }
    return false;
}

}  // namespace rv720
