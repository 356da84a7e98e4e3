// Printing the listing: 90 lines a page, lines spaced by their measured height,
// the frame of the margins on the last page only; and the real print path to PDF.
#include <gtest/gtest.h>

#include <QPrinter>
#include <QRegularExpression>
#include <QTest>

#include "shell/gui/printing.h"
#include "station_fixture.h"
#include "support/temp_folder.h"

namespace rv720 {
namespace {

// Records what the print job draws, page by page.
class RecordingCanvas final : public PrintCanvas {
  public:
    struct Page {
        QList<QPoint> textAt;
        QStringList texts;
        QList<QRect> frames;
    };
    QList<Page> pages;
    QString face;
    bool ended = false;
    bool startFails = false;

    QSize pageSize() const override { return QSize(4800, 6800); }
    void setFontFace(const QString& f) override { face = f; }
    bool beginDocument() override {
        if (startFails) return false;
        pages.append(Page{});
        return true;
    }
    void newPage() override { pages.append(Page{}); }
    int textHeight(const QString&) override { return 50; }
    void textOut(int x, int y, const QString& text) override {
        pages.last().textAt << QPoint(x, y);
        pages.last().texts << text;
    }
    void frameRect(const QRect& rect) override { pages.last().frames << rect; }
    bool endDocument() override {
        ended = true;
        return true;
    }
};

QStringList numberedLines(int n) {
    QStringList lines;
    for (int i = 1; i <= n; ++i)
        lines << QStringLiteral("%1: x").arg(i, 3, 10, QLatin1Char('0'));
    return lines;
}

TEST(PrintListingTest, PageBreaksAndTheFrameOnTheLastPage) {
    const struct {
        int lines;
        QList<int> perPage;
    } cases[] = {
        {0, {0}},      {1, {1}},        {89, {89}},         {90, {90}},
        {91, {90, 1}}, {180, {90, 90}}, {181, {90, 90, 1}},
    };
    for (const auto& c : cases) {
        RecordingCanvas canvas;
        ASSERT_TRUE(printListing(canvas, numberedLines(c.lines)));
        ASSERT_EQ(canvas.pages.size(), c.perPage.size()) << c.lines;
        for (int p = 0; p < canvas.pages.size(); ++p) {
            EXPECT_EQ(canvas.pages[p].texts.size(), c.perPage[p]) << c.lines << " page " << p;
            const bool last = p == canvas.pages.size() - 1;
            EXPECT_EQ(canvas.pages[p].frames.size(), last ? 1 : 0) << c.lines << " page " << p;
        }
        // The frame encloses every line's cells without touching them.
        const QRect frame = canvas.pages.last().frames.first();
        EXPECT_GE(frame.right(), 4600);
        EXPECT_GE(frame.bottom(), 6600);
        for (const QPoint& at : canvas.pages.last().textAt) {
            EXPECT_LT(frame.left(), at.x());
            EXPECT_LT(frame.top(), at.y());
            EXPECT_GT(frame.bottom(), at.y() + 50);
        }
        EXPECT_EQ(canvas.face, "Courier New");
        EXPECT_TRUE(canvas.ended);
    }
}

TEST(PrintListingTest, LinesStartAtTheMarginOneHeightApartOnEachPage) {
    RecordingCanvas canvas;
    printListing(canvas, numberedLines(92));
    EXPECT_EQ(canvas.pages[0].textAt[0], QPoint(200, 200));
    EXPECT_EQ(canvas.pages[0].textAt[89], QPoint(200, 200 + 89 * 50));
    EXPECT_EQ(canvas.pages[1].textAt[0], QPoint(200, 200));
    EXPECT_EQ(canvas.pages[1].textAt[1], QPoint(200, 250));
    EXPECT_EQ(canvas.pages[1].texts[1], "092: x");
}

TEST(PrintListingTest, AJobThatCannotStartDrawsNothing) {
    RecordingCanvas canvas;
    canvas.startFails = true;
    EXPECT_FALSE(printListing(canvas, numberedLines(3)));
    EXPECT_TRUE(canvas.pages.isEmpty());
}

int pdfPageCount(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    return int(QString::fromLatin1(f.readAll()).count(QRegularExpression("/Type\\s*/Page[^s]")));
}

TEST(PrintButtonTest, PrintsTheListingAsShownToThePrinterChosen) {
    const struct {
        int commands;
        int pages;
    } cases[] = {{0, 1}, {1, 1}, {90, 1}, {91, 2}};
    for (const auto& c : cases) {
        StationFixture s;
        s.loadProgram(c.commands);
        const QString pdf = s.path(QStringLiteral("listing%1.pdf").arg(c.commands));
        s.dialogs.pdfPath = pdf;
        s.dialogs.printAnswers = {true};
        QTest::mouseClick(s.main->PrintButton, Qt::LeftButton);
        EXPECT_EQ(pdfPageCount(pdf), c.pages) << c.commands;
        EXPECT_EQ(s.main->ProgramView->lineCount(), c.commands) << "printing changes nothing";
    }
}

// A message's letters beyond ASCII (here 0xB9, 0x61, 0xB3: "ąał" in the listing
// font's code page) read the same in the listing and on paper, and the line keeps
// its 105 characters.
TEST(PrintButtonTest, MessageLettersOutsideAsciiAreListedAndPrintedAsStored) {
    StationFixture s;
    s.main->model().appendRecord({19, 4, 3, 0xB9, 0x61, 0xB3});
    s.main->PrintProgram();
    const QString line = s.main->ProgramView->lineText(0);
    EXPECT_EQ(line.mid(77).trimmed(), QString::fromUtf8("print_USB(ąał,3)")) << "under Driver";
    EXPECT_EQ(line.size(), 105);

    RecordingCanvas paper;
    s.main->setPrintCanvas(&paper);
    s.dialogs.printAnswers = {true};
    QTest::mouseClick(s.main->PrintButton, Qt::LeftButton);
    ASSERT_EQ(paper.pages.size(), 1);
    EXPECT_EQ(paper.pages[0].texts, QStringList{line});
}

TEST(PrintButtonTest, CancellingTheDialogPrintsNothing) {
    StationFixture s;
    s.loadProgram(3);
    s.dialogs.pdfPath = s.path("never.pdf");
    s.dialogs.printAnswers = {false};
    QTest::mouseClick(s.main->PrintButton, Qt::LeftButton);
    EXPECT_FALSE(QFile::exists(s.path("never.pdf")));
    EXPECT_EQ(s.status2(), "...");
}

TEST(PrinterCanvasTest, NinetyLinesAndAFullLineFitBetweenTheMargins) {
    testApp();
    test::TempFolder dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("fit.pdf"));
    PrinterCanvas canvas(printer);
    canvas.setFontFace("Courier New");
    ASSERT_TRUE(canvas.beginDocument());
    const QSize page = canvas.pageSize();
    const int h = canvas.textHeight(QString(110, QLatin1Char('M')));
    EXPECT_GT(h, 0);
    EXPECT_LE(200 + 90 * h, page.height() - 200);
    canvas.endDocument();
}

}  // namespace
}  // namespace rv720
