#include "shell/gui/help_viewer.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUrl>
#include <QVBoxLayout>

#include <functional>
#include "ui/artwork.h"

#include "support/build_info.h"

namespace rv720 {

namespace {
constexpr int kBlockRole = Qt::UserRole;
constexpr int kTextRole = Qt::UserRole + 1;  // the section's text, for the search
const QString kManualFile = QStringLiteral("help/RV_702_HELP.html");
}  // namespace

QString findManual(const QString& startupDir, const QString& executableDir) {
    const QString installed = QDir::cleanPath(
        QDir(executableDir)
            .filePath(QString::fromUtf8(kDataDirFromBinary) + QLatin1Char('/') + kManualFile));
    if (QFileInfo(installed).isFile()) return installed;
    return QDir(startupDir).filePath(kManualFile);
}

HelpViewer::HelpViewer(QWidget* parent)
    : StationWindow({.objectName = QStringLiteral("HelpViewer"),
                     .clientSize = {980, 680},
                     .caption = QStringLiteral("RV720 Station - Help"),
                     .stayOnTop = false,
                     .draggable = true},
                    parent) {
    CloseButton = addPictureButton(QStringLiteral("CloseButton"), QStringLiteral("window-close"),
                                   QRect(width() - 27, 3, 22, 22), QStringLiteral("Zamknij okno"));
    connect(CloseButton, &QAbstractButton::clicked, this, &QWidget::hide);

    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("HelpSearch"));
    search_->setPlaceholderText(QStringLiteral("Search the manual"));
    search_->setClearButtonEnabled(true);

    contents_ = new QTreeWidget(this);
    contents_->setObjectName(QStringLiteral("HelpContents"));
    contents_->setHeaderHidden(true);
    contents_->setMinimumWidth(240);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("HelpStatus"));

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpText"));
    browser_->setOpenExternalLinks(false);
    browser_->setOpenLinks(true);

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(search_);
    leftLayout->addWidget(contents_, 1);
    leftLayout->addWidget(status_);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, artwork::kTitleStripHeight + 6, 8, 8);
    layout->addWidget(splitter);
    splitter_ = splitter;

    connect(contents_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { scrollToBlock(item->data(0, kBlockRole).toInt()); });
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& t) { search(t); });
    connect(search_, &QLineEdit::returnPressed, this, [this] { search(search_->text()); });
}

bool HelpViewer::openManual(const QString& path) {
    path_ = path;
    contents_->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        loaded_ = false;
        browser_->setHtml(QStringLiteral("<h2>The help file could not be opened</h2>"
                                         "<p>The station looks for its manual at</p>"
                                         "<p><b>%1</b></p><p>%2.</p>"
                                         "<p>Install the station again, or start it from the "
                                         "folder that holds its <tt>help</tt> folder.</p>")
                              .arg(path.toHtmlEscaped(), file.errorString().toHtmlEscaped()));
        status_->setText(QStringLiteral("Help file not found"));
        return false;
    }
    browser_->setSearchPaths({QFileInfo(path).absolutePath()});
    browser_->setHtml(QString::fromUtf8(file.readAll()));
    loaded_ = true;
    buildContents();
    status_->clear();
    return true;
}

void HelpViewer::buildContents() {
    contents_->clear();
    QTreeWidgetItem* parents[7] = {};
    QTreeWidgetItem* current = nullptr;
    QString text;
    auto flush = [&] {
        if (current) current->setData(0, kTextRole, text);
        text.clear();
    };
    for (QTextBlock block = browser_->document()->begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level < 1 || level > 3) {
            text += block.text() + QLatin1Char('\n');
            continue;
        }
        flush();
        QTreeWidgetItem* parent = nullptr;
        for (int up = level - 1; up >= 1 && !parent; --up)
            parent = parents[up];
        current = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(contents_);
        current->setText(0, block.text().trimmed());
        current->setData(0, kBlockRole, block.blockNumber());
        parents[level] = current;
        for (int deeper = level + 1; deeper < 7; ++deeper)
            parents[deeper] = nullptr;
        text = block.text() + QLatin1Char('\n');
    }
    flush();
    contents_->expandAll();
    fitContents();
}

// The contents column takes the width of its longest entry (but leaves the text
// at least half the window), so no chapter title is cut off.
void HelpViewer::fitContents() {
    contents_->header()->setStretchLastSection(false);
    contents_->resizeColumnToContents(0);
    const int entries = contents_->columnWidth(0) + 2 * contents_->frameWidth() +
                        contents_->verticalScrollBar()->sizeHint().width() + 4;
    contents_->header()->setStretchLastSection(true);
    const int total = width() - 16;  // the layout's side margins
    const int left = qMin(qMax(entries, contents_->minimumWidth()), total / 2);
    splitter_->setSizes({left, total - left - splitter_->handleWidth()});
}

bool HelpViewer::FormKeyPress(int key) {
    if (key != 27) return false;
    hide();
    return true;
}

QStringList HelpViewer::visibleSections() const {
    QStringList titles;
    QTreeWidgetItemIterator it(contents_, QTreeWidgetItemIterator::NotHidden);
    for (; *it; ++it)
        titles << (*it)->text(0);
    return titles;
}

bool HelpViewer::showSection(const QString& title) {
    QTreeWidgetItemIterator it(contents_);
    for (; *it; ++it) {
        if ((*it)->text(0) == title) {
            contents_->setCurrentItem(*it);
            scrollToBlock((*it)->data(0, kBlockRole).toInt());
            return true;
        }
    }
    return false;
}

void HelpViewer::scrollToBlock(int blockNumber) {
    const QTextBlock block = browser_->document()->findBlockByNumber(blockNumber);
    if (!block.isValid()) return;
    QTextCursor cursor(block);
    browser_->setTextCursor(cursor);
    // Put the heading at the top of the view rather than merely into it.
    const int y = int(browser_->document()->documentLayout()->blockBoundingRect(block).top());
    browser_->verticalScrollBar()->setValue(y);
}

int HelpViewer::search(const QString& words) {
    const QStringList terms = words.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    int matches = 0;
    // Children first, so a parent stays visible when any of its sections matches.
    std::function<bool(QTreeWidgetItem*)> filter = [&](QTreeWidgetItem* item) {
        bool childShown = false;
        for (int i = 0; i < item->childCount(); ++i)
            childShown |= filter(item->child(i));
        const QString text = item->data(0, kTextRole).toString();
        bool own = true;
        for (const QString& term : terms)
            own &= text.contains(term, Qt::CaseInsensitive);
        if (own && !terms.isEmpty()) ++matches;
        const bool shown = terms.isEmpty() || own || childShown;
        item->setHidden(!shown);
        return shown;
    };
    for (int i = 0; i < contents_->topLevelItemCount(); ++i)
        filter(contents_->topLevelItem(i));

    if (terms.isEmpty()) {
        status_->clear();
        return 0;
    }
    // Next occurrence of the first word in the text, wrapping round once.
    if (!browser_->find(terms.first())) {
        browser_->moveCursor(QTextCursor::Start);
        browser_->find(terms.first());
    }
    status_->setText(matches == 0 ? QStringLiteral("No section matches")
                                  : QStringLiteral("%1 section(s) match").arg(matches));
    return matches;
}

}  // namespace rv720
