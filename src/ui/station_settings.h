#pragma once
// What the station keeps between runs in the user's settings: the program files
// opened or saved last, the folder the file dialogs last used, and where the
// operator put each secondary window. Without a settings store (the tests) it
// keeps them for the run only.
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>

class QSettings;

namespace rv720 {

class StationSettings {
  public:
    static constexpr int kRecentFiles = 8;

    explicit StationSettings(QSettings* store = nullptr) : store_(store) {}

    // Newest first, at most kRecentFiles, each path once.
    QStringList recentFiles() const;
    void addRecentFile(const QString& path);
    void removeRecentFile(const QString& path);

    // The folder of the file last opened or saved; empty before the first.
    QString lastFolder() const;
    void setLastFolder(const QString& folder);

    std::optional<QPoint> windowPosition(const QString& window) const;
    void setWindowPosition(const QString& window, const QPoint& position);

  private:
    QVariant value(const QString& key) const;
    void setValue(const QString& key, const QVariant& value);

    QSettings* store_;
    QVariantMap memory_;
};

}  // namespace rv720
