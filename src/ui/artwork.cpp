#include "ui/artwork.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSvgRenderer>

namespace rv720::artwork {

namespace {

struct LedKind {
    const char* name;
    int size;
    QColor centre, rim;  // lit colours; unlit LEDs use the grey pair
};

// Lower-case keys: resource names are matched without regard to case.
const LedKind kLeds[] = {
    {"id_led_stop", 60, QColor(0xc4, 0xc8, 0xcd), QColor(0x55, 0x5b, 0x63)},
    {"id_led_play", 60, QColor(0xb8, 0xff, 0xa8), QColor(0x13, 0x8f, 0x1c)},
    {"id_led_off", 30, QColor(0xc4, 0xc8, 0xcd), QColor(0x55, 0x5b, 0x63)},
    {"id_led_on", 30, QColor(0xb5, 0xe2, 0xff), QColor(0x12, 0x5c, 0xcf)},
};

const LedKind* findLed(const QString& resourceName) {
    const QString key = resourceName.toLower();
    for (const LedKind& led : kLeds)
        if (key == QLatin1String(led.name)) return &led;
    return nullptr;
}

qreal screenRatio() {
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

QPixmap drawLed(const LedKind& led, qreal dpr) {
    QPixmap pixmap(QSize(led.size, led.size) * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = led.size;
    // Bezel: a dark ring with a light lower edge, as a lamp set into a panel.
    QLinearGradient bezel(0, 0, 0, s);
    bezel.setColorAt(0, QColor(0x3a, 0x40, 0x48));
    bezel.setColorAt(1, QColor(0xe8, 0xec, 0xf0));
    p.setPen(Qt::NoPen);
    p.setBrush(bezel);
    p.drawEllipse(QRectF(1, 1, s - 2, s - 2));
    // Lens.
    const QRectF lens(s * 0.12, s * 0.12, s * 0.76, s * 0.76);
    QRadialGradient glow(lens.center() - QPointF(s * 0.08, s * 0.1), s * 0.42);
    glow.setColorAt(0, led.centre);
    glow.setColorAt(1, led.rim);
    p.setBrush(glow);
    p.setPen(QPen(led.rim.darker(160), s / 40.0));
    p.drawEllipse(lens);
    // Specular highlight.
    QRadialGradient shine(QPointF(s * 0.4, s * 0.34), s * 0.22);
    shine.setColorAt(0, QColor(255, 255, 255, 200));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(QRectF(s * 0.2, s * 0.16, s * 0.4, s * 0.32));
    return pixmap;
}

QString glyphPath(const QString& name) {
    return QStringLiteral(":/glyphs/%1.svg").arg(name);
}

bool fontInstalled(const QString& family) {
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

}  // namespace

void paintBackground(QPainter& p, const QRect& rect, const QVector<QRect>& panels) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    QLinearGradient body(rect.topLeft(), rect.bottomLeft());
    body.setColorAt(0, kBodyTop);
    body.setColorAt(1, kBodyBottom);
    p.fillRect(rect, body);

    const QRect strip(rect.left(), rect.top(), rect.width(), kTitleStripHeight);
    QLinearGradient title(strip.topLeft(), strip.bottomLeft());
    title.setColorAt(0, kStripBottom);
    title.setColorAt(1, kStripTop);
    p.fillRect(strip, title);
    p.setPen(QColor(0x6f, 0x93, 0xc0));
    p.drawLine(strip.bottomLeft(), strip.bottomRight());

    for (const QRect& panel : panels) {
        p.setRenderHint(QPainter::Antialiasing, true);
        QPainterPath path;
        path.addRoundedRect(QRectF(panel).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
        p.fillPath(path, kPanelFill);
        p.setPen(QPen(kPanelEdge, 1));
        p.drawPath(path);
    }

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x10, 0x22, 0x3a));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect.adjusted(0, 0, -1, -1));
    p.restore();
}

QPixmap ledPicture(const QString& resourceName) {
    const LedKind* led = findLed(resourceName);
    if (!led) return {};
    const qreal dpr = screenRatio();
    static QHash<QString, QPixmap> cache;
    const QString key = QStringLiteral("%1@%2").arg(QLatin1String(led->name)).arg(dpr);
    auto it = cache.find(key);
    if (it == cache.end()) it = cache.insert(key, drawLed(*led, dpr));
    return *it;
}

QSize ledSize(const QString& resourceName) {
    const LedKind* led = findLed(resourceName);
    return led ? QSize(led->size, led->size) : QSize();
}

bool hasGlyph(const QString& name) {
    return !name.isEmpty() && QFile::exists(glyphPath(name));
}

QPixmap glyph(const QString& name, QSize logicalSize, qreal dpr) {
    static QHash<QString, QPixmap> cache;
    const QString key = QStringLiteral("%1@%2x%3@%4")
                            .arg(name)
                            .arg(logicalSize.width())
                            .arg(logicalSize.height())
                            .arg(dpr);
    auto it = cache.find(key);
    if (it != cache.end()) return *it;

    QPixmap pixmap(logicalSize * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(glyphPath(name));
    if (!renderer.isValid()) {
        qWarning("rv720: no glyph named '%s'", qPrintable(name));
        return {};
    }
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // Keep the glyph's aspect ratio inside the requested box.
    QSizeF box = renderer.defaultSize();
    box.scale(QSizeF(logicalSize), Qt::KeepAspectRatio);
    const QPointF origin((logicalSize.width() - box.width()) / 2,
                         (logicalSize.height() - box.height()) / 2);
    renderer.render(&p, QRectF(origin, box));
    p.end();
    cache.insert(key, pixmap);
    return pixmap;
}

QFont captionFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(12);
    font.setBold(true);
    return font;
}

QFont labelFont(int pixelSize, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QFont listingFont(int pixelSize, bool bold) {
    static const QString family = [] {
        for (const char* name : {"Courier New", "Liberation Mono", "Cousine", "DejaVu Sans Mono"})
            if (fontInstalled(QLatin1String(name))) return QString::fromLatin1(name);
        return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    }();
    QFont font(family);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setKerning(false);
    // The listing's columns are laid out in whole pixels (7 per character at
    // 12 px): pull the face's advance onto that pitch.
    const qreal wanted = qRound(pixelSize * 7.0 / 12.0);
    const qreal advance = QFontMetricsF(font).horizontalAdvance(QLatin1Char('0'));
    font.setLetterSpacing(QFont::AbsoluteSpacing, wanted - advance);
    return font;
}

}  // namespace rv720::artwork
