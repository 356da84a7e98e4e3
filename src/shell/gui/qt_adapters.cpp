#include "shell/gui/qt_adapters.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QLocale>
#include <QRegularExpression>
#include <QThread>
#include <QTime>

namespace rv720 {

QtTimer::QtTimer(int intervalMs) {
    timer_.setInterval(intervalMs);
    timer_.setTimerType(intervalMs < 20 ? Qt::PreciseTimer : Qt::CoarseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { fire(); });
}

void QtTimer::start() {
    if (!timer_.isActive()) timer_.start();
}

void QtTimer::stop() {
    timer_.stop();
}

bool QtTimer::isActive() const {
    return timer_.isActive();
}

int QtTimer::intervalMs() const {
    return timer_.interval();
}

std::unique_ptr<Timer> QtTimerFactory::create(int intervalMs) {
    return std::make_unique<QtTimer>(intervalMs);
}

std::string QtClock::shortDate() const {
    return QLocale().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
}

std::string QtClock::longTime() const {
    // The long format may carry the time-zone name ("t"); the station's reports
    // show the clock time only.
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*\\(?t+\\)?")));
    return QLocale().toString(QTime::currentTime(), format.trimmed()).toStdString();
}

char QtClock::decimalSeparator() const {
    const QString point = QLocale().decimalPoint();
    if (point.size() == 1 && point[0].unicode() < 0x80) return char(point[0].unicode());
    return '.';  // a separator the listing's byte strings cannot carry
}

void letWindowsRepaint() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                    QEventLoop::X11ExcludeTimers);
}

void QtClock::sleepMs(int ms) {
    QElapsedTimer elapsed;
    elapsed.start();
    for (qint64 left = ms; left > 0; left = ms - elapsed.elapsed()) {
        letWindowsRepaint();
        QThread::msleep(static_cast<unsigned long>(qMin<qint64>(left, 10)));
    }
}

}  // namespace rv720
