#pragma once
// Printing the listing: the lines exactly as the listing shows them, in a
// fixed-pitch face, 90 to a page, from a 200-device-pixel margin, one line under
// the other by the measured height of its text. No header, footer or page number;
// the frame around the margins (a quarter line outside them, clear of the text)
// is drawn once, on the last page.
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class QPrinter;

namespace rv720 {

inline constexpr int kLinesPerPage = 90;
inline constexpr int kPrintMargin = 200;

// The drawing surface of a print job, in the printer's device pixels.
class PrintCanvas {
  public:
    virtual ~PrintCanvas() = default;
    virtual QSize pageSize() const = 0;
    virtual void setFontFace(const QString& face) = 0;
    virtual bool beginDocument() = 0;  // false: the job could not be started
    virtual void newPage() = 0;
    virtual int textHeight(const QString& text) = 0;
    virtual void textOut(int x, int y, const QString& text) = 0;
    virtual void frameRect(const QRect& rect) = 0;
    virtual bool endDocument() = 0;
};

// Prints the lines; false when the job could not be started or finished.
bool printListing(PrintCanvas& canvas, const QStringList& lines);

// A QPrinter as a canvas. The face's size is chosen so that 90 lines fit between
// the margins and a full 105-character line fits across them.
class PrinterCanvas final : public PrintCanvas {
  public:
    explicit PrinterCanvas(QPrinter& printer);
    ~PrinterCanvas() override;
    QSize pageSize() const override;
    void setFontFace(const QString& face) override;
    bool beginDocument() override;
    void newPage() override;
    int textHeight(const QString& text) override;
    void textOut(int x, int y, const QString& text) override;
    void frameRect(const QRect& rect) override;
    bool endDocument() override;

  private:
    struct State;
    QPrinter& printer_;
    State* state_;
};

}  // namespace rv720
