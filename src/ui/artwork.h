#pragma once
// The station's artwork: window backgrounds, button glyphs, the indicator bitmaps
// and the two fonts every window shares.
//
// Backgrounds are painted from one palette (a dark title strip over a light body,
// with recessed panels a window declares for its control groups), so every window
// looks alike and stays sharp at any scaling. Glyphs are small SVG files in
// resources/glyphs/ compiled into the binary; they are rendered at the screen's
// device pixel ratio and cached. The four indicator bitmaps are drawn once per
// pixel ratio and looked up by resource name, ignoring letter case, as the
// station's windows ask for them ("ID_led_stop", "ID_led_play", "ID_led_on",
// "ID_led_off").
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QVector>

class QPainter;

namespace rv720::artwork {

inline constexpr int kTitleStripHeight = 28;

// Palette shared by all windows.
inline const QColor kStripTop{0x1b, 0x33, 0x55};
inline const QColor kStripBottom{0x2c, 0x52, 0x82};
inline const QColor kBodyTop{0xe9, 0xee, 0xf3};
inline const QColor kBodyBottom{0xd0, 0xd9, 0xe3};
inline const QColor kPanelFill{0xf5, 0xf7, 0xfa};
inline const QColor kPanelEdge{0x9a, 0xa8, 0xb8};
inline const QColor kListingBackground{0xff, 0xfb, 0xe6};  // cream
inline const QColor kInk{0x1f, 0x2a, 0x37};
inline const QColor kMarkColour{0xdd, 0x6b, 0x20};  // the unsaved-changes dot and word

// Paints a full-window background: title strip, body, frame and the given panels.
void paintBackground(QPainter& painter, const QRect& rect, const QVector<QRect>& panels);

// An indicator bitmap by resource name (case-insensitive); a null pixmap when the
// name is unknown. "ID_led_stop"/"ID_led_play" are 60 x 60, "ID_led_off"/"ID_led_on"
// 30 x 30 logical pixels.
QPixmap ledPicture(const QString& resourceName);
QSize ledSize(const QString& resourceName);  // invalid size when unknown

// Glyphs: ":/glyphs/<name>.svg".
bool hasGlyph(const QString& name);
QPixmap glyph(const QString& name, QSize logicalSize, qreal devicePixelRatio);

// White Verdana (or its metric sibling) for window captions.
QFont captionFont();
// Plain UI text for labels on the light body.
QFont labelFont(int pixelSize = 11, bool bold = false);
// The fixed-pitch listing font: "Courier New" 12 px where installed, otherwise a
// metric-compatible face, so that a character is 7 px wide.
QFont listingFont(int pixelSize = 12, bool bold = false);

}  // namespace rv720::artwork
