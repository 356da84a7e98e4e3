#include "editor/gui/listing_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include "ui/artwork.h"

namespace rv720 {

ListingView::ListingView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("ProgramView"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    setFont(artwork::listingFont());
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(1);
    updateMetrics();
    updateScrollBar();
}

// ------------------------------------------------------------------- content

void ListingView::setLines(QVector<Line> lines) {
    // Keep within the text limit: whole lines while they fit, then a cut line.
    qsizetype used = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype room = textLimit_ - used;
        if (room <= 0) {
            lines.resize(i);
            break;
        }
        if (lines[i].text.size() > room) {
            lines[i].text.truncate(room);
            lines.resize(i + 1);
            break;
        }
        used += lines[i].text.size() + 1;
    }
    lines_ = std::move(lines);
    caret_ = anchor_ = Position{lineCount(), 0};
    preferredColumn_ = 0;
    updateScrollBar();
    viewport()->update();
    emit copyAvailable(false);
}

void ListingView::clear() {
    setLines({});
}

QString ListingView::lineText(int i) const {
    return i >= 0 && i < lineCount() ? lines_[i].text : QString();
}

QColor ListingView::lineColor(int i) const {
    return i >= 0 && i < lineCount() ? lines_[i].color : QColor(Qt::black);
}

QString ListingView::text() const {
    QStringList all;
    all.reserve(lineCount());
    for (const Line& line : lines_)
        all << line.text;
    return all.join(QLatin1Char('\n'));
}

void ListingView::setTextLimit(int characters) {
    textLimit_ = qMax(0, characters);
}

int ListingView::lineLength(int line) const {
    return int(lineText(line).size());
}

QString ListingView::selectedText() const {
    const Position a = selectionStart(), b = selectionEnd();
    QStringList parts;
    for (int line = a.line; line <= b.line; ++line) {
        const QString t = lineText(line);
        const int from = line == a.line ? a.column : 0;
        const int to = line == b.line ? b.column : int(t.size());
        parts << t.mid(from, to - from);
    }
    return parts.join(QLatin1Char('\n'));
}

QString ListingView::copiedText() const {
    QStringList lines = selectedText().split(QLatin1Char('\n'));
    for (QString& line : lines) {
        qsizetype end = line.size();
        while (end > 0 && line.at(end - 1) == QLatin1Char(' '))
            --end;
        line.truncate(end);
    }
    return lines.join(QLatin1Char('\n'));
}

// ------------------------------------------------------------ caret, selection

ListingView::Position ListingView::clamp(Position p) const {
    p.line = qBound(0, p.line, lineCount());
    p.column = qBound(0, p.column, lineLength(p.line));
    return p;
}

void ListingView::moveCaret(Position to, bool extend) {
    const bool had = hasSelection();
    caret_ = clamp(to);
    if (!extend) anchor_ = caret_;
    ensureCaretVisible();
    viewport()->update();
    if (had != hasSelection()) emit copyAvailable(hasSelection());
}

void ListingView::setCaret(int line, int column) {
    moveCaret({line, column}, false);
    preferredColumn_ = caret_.column;
}

void ListingView::selectLine(int line) {
    line = qBound(0, line, lineCount());
    anchor_ = {line, 0};
    moveCaret({line, lineLength(line)}, true);
    preferredColumn_ = caret_.column;
}

// Shift+Up/Down: the selection grows or shrinks by whole lines, from the line it
// was started on to the line the caret moves to.
void ListingView::extendByLine(int step) {
    const int from = anchor_.line;
    const int to = qBound(0, caret_.line + step, lineCount());
    if (to >= from) {
        anchor_ = {from, 0};
        moveCaret({to, lineLength(to)}, true);
    } else {
        anchor_ = {from, lineLength(from)};
        moveCaret({to, 0}, true);
    }
    preferredColumn_ = 0;
}

void ListingView::selectAll() {
    anchor_ = {0, 0};
    moveCaret({lineCount(), 0}, true);
}

void ListingView::ensureCaretVisible() {
    QScrollBar* bar = verticalScrollBar();
    const int first = bar->value();
    const int rows = qMax(1, visibleLineCount());
    if (caret_.line < first)
        bar->setValue(caret_.line);
    else if (caret_.line >= first + rows)
        bar->setValue(caret_.line - rows + 1);
}

void ListingView::setColumnSeparators(QVector<int> columns) {
    separators_ = std::move(columns);
    viewport()->update();
}

int ListingView::separatorX(int column) const {
    return kTextLeft + column * charWidth_ - charWidth_ / 2 - 1;
}

void ListingView::setPopupMenu(QMenu* menu) {
    popup_ = menu;
}

// ----------------------------------------------------------------- geometry

void ListingView::updateMetrics() {
    const QFontMetricsF fm(font());
    charWidth_ = qMax(1, qRound(fm.horizontalAdvance(QLatin1Char('0'))));
    lineHeight_ = qMax(1, qCeil(fm.height()));
    ascent_ = qRound(fm.ascent());
}

int ListingView::columnX(int column) const {
    return frameWidth() + kTextLeft + column * charWidth_;
}

int ListingView::firstVisibleLine() const {
    return verticalScrollBar()->value();
}

int ListingView::visibleLineCount() const {
    return qMax(0, (viewport()->height() - kTextTop) / lineHeight_);
}

void ListingView::updateScrollBar() {
    const int rows = qMax(1, visibleLineCount());
    const int total = lineCount() + 1;  // the empty line below the text
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(rows);
    bar->setRange(0, qMax(0, total - rows));
}

ListingView::Position ListingView::positionAt(const QPoint& p) const {
    const int line = firstVisibleLine() + qMax(0, p.y() - kTextTop) / lineHeight_;
    const int column = qMax(0, (p.x() - kTextLeft + charWidth_ / 2) / charWidth_);
    return clamp({line, column});
}

// ------------------------------------------------------------------ painting

void ListingView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), artwork::kListingBackground);
    p.setFont(font());

    const QPalette pal = palette();
    const bool active = hasFocus();
    const QColor selBack =
        pal.color(active ? QPalette::Active : QPalette::Inactive, QPalette::Highlight);
    const QColor selText =
        pal.color(active ? QPalette::Active : QPalette::Inactive, QPalette::HighlightedText);
    const Position s = selectionStart(), e = selectionEnd();
    const int first = firstVisibleLine();
    const int last = qMin(lineCount(), first + visibleLineCount() + 1);

    for (int line = first; line <= last; ++line) {
        const int y = kTextTop + (line - first) * lineHeight_;
        const QString& t = line < lineCount() ? lines_[line].text : QString();
        const QColor ink = lineColor(line);
        p.setPen(ink);
        p.drawText(kTextLeft, y + ascent_, t);

        if (hasSelection() && line >= s.line && line <= e.line) {
            const int from = line == s.line ? s.column : 0;
            // A line break inside the selection shows as one selected cell.
            const int to = line == e.line ? e.column : int(t.size()) + 1;
            if (to > from) {
                const QRect band(kTextLeft + from * charWidth_, y, (to - from) * charWidth_,
                                 lineHeight_);
                p.fillRect(band, selBack);
                p.save();
                p.setClipRect(band);
                p.setPen(selText);
                p.drawText(kTextLeft, y + ascent_, t);
                p.restore();
            }
        }
    }

    // A separator stands in the blank cell before its column. A row whose text
    // runs on through that place (a character in the cell, or characters on both
    // sides of it) is left open, so no line is ever crossed.
    const int rows = visibleLineCount() + 1;
    for (int column : separators_) {
        const int x = separatorX(column);
        for (int row = 0; row <= rows; ++row) {
            const QString t = lineText(first + row);
            const auto inked = [&t](int cell) {
                return cell >= 0 && cell < t.size() && t.at(cell) != QLatin1Char(' ');
            };
            if (inked(column - 1) || (inked(column - 2) && inked(column))) continue;
            const int top = row == 0 ? 0 : kTextTop + row * lineHeight_;
            p.fillRect(QRect(x, top, 1, kTextTop + (row + 1) * lineHeight_ - top), Qt::black);
        }
    }

    if (active && caret_.line >= first && caret_.line <= last) {
        const int x = kTextLeft + caret_.column * charWidth_;
        const int y = kTextTop + (caret_.line - first) * lineHeight_;
        p.fillRect(QRect(x, y, 1, lineHeight_), Qt::black);
    }
}

void ListingView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBar();
}

void ListingView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        updateMetrics();
        updateScrollBar();
    }
    QAbstractScrollArea::changeEvent(event);
}

void ListingView::focusInEvent(QFocusEvent* event) {
    viewport()->update();
    QAbstractScrollArea::focusInEvent(event);
}

void ListingView::focusOutEvent(QFocusEvent* event) {
    viewport()->update();
    QAbstractScrollArea::focusOutEvent(event);
}

// ------------------------------------------------------------------ keyboard

bool ListingView::event(QEvent* event) {
    // Tab keys belong to the view (they move nothing in a read-only text) rather
    // than moving the focus on.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void ListingView::keyPressEvent(QKeyEvent* event) {
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    Position to = caret_;
    bool vertical = false;
    if (event->matches(QKeySequence::Copy)) {
        if (hasSelection()) QApplication::clipboard()->setText(copiedText());
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit enterPressed();
        event->accept();
        return;
    }
    if (extend && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        extendByLine(event->key() == Qt::Key_Up ? -1 : 1);
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Up:
            to.line -= 1;
            vertical = true;
            break;
        case Qt::Key_Down:
            to.line += 1;
            vertical = true;
            break;
        case Qt::Key_PageUp:
            to.line -= qMax(1, visibleLineCount());
            vertical = true;
            break;
        case Qt::Key_PageDown:
            to.line += qMax(1, visibleLineCount());
            vertical = true;
            break;
        case Qt::Key_Left:
            if (to.column > 0) {
                to.column -= 1;
            } else if (to.line > 0) {
                to.line -= 1;
                to.column = lineLength(to.line);
            }
            break;
        case Qt::Key_Right:
            if (to.column < lineLength(to.line)) {
                to.column += 1;
            } else if (to.line < lineCount()) {
                to = {to.line + 1, 0};
            }
            break;
        case Qt::Key_Home:
            to = ctrl ? Position{0, 0} : Position{to.line, 0};
            break;
        case Qt::Key_End:
            to = ctrl ? Position{lineCount(), 0} : Position{to.line, lineLength(to.line)};
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    if (vertical) {
        to.line = qBound(0, to.line, lineCount());
        to.column = preferredColumn_;
        moveCaret(to, extend);
    } else {
        moveCaret(to, extend);
        preferredColumn_ = caret_.column;
    }
    event->accept();
}

void ListingView::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) emit keyReleased(event->key());
    QAbstractScrollArea::keyReleaseEvent(event);
}

// --------------------------------------------------------------------- mouse

void ListingView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    // Every button chooses the pressed line first, so the pop-up menu a right
    // click opens acts on the line under the mouse.
    const bool left = event->button() == Qt::LeftButton;
    moveCaret(positionAt(event->position().toPoint()),
              left && (event->modifiers() & Qt::ShiftModifier));
    preferredColumn_ = caret_.column;
    selecting_ = left;
    emit mousePressed(event->button());
    event->accept();
}

void ListingView::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click is two presses here; the editor tells them apart itself.
    mousePressEvent(event);
}

void ListingView::mouseMoveEvent(QMouseEvent* event) {
    if (selecting_ && (event->buttons() & Qt::LeftButton))
        moveCaret(positionAt(event->position().toPoint()), true);
    emit mouseMoved();
    event->accept();
}

void ListingView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) selecting_ = false;
    event->accept();
}

void ListingView::contextMenuEvent(QContextMenuEvent* event) {
    if (popup_) popup_->popup(event->globalPos());
    event->accept();
}

}  // namespace rv720
