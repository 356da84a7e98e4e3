#pragma once
// Base of every station window. The windows are borderless and custom-drawn: a
// full-window background picture (`Image1`), a caption label (`FormCaption`, white
// Verdana on the title strip) and flat picture buttons. A left-button press on the
// background moves the window through the window system (`StartWindowDrag`); Esc and
// Enter reach the window's `FormKeyPress` before any of its controls sees them.
#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QVector>
#include <QWidget>

namespace rv720 {

// A flat button drawn from a glyph (see artwork.h), optionally with a short text
// beside it. It shows a raised plate under the mouse and a sunken one when pressed;
// disabled, its glyph fades.
class PictureButton : public QAbstractButton {
    Q_OBJECT
  public:
    explicit PictureButton(const QString& glyphName, QWidget* parent = nullptr);

    QString glyphName() const { return glyph_; }
    void setGlyphName(const QString& name);
    // Glyph box edge in logical pixels; 0 picks a size from the button's height.
    void setGlyphSize(int pixels);
    // A small dot in the top right corner (Save: the program differs from its file).
    void setMarked(bool marked);
    bool isMarked() const { return marked_; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString glyph_;
    int glyphSize_ = 0;
    bool marked_ = false;
};

// A label that shows one of the indicator bitmaps by resource name.
class PictureBox : public QLabel {
    Q_OBJECT
  public:
    explicit PictureBox(QWidget* parent = nullptr) : QLabel(parent) {}
    // Loads the bitmap "ID_led_..." (any letter case); returns false for an unknown name.
    bool loadPicture(const QString& resourceName);
    QString pictureName() const { return picture_; }

  private:
    QString picture_;
};

// The caption label FormCaption. A caption too long for the strip is shown
// shortened in the middle of its bracketed path, so that the file name and the
// closing bracket stay in sight; text() is always the whole caption.
class CaptionLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
    QString shownText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

class StationSettings;

class StationWindow : public QWidget {
    Q_OBJECT
  public:
    enum class Placement {
        ScreenCentre,     // centred on the screen (desktop) on first show
        BesideMainWindow  // where the operator last put it, else beside the main window
    };

    struct Options {
        QString objectName;     // the window's global name, e.g. "FInfo"
        QSize clientSize;       // fixed; the windows are not resizable
        QString caption;        // text of FormCaption
        bool stayOnTop = true;  // secondary windows stay above the main window
        bool draggable = true;  // FPass cannot be moved
        Placement placement = Placement::BesideMainWindow;
    };

    explicit StationWindow(const Options& options, QWidget* parent = nullptr);
    ~StationWindow() override;

    CaptionLabel* FormCaption = nullptr;
    QWidget* Image1 = nullptr;

    bool isDraggable() const { return draggable_; }
    bool staysOnTop() const;

    // Turns a left-button press on the background into a window move, the way a
    // title-bar drag would; other buttons do nothing. Returns whether a move began.
    bool StartWindowDrag(Qt::MouseButton button);

    // A flat picture button placed at geometry (logical pixels, client coordinates).
    PictureButton* addPictureButton(const QString& objectName, const QString& glyphName,
                                    const QRect& geometry, const QString& toolTip = {},
                                    const QString& text = {});
    // A recessed panel painted into the background picture behind a control group.
    void addPanel(const QRect& rect);
    const QVector<QRect>& panels() const { return panels_; }

    // The window the BesideMainWindow placement refers to.
    static void setMainWindow(QWidget* window);
    // Where the windows placed beside the main window keep their positions.
    static void setSettings(StationSettings* settings);

  protected:
    // Keys previewed before the window's controls: 27 for Esc, 13 for Enter.
    // Return true when the key was used; it then goes no further.
    virtual bool FormKeyPress(int key);
    // A press on the background picture; by default it starts a window drag.
    virtual void Image1MouseDown(Qt::MouseButton button);
    // Mouse movement over the background picture (the main window's hints use it).
    virtual void Image1MouseMove() {}

    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void placeOnFirstShow();
    QPoint besideMainWindow(QWidget* anchor) const;

    bool draggable_;
    Placement placement_;
    bool placed_ = false;
    bool manualDrag_ = false;  // platforms without a system move (offscreen, no WM)
    QPoint dragOffset_;
    QVector<QRect> panels_;
};

}  // namespace rv720
