#include "ui/qt_adapters.h"

#include <sys/timerfd.h>
#include <unistd.h>
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

QtWaker::QtWaker() : timerFd_(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK)) {
    fallback_.setSingleShot(true);
    fallback_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&fallback_, &QTimer::timeout, [this] { wake(); });
    if (timerFd_ < 0) return;
    deadline_ = std::make_unique<QSocketNotifier>(timerFd_, QSocketNotifier::Read);
    deadline_->setEnabled(false);
    QObject::connect(deadline_.get(), &QSocketNotifier::activated, [this] {
        std::uint64_t expirations = 0;
        [[maybe_unused]] const auto n = ::read(timerFd_, &expirations, sizeof expirations);
        wake();
    });
}

QtWaker::~QtWaker() {
    readable_.reset();
    deadline_.reset();
    if (timerFd_ >= 0) ::close(timerFd_);
}

void QtWaker::arm(int fd, std::optional<Delay> delay) {
    armed_ = true;
    if (readable_ && readable_->socket() != fd) {
        // This may run inside the old notifier's own signal: it goes later.
        readable_->setEnabled(false);
        readable_.release()->deleteLater();
    }
    if (fd >= 0 && !readable_) {
        readable_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(readable_.get(), &QSocketNotifier::activated, [this] { wake(); });
    } else if (readable_) {
        readable_->setEnabled(true);
    }
    if (!deadline_) {  // no timerfd: whole milliseconds will have to do
        if (delay)
            fallback_.start(int(std::chrono::ceil<std::chrono::milliseconds>(*delay).count()));
        else
            fallback_.stop();
        return;
    }
    itimerspec due{};
    if (delay) {
        // A zero it_value would disarm the timerfd; one nanosecond is "at once".
        const auto ns = std::max<std::int64_t>(delay->count(), 1);
        due.it_value.tv_sec = ns / 1'000'000'000;
        due.it_value.tv_nsec = ns % 1'000'000'000;
    }
    ::timerfd_settime(timerFd_, 0, &due, nullptr);
    deadline_->setEnabled(delay.has_value());
}

void QtWaker::disarm() {
    armed_ = false;
    fallback_.stop();
    if (readable_) readable_->setEnabled(false);
    if (deadline_) {
        const itimerspec off{};
        ::timerfd_settime(timerFd_, 0, &off, nullptr);
        deadline_->setEnabled(false);
    }
}

void QtWaker::wake() {
    if (!armed_) return;
    // The handler usually arms the same wait again at once; the notifiers stay
    // registered until then, and are put away only if it does not.
    armed_ = false;
    fallback_.stop();
    fire();
    if (!armed_) disarm();
}

std::unique_ptr<Timer> QtTimerFactory::create(int intervalMs) {
    return std::make_unique<QtTimer>(intervalMs);
}

std::unique_ptr<Waker> QtTimerFactory::createWaker() {
    return std::make_unique<QtWaker>();
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

// Neither timers nor the link's descriptor wakers: no reply may be dispatched here.
void letWindowsRepaint() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                    QEventLoop::ExcludeSocketNotifiers |
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
