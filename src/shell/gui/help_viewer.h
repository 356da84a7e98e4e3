#pragma once
// The operator's manual viewer: the HTML manual with a contents list built from
// its headings and a search box that narrows the list and finds the words in the
// text. A missing or unreadable manual is reported inside the viewer. It is a
// station window like the others (title strip, close button, Esc hides it, drag
// by the background) that opens beside the main window, but does not stay on top.
#include "ui/station_window.h"

class QLabel;
class QLineEdit;
class QSplitter;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace rv720 {

// The manual to show: the one installed with the station (the data folder beside
// the folder of its executable), else the one below the folder the station was
// started from (a station run from its source tree). When neither exists, the
// latter, which the viewer then reports as missing.
QString findManual(const QString& startupDir, const QString& executableDir);

class HelpViewer : public StationWindow {
    Q_OBJECT
  public:
    explicit HelpViewer(QWidget* parent = nullptr);

    // Loads the manual; false (and a notice in the viewer) when it cannot be read.
    bool openManual(const QString& path);
    QString manualPath() const { return path_; }
    bool manualLoaded() const { return loaded_; }

    // Contents, as shown (sections hidden by the search are left out).
    QStringList visibleSections() const;
    // Shows the section with this title; false when there is none.
    bool showSection(const QString& title);
    // Narrows the contents to the sections holding every word and moves to the
    // next match in the text; returns the number of sections that match.
    int search(const QString& words);

    QTextBrowser* browser() const { return browser_; }
    QTreeWidget* contents() const { return contents_; }
    QLineEdit* searchBox() const { return search_; }
    QLabel* statusLabel() const { return status_; }
    PictureButton* CloseButton = nullptr;

  protected:
    bool FormKeyPress(int key) override;

  private:
    void fitContents();
    void buildContents();
    void scrollToBlock(int blockNumber);

    QTextBrowser* browser_;
    QTreeWidget* contents_;
    QLineEdit* search_;
    QLabel* status_;
    QSplitter* splitter_ = nullptr;
    QString path_;
    bool loaded_ = false;
};

}  // namespace rv720
