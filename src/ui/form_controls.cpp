#include "ui/form_controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include "support/color.h"
#include "ui/artwork.h"

namespace rv720 {

ToggleLabel::ToggleLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setCursor(Qt::PointingHandCursor);
}

void ToggleLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void ToggleLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool inside = rect().contains(event->position().toPoint());
    const bool click = pressed_ && event->button() == Qt::LeftButton && inside;
    pressed_ = false;
    event->accept();
    if (click) emit clicked();
}

void setErrorColour(QLineEdit* box, bool on) {
    QPalette palette = box->palette();
    if (on) {
        const Rgb c = colors::Error;
        palette.setColor(QPalette::Base, QColor(c.r, c.g, c.b));
    } else {
        // Back to whatever the style gives an entry box.
        palette.setColor(QPalette::Base, QApplication::palette(box).color(QPalette::Base));
    }
    box->setPalette(palette);
}

bool hasErrorColour(const QLineEdit* box) {
    const Rgb c = colors::Error;
    return box->palette().color(QPalette::Base) == QColor(c.r, c.g, c.b);
}

void clickThroughLabel(QAbstractButton* box) {
    box->click();  // does nothing while the box is disabled
}

PaintedTexts::PaintedTexts(QWidget* window) : QWidget(window) {
    setObjectName(QStringLiteral("Image1Texts"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(window->rect());
}

void PaintedTexts::add(const QRect& rect, const QString& text, bool bold, Qt::Alignment alignment) {
    items_.append({rect, text, bold, alignment});
    update();
}

QStringList PaintedTexts::texts() const {
    QStringList out;
    for (const Item& item : items_)
        out << item.text;
    return out;
}

void PaintedTexts::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(artwork::kInk);
    for (const Item& item : items_) {
        p.setFont(artwork::labelFont(11, item.bold));
        p.drawText(item.rect, int(item.alignment), item.text);
    }
}

}  // namespace rv720
