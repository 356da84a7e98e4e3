#pragma once
// The listing view (`ProgramView`): a read-only, fixed-pitch text view with one
// colour per line, a cream background, a caret and a selection, and a vertical
// scroll bar only. It paints just the lines in sight, so replacing all 999 lines
// of a program costs no more than the few on screen; the main window re-renders
// the whole listing after every change and relies on that.
//
// Positions are (line, column) in characters. The caret may stand on any line of
// the text or on the empty line below the last one (line == lineCount()), as in a
// text box whose last line ends with a line break.
#include <QAbstractScrollArea>
#include <QColor>
#include <QPointer>
#include <QString>
#include <QVector>

#include <QMenu>

namespace rv720 {

class ListingView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    struct Line {
        QString text;
        QColor color;
    };
    struct Position {
        int line = 0;
        int column = 0;
        friend bool operator==(const Position&, const Position&) = default;
        friend bool operator<(const Position& a, const Position& b) {
            return a.line != b.line ? a.line < b.line : a.column < b.column;
        }
    };

    explicit ListingView(QWidget* parent = nullptr);

    // Replaces the whole text; the caret goes to the end, nothing is selected.
    void setLines(QVector<Line> lines);
    void clear();
    int lineCount() const { return int(lines_.size()); }
    // Text and colour of line i; empty / black beyond the text.
    QString lineText(int i) const;
    QColor lineColor(int i) const;
    QString text() const;  // all lines joined with line breaks

    // Most characters the view holds (line breaks count as one); text beyond it is
    // not taken. The station raises it at start-up so a full program always fits.
    void setTextLimit(int characters);
    int textLimit() const { return textLimit_; }

    // The caret line: the line that holds the start of the selection.
    int caretLine() const { return selectionStart().line; }
    Position caret() const { return caret_; }
    Position anchor() const { return anchor_; }
    Position selectionStart() const { return std::min(anchor_, caret_); }
    Position selectionEnd() const { return std::max(anchor_, caret_); }
    bool hasSelection() const { return anchor_ != caret_; }
    QString selectedText() const;
    // What Ctrl+C puts on the clipboard: the selection without the blanks that
    // pad each line to its full width.
    QString copiedText() const;

    // Caret to (line, column), clamped, nothing selected; scrolled into view.
    void setCaret(int line, int column = 0);
    // Selects line i from its first character to its end (caret at the end).
    void selectLine(int line);
    void selectAll();
    void ensureCaretVisible();

    // Separators drawn in the blank before these character columns, on every row
    // whose character there is a blank (a longer line is never crossed).
    void setColumnSeparators(QVector<int> columns);
    QVector<int> columnSeparators() const { return separators_; }
    // x of the separator before `column`, in the viewport's coordinates.
    int separatorX(int column) const;

    // The menu a right click opens; nullptr opens nothing.
    void setPopupMenu(QMenu* menu);
    QMenu* popupMenu() const { return popup_; }

    // Geometry for the column furniture drawn over or above the view.
    int characterWidth() const { return charWidth_; }
    int lineHeight() const { return lineHeight_; }
    int textLeft() const { return kTextLeft; }
    // x of the left edge of character column c, in the view's own coordinates.
    int columnX(int column) const;
    int firstVisibleLine() const;
    int visibleLineCount() const;
    Position positionAt(const QPoint& viewportPoint) const;

  signals:
    // After the caret moved for a press (any button); the editor's selection logic
    // and double-click detection hang on this.
    void mousePressed(Qt::MouseButton button);
    void keyReleased(int key);
    void enterPressed();
    void mouseMoved();
    void copyAvailable(bool);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    static constexpr int kTextLeft = 4;
    static constexpr int kTextTop = 2;

    Position clamp(Position p) const;
    void moveCaret(Position to, bool extend);
    void extendByLine(int step);
    void updateMetrics();
    void updateScrollBar();
    int lineLength(int line) const;

    QVector<Line> lines_;
    int textLimit_ = 64000;
    Position caret_, anchor_;
    int preferredColumn_ = 0;  // kept across Up/Down through shorter lines
    bool selecting_ = false;
    int charWidth_ = 7;
    int lineHeight_ = 14;
    int ascent_ = 11;
    QPointer<QMenu> popup_;
    QVector<int> separators_;
};

}  // namespace rv720
