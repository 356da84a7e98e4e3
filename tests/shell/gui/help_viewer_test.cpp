// The manual and its viewer: every window and workflow has a chapter, the search
// narrows the contents and finds the words, a missing manual is told in the viewer.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QScrollBar>
#include <QTextBrowser>

#include "shell/gui/help_viewer.h"
#include "shell_test_app.h"
#include "support/build_info.h"
#include "support/temp_folder.h"

namespace rv720 {
namespace {

QString manualPath() {
    return QStringLiteral(RV720_TEST_DATA "/../../help/RV_702_HELP.html");
}

TEST(ManualTest, HasAChapterForEveryWindowAndWorkflow) {
    testApp();
    HelpViewer viewer;
    ASSERT_TRUE(viewer.openManual(manualPath()));
    const QStringList sections = viewer.visibleSections();
    for (const char* chapter :
         {"The main window", "Composing a program", "Command language", "Program files",
          "Connecting to the controller", "Compiling and writing a program", "Running a program",
          "Direct control window", "Outputs window", "Monitor windows", "Command parameter window",
          "Firmware update", "About window", "Printing", "Keyboard reference",
          "Closing the station", "Messages"})
        EXPECT_TRUE(sections.contains(chapter)) << chapter;
    EXPECT_GT(sections.size(), 30) << "chapters with their sections";
}

TEST(ManualTest, SearchNarrowsTheContentsAndClearingRestoresIt) {
    testApp();
    HelpViewer viewer;
    ASSERT_TRUE(viewer.openManual(manualPath()));
    const int all = viewer.visibleSections().size();
    const struct {
        const char* words;
        const char* mustShow;
        bool narrows;
    } cases[] = {
        {"password", "Firmware update", true},
        {"PASSWORD", "Firmware update", true},  // any letter case
        {"relieve existing", "Program files", true},
        {"Esc", "Keyboard reference", true},
    };
    for (const auto& c : cases) {
        const int matches = viewer.search(c.words);
        EXPECT_GT(matches, 0) << c.words;
        const QStringList shown = viewer.visibleSections();
        EXPECT_TRUE(shown.contains(c.mustShow)) << c.words;
        if (c.narrows) {
            EXPECT_LT(shown.size(), all) << c.words;
        }
        EXPECT_TRUE(viewer.browser()->textCursor().hasSelection()) << c.words << " found in text";
    }
    EXPECT_EQ(viewer.search("qqqzzz"), 0);
    EXPECT_EQ(viewer.statusLabel()->text(), "No section matches");
    viewer.search("");
    EXPECT_EQ(viewer.visibleSections().size(), all);
}

TEST(ManualTest, ChoosingASectionScrollsToIt) {
    testApp();
    HelpViewer viewer;
    viewer.resize(900, 400);
    viewer.show();
    ASSERT_TRUE(viewer.openManual(manualPath()));
    EXPECT_TRUE(viewer.showSection("Troubleshooting"));
    EXPECT_GT(viewer.browser()->verticalScrollBar()->value(), 0);
    EXPECT_FALSE(viewer.showSection("No such chapter"));
}

TEST(ManualTest, AMissingManualIsReportedInTheViewer) {
    testApp();
    HelpViewer viewer;
    EXPECT_FALSE(viewer.openManual("/nonexistent/help/RV_702_HELP.html"));
    EXPECT_FALSE(viewer.manualLoaded());
    EXPECT_TRUE(viewer.browser()->toPlainText().contains("/nonexistent/help/RV_702_HELP.html"));
    EXPECT_TRUE(viewer.visibleSections().isEmpty());
    EXPECT_EQ(viewer.search("anything"), 0);
}

TEST(ManualTest, TheInstalledManualComesBeforeTheStartUpFolders) {
    test::TempFolder root;
    const QString bin = root.filePath("usr/bin");
    const QString startup = root.filePath("work");
    const QString local = startup + "/help/RV_702_HELP.html";
    const QString installed =
        QDir::cleanPath(bin + "/" + kDataDirFromBinary + "/help/RV_702_HELP.html");
    auto put = [](const QString& file) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        return f.open(QIODevice::WriteOnly);
    };
    ASSERT_TRUE(QDir().mkpath(bin));
    EXPECT_EQ(findManual(startup, bin), local) << "neither: the viewer names the start-up one";
    ASSERT_TRUE(put(local));
    EXPECT_EQ(findManual(startup, bin), local);
    ASSERT_TRUE(put(installed));
    EXPECT_EQ(findManual(startup, bin), installed);
}

}  // namespace
}  // namespace rv720
