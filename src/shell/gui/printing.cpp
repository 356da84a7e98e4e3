#include "shell/gui/printing.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <algorithm>

#include "ui/artwork.h"

namespace rv720 {

bool printListing(PrintCanvas& canvas, const QStringList& lines) {
    const QSize page = canvas.pageSize();
    canvas.setFontFace(QStringLiteral("Courier New"));
    // The text starts at the margins; the frame stands a quarter line outside them
    // so that it never touches a line's characters.
    const int gap = std::max(1, canvas.textHeight(QString()) / 4);
    const QRect frame(
        QPoint(kPrintMargin - gap, kPrintMargin - gap),
        QPoint(page.width() - kPrintMargin + gap, page.height() - kPrintMargin + gap));
    if (!canvas.beginDocument()) return false;
    int onPage = 0;
    for (int i = 0; i < lines.size(); ++i) {
        if (i % kLinesPerPage == 0 && i != 0) {
            canvas.newPage();
            onPage = 0;
        }
        const int h = canvas.textHeight(lines[i]);
        canvas.textOut(kPrintMargin, kPrintMargin + h * onPage, lines[i]);
        ++onPage;
    }
    canvas.frameRect(frame);
    return canvas.endDocument();
}

struct PrinterCanvas::State {
    QPainter painter;
    QFont font;
};

PrinterCanvas::PrinterCanvas(QPrinter& printer) : printer_(printer), state_(new State) {}

PrinterCanvas::~PrinterCanvas() {
    if (state_->painter.isActive()) state_->painter.end();
    delete state_;
}

QSize PrinterCanvas::pageSize() const {
    return printer_.pageRect(QPrinter::DevicePixel).size().toSize();
}

void PrinterCanvas::setFontFace(const QString& face) {
    // Where the face is not installed, the listing's own fixed-pitch face stands in.
    QFont font = QFontDatabase::families().contains(face, Qt::CaseInsensitive)
                     ? QFont(face)
                     : artwork::listingFont();
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0);
    font.setStyleHint(QFont::TypeWriter);
    const QSize page = pageSize();
    // 90 lines must fit below the top margin; 110 characters (number and line)
    // across. A monospaced face is about 0.6 em wide and 1.15 em high a line.
    const int byHeight = int((page.height() - 2 * kPrintMargin) / (kLinesPerPage * 1.2));
    const int byWidth = int((page.width() - 2 * kPrintMargin) / (110 * 0.62));
    font.setPixelSize(qMax(4, qMin(byHeight, byWidth)));
    state_->font = font;
}

bool PrinterCanvas::beginDocument() {
    if (!state_->painter.begin(&printer_)) return false;
    state_->painter.setFont(state_->font);
    state_->painter.setPen(Qt::black);
    return true;
}

void PrinterCanvas::newPage() {
    printer_.newPage();
}

int PrinterCanvas::textHeight(const QString&) {
    // A fixed-pitch face gives every line, empty or not, the same height.
    return QFontMetrics(state_->font, &printer_).height();
}

void PrinterCanvas::textOut(int x, int y, const QString& text) {
    const QFontMetrics fm(state_->font, &printer_);
    state_->painter.drawText(x, y + fm.ascent(), text);
}

void PrinterCanvas::frameRect(const QRect& rect) {
    state_->painter.setBrush(Qt::NoBrush);
    state_->painter.drawRect(rect);
}

bool PrinterCanvas::endDocument() {
    return state_->painter.end();
}

}  // namespace rv720
