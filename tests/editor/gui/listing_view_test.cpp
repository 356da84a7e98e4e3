// The listing view: text limit, caret and selection rules the editor relies on,
// keys and mouse, the popup hook and the 7 px column pitch.
#include <gtest/gtest.h>

#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include "editor/gui/listing_view.h"
#include "shell/gui/shell_test_app.h"

namespace rv720 {
namespace {

QVector<ListingView::Line> numbered(int n) {
    QVector<ListingView::Line> lines;
    for (int i = 1; i <= n; ++i)
        lines.append({QStringLiteral("%1: line").arg(i, 3, 10, QLatin1Char('0')), Qt::red});
    return lines;
}

struct LimitCase {
    int limit;
    int expectedLines;
    QString lastLine;
};

TEST(ListingViewTest, TextLimitKeepsWholeLinesThenCutsOne) {
    testApp();
    // Three lines of 9 characters; each line break counts as one character.
    const LimitCase cases[] = {
        {1000, 3, "003: line"},  // fits
        {29, 3, "003: line"},    // 9+1+9+1+9
        {25, 3, "003: "},        // third line cut to what is left
        {20, 2, "002: line"},    // third line starts beyond the limit
        {0, 0, ""},
    };
    for (const LimitCase& c : cases) {
        ListingView view;
        view.setTextLimit(c.limit);
        view.setLines(numbered(3));
        EXPECT_EQ(view.lineCount(), c.expectedLines) << c.limit;
        EXPECT_EQ(view.lineText(view.lineCount() - 1), c.lastLine) << c.limit;
    }
}

TEST(ListingViewTest, NewTextPutsTheCaretOnTheEmptyLineBelow) {
    testApp();
    ListingView view;
    view.setLines(numbered(5));
    view.selectLine(2);
    view.setLines(numbered(4));
    EXPECT_EQ(view.caretLine(), 4);
    EXPECT_FALSE(view.hasSelection());
    EXPECT_EQ(view.lineText(4), "");
    EXPECT_EQ(view.lineColor(1), QColor(Qt::red));
    EXPECT_EQ(view.lineColor(9), QColor(Qt::black));
}

TEST(ListingViewTest, SelectLineSpansTheWholeLineAndNamesItsCaretLine) {
    testApp();
    ListingView view;
    view.setLines(numbered(5));
    view.selectLine(3);
    EXPECT_EQ(view.caretLine(), 3);
    EXPECT_EQ(view.selectedText(), "004: line");
    EXPECT_EQ(view.selectionStart(), (ListingView::Position{3, 0}));
    EXPECT_EQ(view.selectionEnd(), (ListingView::Position{3, 9}));

    // Out-of-range requests are clamped to the text (the empty last line included).
    view.selectLine(99);
    EXPECT_EQ(view.caretLine(), 5);
    EXPECT_FALSE(view.hasSelection());
    view.setCaret(-3, 40);
    EXPECT_EQ(view.caret(), (ListingView::Position{0, 9}));
}

TEST(ListingViewTest, CaretLineIsWhereTheSelectionStartsEvenWhenDraggedUpwards) {
    testApp();
    ListingView view;
    view.setLines(numbered(5));
    view.setCaret(4, 2);
    QTest::keyClick(&view, Qt::Key_Up, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(view.caretLine(), 2);
    EXPECT_EQ(view.anchor().line, 4);
}

struct KeyCase {
    const char* name;
    ListingView::Position from;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    ListingView::Position to;
};

TEST(ListingViewTest, NavigationKeys) {
    testApp();
    // Lines "001: line" (9 chars) x 3, then the empty line 3.
    const KeyCase cases[] = {
        {"down keeps column", {0, 4}, Qt::Key_Down, {}, {1, 4}},
        {"down onto the empty line", {2, 4}, Qt::Key_Down, {}, {3, 0}},
        {"down stops at the end", {3, 0}, Qt::Key_Down, {}, {3, 0}},
        {"up stops at the top", {0, 4}, Qt::Key_Up, {}, {0, 4}},
        {"left wraps to previous end", {1, 0}, Qt::Key_Left, {}, {0, 9}},
        {"right wraps to next start", {0, 9}, Qt::Key_Right, {}, {1, 0}},
        {"home", {1, 5}, Qt::Key_Home, {}, {1, 0}},
        {"end", {1, 0}, Qt::Key_End, {}, {1, 9}},
        {"ctrl+end", {0, 0}, Qt::Key_End, Qt::ControlModifier, {3, 0}},
        {"ctrl+home", {2, 3}, Qt::Key_Home, Qt::ControlModifier, {0, 0}},
        {"page down", {0, 0}, Qt::Key_PageDown, {}, {3, 0}},
    };
    for (const KeyCase& c : cases) {
        ListingView view;
        view.resize(400, 200);
        view.setLines(numbered(3));
        view.setCaret(c.from.line, c.from.column);
        QTest::keyClick(&view, c.key, c.mods);
        EXPECT_EQ(view.caret(), c.to) << c.name;
        EXPECT_FALSE(view.hasSelection()) << c.name;
    }
}

TEST(ListingViewTest, KeyReleaseIsReportedAndTabStaysInTheView) {
    testApp();
    ListingView view;
    view.setLines(numbered(3));
    QList<int> released;
    QObject::connect(&view, &ListingView::keyReleased, [&](int key) { released << key; });
    QTest::keyClick(&view, Qt::Key_Delete);
    QTest::keyClick(&view, Qt::Key_Up);
    QTest::keyClick(&view, Qt::Key_Tab);
    EXPECT_EQ(released, (QList<int>{Qt::Key_Delete, Qt::Key_Up, Qt::Key_Tab}));
}

TEST(ListingViewTest, MousePressPlacesTheCaretUnderThePointerThenReports) {
    testApp();
    ListingView view;
    view.resize(600, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.setLines(numbered(10));
    int caretAtSignal = -1;
    Qt::MouseButton button = Qt::NoButton;
    QObject::connect(&view, &ListingView::mousePressed, [&](Qt::MouseButton b) {
        caretAtSignal = view.caretLine();
        button = b;
    });
    const QPoint onLine6(view.textLeft() + 3 * view.characterWidth(),
                         2 + 6 * view.lineHeight() + view.lineHeight() / 2);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, onLine6);
    EXPECT_EQ(caretAtSignal, 6);
    EXPECT_EQ(view.caret().column, 3);
    EXPECT_EQ(button, Qt::LeftButton);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, onLine6);

    // Below the text the caret lands on the empty last line.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(20, 290));
    EXPECT_EQ(view.caretLine(), 10);

    // A right press chooses the line under the pointer too, before it reports (the
    // popup then acts on that line), and never spreads a selection.
    view.selectLine(2);
    QTest::mousePress(view.viewport(), Qt::RightButton, Qt::ShiftModifier, onLine6);
    EXPECT_EQ(button, Qt::RightButton);
    EXPECT_EQ(caretAtSignal, 6);
    EXPECT_FALSE(view.hasSelection());
}

TEST(ListingViewTest, ACaretOutOfSightScrollsIntoView) {
    testApp();
    ListingView view;
    view.resize(400, 10 * 14 + 8);
    view.setLines(numbered(999));
    view.setCaret(500);
    const int first = view.firstVisibleLine();
    EXPECT_LE(first, 500);
    EXPECT_GT(first + view.visibleLineCount(), 500);
    view.setCaret(0);
    EXPECT_EQ(view.firstVisibleLine(), 0);
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 1000 - view.visibleLineCount());
}

TEST(ListingViewTest, PopupCanBeDetached) {
    testApp();
    ListingView view;
    QMenu menu;
    view.setPopupMenu(&menu);
    EXPECT_EQ(view.popupMenu(), &menu);
    view.setPopupMenu(nullptr);
    EXPECT_EQ(view.popupMenu(), nullptr);
}

TEST(ListingViewTest, ColumnsSitSevenPixelsApart) {
    testApp();
    ListingView view;
    EXPECT_EQ(view.characterWidth(), 7);
    EXPECT_EQ(view.columnX(29) - view.columnX(5), 24 * 7);
    EXPECT_EQ(view.columnX(77) - view.columnX(53), 24 * 7);
}

// Counts pixels of roughly this colour in one text row of the view's image.
int inkInRow(const QImage& image, int top, int height, const QColor& ink) {
    int count = 0;
    for (int y = top; y < top + height; ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - ink.red()) < 40 && qAbs(c.green() - ink.green()) < 40 &&
                qAbs(c.blue() - ink.blue()) < 40)
                ++count;
        }
    return count;
}

TEST(ListingViewTest, EachLineIsPaintedInItsOwnColourOnCream) {
    testApp();
    ListingView view;
    view.resize(400, 120);
    const QColor blue(24, 142, 214), red(123, 40, 42);
    view.setLines({{"001: v_min(M1; 12.50)", blue}, {"002: v_max(M2; 20.00)", red}});
    const QImage image = view.viewport()->grab().toImage();
    const int h = view.lineHeight();
    EXPECT_GT(inkInRow(image, 2, h, blue), 20);
    EXPECT_EQ(inkInRow(image, 2, h, red), 0);
    EXPECT_GT(inkInRow(image, 2 + h, h, red), 20);
    EXPECT_EQ(inkInRow(image, 2 + h, h, blue), 0);
    EXPECT_EQ(image.pixelColor(image.width() - 5, image.height() - 5), QColor(0xff, 0xfb, 0xe6));
}

TEST(ListingViewTest, SelectionIsPaintedInTheHighlightColour) {
    testApp();
    ListingView view;
    view.resize(400, 120);
    view.setLines(numbered(3));
    const QColor highlight = view.palette().color(QPalette::Inactive, QPalette::Highlight);
    const int h = view.lineHeight();
    EXPECT_EQ(inkInRow(view.viewport()->grab().toImage(), 2 + h, h, highlight), 0);
    view.selectLine(1);
    const QImage image = view.viewport()->grab().toImage();
    EXPECT_GT(inkInRow(image, 2 + h, h, highlight), 9 * 7 * h / 2);
    EXPECT_EQ(inkInRow(image, 2, h, highlight), 0);
}

TEST(ListingViewTest, SelectionIsCopiedAsPlainLines) {
    testApp();
    ListingView view;
    view.setLines(numbered(3));
    view.setCaret(0, 5);
    QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);  // whole lines
    EXPECT_EQ(view.selectedText(), "001: line\n002: line");
    view.selectAll();
    EXPECT_EQ(view.selectedText(), "001: line\n002: line\n003: line\n");
}

}  // namespace
}  // namespace rv720
