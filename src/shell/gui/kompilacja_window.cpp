#include "shell/gui/kompilacja_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QTextBlock>
#include <QTextEdit>

#include "device/device_station.h"
#include "shell/gui/main_window.h"
#include "ui/artwork.h"
#include "ui/qt_adapters.h"

namespace rv720 {

namespace {

// The picture that lies over an unavailable button: the button's glyph, faded
// into the body. It takes no click, so a press on it drags the window instead.
class CoverPicture final : public QWidget {
  public:
    CoverPicture(const QString& objectName, const QString& glyphName, QWidget* parent)
        : QWidget(parent), glyph_(glyphName) {
        setObjectName(objectName);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), artwork::kBodyBottom);
        const int edge = qMax(8, qMin(width(), height()) - 8);
        p.setOpacity(0.25);
        p.drawPixmap(QPoint((width() - edge) / 2, (height() - edge) / 2),
                     artwork::glyph(glyph_, QSize(edge, edge), devicePixelRatioF()));
    }

  private:
    QString glyph_;
};

QColor toQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

}  // namespace

TFKompilacja::TFKompilacja(TFMain* mainWindow)
    : StationWindow({.objectName = QStringLiteral("FKompilacja"),
                     .clientSize = {540, 430},
                     .caption = QStringLiteral("Compilation"),
                     .stayOnTop = true,
                     .draggable = true}),
      main_(mainWindow) {
    KompilacjaLog = new QTextEdit(this);
    KompilacjaLog->setObjectName(QStringLiteral("KompilacjaLog"));
    KompilacjaLog->setReadOnly(true);
    KompilacjaLog->setFont(artwork::listingFont(12));
    KompilacjaLog->setLineWrapMode(QTextEdit::NoWrap);
    KompilacjaLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = KompilacjaLog->palette();
    palette.setColor(QPalette::Base, artwork::kListingBackground);
    KompilacjaLog->setPalette(palette);
    KompilacjaLog->setGeometry(8, 36, 524, 318);
    // Its mouse events reach eventFilter, which sees every event of the window.
    KompilacjaLog->viewport()->setMouseTracking(true);

    KompilujBar = new QProgressBar(this);
    KompilujBar->setObjectName(QStringLiteral("KompilujBar"));
    KompilujBar->setRange(0, 999);
    KompilujBar->setValue(0);
    KompilujBar->setTextVisible(false);
    KompilujBar->setGeometry(8, 362, 524, 14);

    DownloadButton =
        addPictureButton(QStringLiteral("DownloadButton"), QStringLiteral("eeprom-write"),
                         {392, 386, 44, 36}, QStringLiteral("Zapisz"));
    StopButton = addPictureButton(QStringLiteral("StopButton"), QStringLiteral("transfer-stop"),
                                  {440, 386, 44, 36}, QStringLiteral("Zatrzymaj"));
    CloseButton = addPictureButton(QStringLiteral("CloseButton"), QStringLiteral("window-close"),
                                   {488, 386, 44, 36}, QStringLiteral("Zamknij onko"));
    DownloadDumm =
        new CoverPicture(QStringLiteral("DownloadDumm"), QStringLiteral("eeprom-write"), this);
    DownloadDumm->setGeometry(DownloadButton->geometry());
    StopDumm = new CoverPicture(QStringLiteral("StopDumm"), QStringLiteral("transfer-stop"), this);
    StopDumm->setGeometry(StopButton->geometry());

    VerifyBox = new QCheckBox(QStringLiteral("Verify after writing"), this);
    VerifyBox->setObjectName(QStringLiteral("VerifyBox"));
    VerifyBox->setFont(artwork::labelFont());
    VerifyBox->setGeometry(8, 392, 240, 24);
    connect(VerifyBox, &QCheckBox::toggled, this, [this](bool on) {
        if (main_) main_->device().setVerifyAfterWrite(on);
    });

    connect(CloseButton, &QAbstractButton::clicked, this, &TFKompilacja::CloseButtonClick);
    connect(DownloadButton, &QAbstractButton::clicked, this, &TFKompilacja::DownloadButtonClick);
    connect(StopButton, &QAbstractButton::clicked, this, &TFKompilacja::StopButtonClick);
}

TransferWindow* TFKompilacja::handlers() const {
    return main_ ? &main_->device().FKompilacja() : nullptr;
}

void TFKompilacja::setCaption(const std::string& text) {
    FormCaption->setText(QString::fromStdString(text));
    setWindowTitle(FormCaption->text());
}

void TFKompilacja::clearLog() {
    KompilacjaLog->clear();
    lines_ = 0;
    links_.clear();
}

void TFKompilacja::setReportLinks(QVector<int> links) {
    links_ = std::move(links);
}

int TFKompilacja::linkAt(const QPoint& viewportPoint) const {
    const QTextCursor at = KompilacjaLog->cursorForPosition(viewportPoint);
    // Only a point on the line's own text counts, not the blank beyond its end.
    const QRect text = KompilacjaLog->cursorRect(at);
    if (qAbs(text.center().y() - viewportPoint.y()) > text.height()) return -1;
    return reportLink(at.blockNumber());
}

bool TFKompilacja::eventFilter(QObject* watched, QEvent* event) {
    // Every event of the application passes here (the key preview), some of them
    // while the log is still being made.
    if (KompilacjaLog && watched == KompilacjaLog->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            KompilacjaLog->viewport()->setCursor(linkAt(at) >= 0 ? Qt::PointingHandCursor
                                                                 : Qt::IBeamCursor);
        } else if (event->type() == QEvent::MouseButtonPress) {
            const int slot = linkAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            if (slot >= 0) emit reportLineChosen(slot);
        }
    }
    return StationWindow::eventFilter(watched, event);
}

void TFKompilacja::addLogLine(const std::string& text, Rgb color) {
    QTextCursor cursor(KompilacjaLog->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(toQColor(color));
    if (lines_ > 0)
        cursor.insertBlock(QTextBlockFormat(), format);
    else
        cursor.setBlockCharFormat(format);
    cursor.insertText(QString::fromStdString(text), format);
    ++lines_;
    KompilacjaLog->setTextCursor(cursor);
    KompilacjaLog->ensureCursorVisible();
}

QStringList TFKompilacja::logLines() const {
    QStringList out;
    QTextBlock b = KompilacjaLog->document()->begin();
    for (int i = 0; i < lines_ && b.isValid(); ++i, b = b.next())
        out << b.text();
    return out;
}

Rgb TFKompilacja::logLineColour(int line) const {
    if (line < 0 || line >= lines_) return {};
    const QTextBlock b = KompilacjaLog->document()->findBlockByNumber(line);
    const QTextCharFormat format =
        b.text().isEmpty() ? b.charFormat() : b.begin().fragment().charFormat();
    const QColor c = format.foreground().color();
    return Rgb{std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())};
}

void TFKompilacja::setGaugeMaximum(int maximum) {
    // A range of 0 ... 0 would make the bar a busy indicator; an empty program
    // shows an empty bar instead.
    KompilujBar->setMaximum(qMax(maximum, 1));
    KompilujBar->repaint();
}

void TFKompilacja::setGaugePosition(int position) {
    // The firmware byte loop holds the event loop, so the gauge must paint at
    // once: QProgressBar::setValue repaints synchronously whenever the change
    // shows, and only then (not 32,000 times for a firmware file). A few times a
    // second the windows also get their exposures and repaints, without input.
    KompilujBar->setValue(position);
    if (!sinceRepaint_.isValid() || sinceRepaint_.elapsed() >= 40) {
        letWindowsRepaint();
        sinceRepaint_.start();
    }
}

void TFKompilacja::setStopAvailable(bool available) {
    StopDumm->setVisible(!available);
}

void TFKompilacja::setDownloadAvailable(bool available) {
    DownloadDumm->setVisible(!available);
}

bool TFKompilacja::stopAvailable() const {
    return StopDumm->isHidden();
}

bool TFKompilacja::downloadAvailable() const {
    return DownloadDumm->isHidden();
}

void TFKompilacja::CloseButtonClick() {
    hide();
    if (TransferWindow* h = handlers()) h->CloseButtonClick();  // gives the windows back
}

void TFKompilacja::DownloadButtonClick() {
    if (TransferWindow* h = handlers()) h->DownloadButtonClick();
}

void TFKompilacja::StopButtonClick() {
    if (TransferWindow* h = handlers()) h->StopButtonClick();
}

bool TFKompilacja::FormKeyPress(int key) {
    if (key != 27 && key != 13) return false;
    if (TransferWindow* h = handlers())
        h->FormKeyPress(char(key));
    else if (key == 27)
        hide();
    return true;
}

void TFKompilacja::closeEvent(QCloseEvent* event) {
    // Only while no transfer runs.
    const TransferWindow* h = handlers();
    if (!h || h->FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

}  // namespace rv720
