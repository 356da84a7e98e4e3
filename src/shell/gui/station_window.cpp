#include "shell/gui/station_window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWindow>

#include "shell/gui/artwork.h"

namespace rv720 {

namespace {

QPointer<QWidget>& mainWindowRef() {
    static QPointer<QWidget> window;
    return window;
}

// The background picture: paints the window's artwork and lets every mouse event
// fall through to the window, so labels and the picture drag alike.
class BackgroundPicture final : public QWidget {
  public:
    explicit BackgroundPicture(StationWindow* window) : QWidget(window), window_(window) {
        setObjectName(QStringLiteral("Image1"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        artwork::paintBackground(p, rect(), window_->panels());
    }

  private:
    StationWindow* window_;
};

}  // namespace

// ---------------------------------------------------------------- PictureButton

PictureButton::PictureButton(const QString& glyphName, QWidget* parent)
    : QAbstractButton(parent), glyph_(glyphName) {
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);  // like the station's speed buttons: never takes the focus
}

void PictureButton::setGlyphName(const QString& name) {
    glyph_ = name;
    update();
}

void PictureButton::setGlyphSize(int pixels) {
    glyphSize_ = pixels;
    update();
}

QSize PictureButton::sizeHint() const {
    return QSize(32, 32);
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool down = isDown() || isChecked();
    const bool hot = isEnabled() && underMouse();
    if (down || hot) {
        QPainterPath path;
        path.addRoundedRect(face, 4, 4);
        QLinearGradient plate(face.topLeft(), face.bottomLeft());
        if (down) {
            plate.setColorAt(0, QColor(0x9f, 0xb4, 0xcc));
            plate.setColorAt(1, QColor(0xc9, 0xd6, 0xe4));
        } else {
            plate.setColorAt(0, QColor(255, 255, 255, 230));
            plate.setColorAt(1, QColor(0xdc, 0xe6, 0xf1, 230));
        }
        p.fillPath(path, plate);
        p.setPen(QPen(QColor(0x5d, 0x7a, 0x9c), 1));
        p.drawPath(path);
    }

    const int edge = glyphSize_ > 0 ? glyphSize_ : qMax(8, qMin(width(), height()) - 8);
    const QPixmap picture = artwork::glyph(glyph_, QSize(edge, edge), devicePixelRatioF());
    const int shift = down ? 1 : 0;
    if (!isEnabled()) p.setOpacity(0.35);
    if (text().isEmpty()) {
        const QPoint at((width() - edge) / 2 + shift, (height() - edge) / 2 + shift);
        p.drawPixmap(at, picture);
    } else {
        const int left = 4 + shift;
        p.drawPixmap(QPoint(left, (height() - edge) / 2 + shift), picture);
        p.setPen(artwork::kInk);
        p.setFont(font());
        const QRect textRect(left + edge + 5, shift, width() - left - edge - 7, height());
        p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text());
    }
}

// ------------------------------------------------------------------- PictureBox

bool PictureBox::loadPicture(const QString& resourceName) {
    const QPixmap pixmap = artwork::ledPicture(resourceName);
    if (pixmap.isNull()) return false;
    picture_ = resourceName;
    setPixmap(pixmap);
    return true;
}

// ---------------------------------------------------------------- StationWindow

StationWindow::StationWindow(const Options& options, QWidget* parent)
    : QWidget(parent), draggable_(options.draggable), placement_(options.placement) {
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
    if (options.stayOnTop) flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);
    setObjectName(options.objectName);
    setFixedSize(options.clientSize);
    setWindowTitle(options.caption);
    setMouseTracking(true);  // background hints need movement without a pressed button

    Image1 = new BackgroundPicture(this);
    Image1->setGeometry(rect());

    FormCaption = new QLabel(options.caption, this);
    FormCaption->setObjectName(QStringLiteral("FormCaption"));
    FormCaption->setFont(artwork::captionFont());
    FormCaption->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    FormCaption->setGeometry(10, 0, width() - 20, artwork::kTitleStripHeight);
    FormCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // Keys are previewed for the whole window, whichever control has the focus.
    qApp->installEventFilter(this);
}

StationWindow::~StationWindow() {
    if (qApp) qApp->removeEventFilter(this);
}

void StationWindow::setMainWindow(QWidget* window) {
    mainWindowRef() = window;
}

bool StationWindow::staysOnTop() const {
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

PictureButton* StationWindow::addPictureButton(const QString& objectName, const QString& glyphName,
                                               const QRect& geometry, const QString& toolTip,
                                               const QString& text) {
    auto* button = new PictureButton(glyphName, this);
    button->setObjectName(objectName);
    button->setGeometry(geometry);
    if (!toolTip.isEmpty()) button->setToolTip(toolTip);
    if (!text.isEmpty()) {
        button->setText(text);
        button->setFont(artwork::labelFont(10));
    }
    return button;
}

void StationWindow::addPanel(const QRect& rect) {
    panels_.append(rect);
    Image1->update();
}

bool StationWindow::StartWindowDrag(Qt::MouseButton button) {
    if (button != Qt::LeftButton || !draggable_) return false;
    QWindow* handle = windowHandle();
    if (handle && handle->startSystemMove()) return true;
    // No system move on this platform: follow the mouse ourselves until release.
    manualDrag_ = true;
    dragOffset_ = QCursor::pos() - frameGeometry().topLeft();
    return true;
}

bool StationWindow::FormKeyPress(int) {
    return false;
}

void StationWindow::Image1MouseDown(Qt::MouseButton button) {
    StartWindowDrag(button);
}

bool StationWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        int code = 0;
        if (key == Qt::Key_Escape) code = 27;
        if (key == Qt::Key_Return || key == Qt::Key_Enter) code = 13;
        if (code != 0 && FormKeyPress(code)) return true;
    }
    return QWidget::eventFilter(watched, event);
}

void StationWindow::mousePressEvent(QMouseEvent* event) {
    Image1MouseDown(event->button());
    if (manualDrag_) dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
}

void StationWindow::mouseMoveEvent(QMouseEvent* event) {
    if (manualDrag_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
    } else if (!childAt(event->position().toPoint())) {
        // Only the bare background counts; movement a control passed on does not.
        Image1MouseMove();
    }
    event->accept();
}

void StationWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) manualDrag_ = false;
    event->accept();
}

void StationWindow::showEvent(QShowEvent* event) {
    placeOnFirstShow();
    QWidget::showEvent(event);
}

void StationWindow::resizeEvent(QResizeEvent* event) {
    Image1->setGeometry(rect());
    QWidget::resizeEvent(event);
}

void StationWindow::placeOnFirstShow() {
    if (placed_) return;
    placed_ = true;
    QRect area;
    QWidget* anchor = mainWindowRef();
    if (placement_ == Placement::CentredOnMainWindow && anchor && anchor != this) {
        area = anchor->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
}

}  // namespace rv720
