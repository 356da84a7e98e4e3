#include "ui/station_window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>
#include <QWindow>
#include <optional>

#include "ui/artwork.h"
#include "ui/station_settings.h"

namespace rv720 {

namespace {

QPointer<QWidget>& mainWindowRef() {
    static QPointer<QWidget> window;
    return window;
}

StationSettings*& settingsRef() {
    static StationSettings* settings = nullptr;
    return settings;
}

constexpr int kBesideGap = 8;    // between the main window and one beside it
constexpr int kBesideStep = 32;  // each further window beside it a little lower

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

void PictureButton::setMarked(bool marked) {
    if (marked_ == marked) return;
    marked_ = marked;
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
    if (marked_) {
        p.setOpacity(1.0);
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(artwork::kMarkColour);
        p.drawEllipse(QRectF(width() - 10.5, 1.5, 8, 8));
    }
}

// ----------------------------------------------------------------- CaptionLabel

QString CaptionLabel::shownText() const {
    const QString full = text();
    const QFontMetrics fm(font());
    const int room = contentsRect().width();
    if (fm.horizontalAdvance(full) <= room) return full;
    const qsizetype open = full.lastIndexOf(QLatin1Char('['));
    if (open < 0 || !full.endsWith(QLatin1Char(']')))
        return fm.elidedText(full, Qt::ElideRight, room);
    // "head [folders/name]": the folders give way first, then the head.
    const QString head = full.left(open + 1);
    const QString path = full.mid(open + 1, full.size() - open - 2);
    const qsizetype slash =
        qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const QString tail = path.mid(slash < 0 ? 0 : slash) + QLatin1Char(']');
    const QString folders = path.left(qMax<qsizetype>(slash, 0));
    const QString ellipsis(QChar(0x2026));
    const int forFolders = room - fm.horizontalAdvance(head) - fm.horizontalAdvance(tail);
    if (!folders.isEmpty() && forFolders >= fm.horizontalAdvance(ellipsis))
        return head + fm.elidedText(folders, Qt::ElideMiddle, forFolders) + tail;
    const int forHead = room - fm.horizontalAdvance(ellipsis + tail);
    if (forHead > 0) return fm.elidedText(head, Qt::ElideRight, forHead) + ellipsis + tail;
    return fm.elidedText(tail, Qt::ElideLeft, room);
}

void CaptionLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    style()->drawItemText(&p, contentsRect(), int(alignment()), palette(), isEnabled(), shownText(),
                          foregroundRole());
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

    FormCaption = new CaptionLabel(options.caption, this);
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

void StationWindow::setSettings(StationSettings* settings) {
    settingsRef() = settings;
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

void StationWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (placed_ && placement_ == Placement::BesideMainWindow && settingsRef())
        settingsRef()->setWindowPosition(objectName(), pos());
}

void StationWindow::placeOnFirstShow() {
    if (placed_) return;
    QWidget* anchor = mainWindowRef();
    if (placement_ == Placement::BesideMainWindow && anchor && anchor != this) {
        // Where the operator left it last time, if that is still on a screen.
        const std::optional<QPoint> kept =
            settingsRef() ? settingsRef()->windowPosition(objectName()) : std::nullopt;
        if (kept && QGuiApplication::screenAt(*kept + QPoint(width() / 2, 8)))
            move(*kept);
        else
            move(besideMainWindow(anchor));
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    placed_ = true;
}

// Right of the main window when the screen has room there, else left of it, else
// over the middle of the main window (never over its indicators and emergency
// stop at the right edge); each window already open pushes the next one a step
// further, so they do not cover each other.
QPoint StationWindow::besideMainWindow(QWidget* anchor) const {
    const QRect main = anchor->frameGeometry();
    QScreen* screen = anchor->screen() ? anchor->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : main;
    int others = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w != anchor && w->isVisible() && qobject_cast<const StationWindow*>(w))
            ++others;
    const int step = others * kBesideStep;
    QPoint at(main.right() + 1 + kBesideGap, main.top() + step);
    if (at.x() + width() > area.right() + 1) at.setX(main.left() - kBesideGap - width());
    if (at.x() < area.left())
        at = main.center() - QPoint(width() / 2, height() / 2) + QPoint(step, step);
    at.setX(qBound(area.left(), at.x(), area.right() + 1 - width()));
    at.setY(qBound(area.top(), at.y(), area.bottom() + 1 - height()));
    return at;
}

}  // namespace rv720
