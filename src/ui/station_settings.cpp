#include "ui/station_settings.h"

#include <QSettings>

namespace rv720 {

namespace {
const QString kRecentKey = QStringLiteral("files/recent");
const QString kFolderKey = QStringLiteral("files/lastFolder");
QString positionKey(const QString& window) {
    return QStringLiteral("windows/%1/position").arg(window);
}
}  // namespace

QVariant StationSettings::value(const QString& key) const {
    return store_ ? store_->value(key) : memory_.value(key);
}

void StationSettings::setValue(const QString& key, const QVariant& value) {
    if (store_)
        store_->setValue(key, value);
    else
        memory_.insert(key, value);
}

QStringList StationSettings::recentFiles() const {
    return value(kRecentKey).toStringList().mid(0, kRecentFiles);
}

void StationSettings::addRecentFile(const QString& path) {
    QStringList files = recentFiles();
    files.removeAll(path);
    files.prepend(path);
    setValue(kRecentKey, files.mid(0, kRecentFiles));
}

void StationSettings::removeRecentFile(const QString& path) {
    QStringList files = recentFiles();
    files.removeAll(path);
    setValue(kRecentKey, files);
}

QString StationSettings::lastFolder() const {
    return value(kFolderKey).toString();
}

void StationSettings::setLastFolder(const QString& folder) {
    setValue(kFolderKey, folder);
}

std::optional<QPoint> StationSettings::windowPosition(const QString& window) const {
    const QVariant v = value(positionKey(window));
    if (!v.isValid()) return std::nullopt;
    return v.toPoint();
}

void StationSettings::setWindowPosition(const QString& window, const QPoint& position) {
    setValue(positionKey(window), position);
}

}  // namespace rv720
