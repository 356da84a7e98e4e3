#pragma once
// Small pieces the station's secondary windows share: labels that act as the
// click target of the box beside them, the error colour of entry boxes, and
// names painted on a window's background picture.
#include <QLabel>
#include <QVector>
#include <QWidget>

class QAbstractButton;
class QLineEdit;

namespace rv720 {

// A text label that reports a left click (press and release inside it). Plain
// labels let presses through to the window, which drags it; these keep them, so
// clicking a box's caption never moves the window.
class ToggleLabel : public QLabel {
    Q_OBJECT
  public:
    explicit ToggleLabel(const QString& text, QWidget* parent = nullptr);

  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool pressed_ = false;
};

// Entry boxes whose text cannot be read take the error background until their
// text changes again.
void setErrorColour(QLineEdit* box, bool on);
bool hasErrorColour(const QLineEdit* box);

// Clicking a caption counts as clicking its box: the box toggles and emits
// clicked() like a mouse click would. A disabled box does not change.
void clickThroughLabel(QAbstractButton* box);

// Texts that belong to the background picture: painted on it, never in the way
// of the mouse. Create it before the window's controls so that they lie above.
class PaintedTexts : public QWidget {
    Q_OBJECT
  public:
    struct Item {
        QRect rect;
        QString text;
        bool bold = false;
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    };

    explicit PaintedTexts(QWidget* window);
    void add(const QRect& rect, const QString& text, bool bold = false,
             Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    const QVector<Item>& items() const { return items_; }
    QStringList texts() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QVector<Item> items_;
};

}  // namespace rv720
