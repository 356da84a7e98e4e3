#include "control/gui/log_window.h"

#include <QPlainTextEdit>
#include <QTextBlock>

#include "ui/artwork.h"

namespace rv720 {

TFLog::TFLog(QWidget* parent)
    : StationWindow({.objectName = QStringLiteral("FLog"),
                     .clientSize = {249, 668},
                     .caption = QStringLiteral("USB messages"),
                     .stayOnTop = true,
                     .draggable = true,
                     .placement = Placement::BesideMainWindow},
                    parent) {
    log = new QPlainTextEdit(this);
    log->setObjectName(QStringLiteral("log"));
    log->setReadOnly(true);
    log->setFont(artwork::listingFont(12));
    log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log->setLineWrapMode(QPlainTextEdit::NoWrap);
    QPalette palette = log->palette();
    palette.setColor(QPalette::Base, QColor(192, 192, 192));  // silver
    palette.setColor(QPalette::Text, Qt::black);
    log->setPalette(palette);
    log->setGeometry(8, 36, 233, 586);

    SpeedButton1 = addPictureButton(QStringLiteral("SpeedButton1"), QStringLiteral("log-clear"),
                                    {8, 630, 44, 32}, QStringLiteral("Wyczyść okno komunikatów"));
    OkButton = addPictureButton(QStringLiteral("OkButton"), QStringLiteral("confirm"),
                                {197, 630, 44, 32}, QStringLiteral("Zamknij okno"));
    connect(OkButton, &QAbstractButton::clicked, this, &TFLog::OkButtonClick);
    connect(SpeedButton1, &QAbstractButton::clicked, this, &TFLog::SpeedButton1Click);
}

QString TFLog::messageLine(const QString& longTime, const std::vector<std::uint8_t>& bytes) {
    QString line = longTime + QString(9, QLatin1Char(' ')) + QLatin1Char('"');
    for (std::uint8_t b : bytes)
        if (b >= 32 && b <= 126) line += QLatin1Char(char(b));
    return line + QLatin1Char('"');
}

void TFLog::showUsbMessage(const std::vector<std::uint8_t>& bytes, const QString& longTime) {
    appendLine(messageLine(longTime, bytes));
}

void TFLog::appendLine(const QString& line) {
    log->appendPlainText(line);
}

QStringList TFLog::lines() const {
    QStringList out;
    if (log->document()->isEmpty()) return out;
    for (QTextBlock b = log->document()->begin(); b.isValid(); b = b.next())
        out << b.text();
    return out;
}

bool TFLog::FormKeyPress(int key) {
    if (key == 27) {
        hide();
        return true;
    }
    return false;
}

void TFLog::OkButtonClick() {
    hide();
}

void TFLog::SpeedButton1Click() {
    log->clear();
}

}  // namespace rv720
