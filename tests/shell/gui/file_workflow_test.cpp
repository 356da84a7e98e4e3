// New, Open, Save and Save As of the main window: questions, dialogs, caption,
// status lines, and what a failure leaves untouched.
#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <functional>

#include "model/program_text.h"
#include "station_fixture.h"
#include "support/fixed_clock.h"
#include "support/manual_timer.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "ui/station_settings.h"

namespace rv720 {
namespace {

QString captionFor(const QString& path) {
    return "3-axis trajectory generator RV720  -  [" + path + "]";
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A program file: length, six reserved bytes, INPUT1 and INPUT2 halves, records.
QByteArray programFile(const QList<Record>& records, const QByteArray& input1 = QByteArray(10, 0),
                       const QByteArray& input2 = QByteArray(10, 0), int declared = -1) {
    QByteArray bytes(4, 0);
    const quint32 n = declared < 0 ? quint32(records.size()) : quint32(declared);
    bytes[0] = char(n >> 24);
    bytes[1] = char(n >> 16);
    bytes[2] = char(n >> 8);
    bytes[3] = char(n);
    bytes += QByteArray(6, 0) + input1 + input2;
    for (const Record& r : records)
        bytes += QByteArray(reinterpret_cast<const char*>(r.data()), 10);
    return bytes;
}

TEST(NewFileTest, AsksOnlyWhenThereAreLinesThenClearsEverything) {
    const struct {
        int commands;
        bool asks;
    } cases[] = {{0, false}, {1, true}, {2, true}};
    for (const auto& c : cases) {
        StationFixture s;
        s.loadProgram(c.commands);
        s.main->CurrentFileName = s.path("old.pri");
        s.main->model().image.setInputBreak(1, {true, 1, 1});
        s.main->refreshInputBreakControls();
        s.dialogs.yesNoAnswers = {false};
        QTest::mouseClick(s.main->NewButton, Qt::LeftButton);
        if (c.asks) {
            ASSERT_EQ(s.dialogs.calls.size(), 1) << c.commands;
            EXPECT_EQ(s.dialogs.calls[0].caption, "New file");
            EXPECT_EQ(s.dialogs.calls[0].text, "Do you want to save current program?");
        } else {
            EXPECT_TRUE(s.dialogs.calls.isEmpty()) << c.commands;
        }
        EXPECT_EQ(s.main->ProgramView->lineCount(), 0);
        EXPECT_EQ(s.main->model().length(), 0u);
        EXPECT_EQ(s.main->comand_counter->text(), "Command: 0 ( left 999 )");
        EXPECT_EQ(s.main->ProgramBar->value(), 0);
        EXPECT_EQ(s.main->FormCaption->text(), "3-axis trajectory generator RV720  -  [New]");
        EXPECT_TRUE(s.main->CurrentFileName.isEmpty());
        EXPECT_FALSE(s.main->input_1_ex->isChecked());
        EXPECT_FALSE(s.main->input_1_line->isEnabled());
        for (int i = 0; i < kInputBreakSize; ++i)
            EXPECT_EQ(s.main->model().image.blockByte(i), 0);
        EXPECT_EQ(s.status2(), "New file was created");
    }
}

// A save asked for first that is cancelled or fails stops the action that asked
// for it: the program, its listing and the station stay as they were.
TEST(SaveFirstTest, ACancelledOrFailedSaveStopsNewOpenAndClosing) {
    for (const int action : {0, 1, 2, 3}) {  // New, Open, the close button, the system's close
        for (const bool fails : {false, true}) {
            SCOPED_TRACE(testing::Message() << action << (fails ? " failed" : " cancelled"));
            StationFixture s;
            s.main->show();
            s.loadProgram(3);
            QSignalSpy terminated(s.main, &TFMain::terminateRequested);
            s.dialogs.yesNoAnswers = {true, true};  // (finish,) save
            s.dialogs.fileAnswers = {fails ? s.path("no/such/folder/p.pri") : QString()};
            PictureButton* buttons[] = {s.main->NewButton, s.main->OpenButton, s.main->CloseButton};
            if (action < 3)
                QTest::mouseClick(buttons[action], Qt::LeftButton);
            else
                EXPECT_FALSE(s.main->close());
            EXPECT_EQ(s.dialogs.calls.last().kind, ScriptedDialogs::Kind::Save)
                << "nothing after it";
            EXPECT_EQ(s.main->ProgramView->lineCount(), 3);
            EXPECT_EQ(s.main->model().length(), 3u);
            EXPECT_TRUE(s.main->isVisible());
            EXPECT_EQ(terminated.count(), 0);
        }
    }
}

TEST(SaveFileTest, SaveWithoutANameIsSaveAsWithItsFilterAndExtension) {
    StationFixture s;
    s.loadProgram(4);
    s.dialogs.fileAnswers = {s.path("first")};
    QTest::mouseClick(s.main->SaveButton, Qt::LeftButton);
    ASSERT_EQ(s.dialogs.calls.size(), 1);
    EXPECT_EQ(s.dialogs.calls[0].request.filter,
              "RV7.0.2 program file (*.pri)|*.pri|RV720 program text (*.rv720)|*.rv720");
    EXPECT_EQ(s.dialogs.calls[0].request.defaultExtension, "pri");
    EXPECT_EQ(s.fileBytes("first.pri").size(), 30 + 4 * 10);
    EXPECT_EQ(s.main->CurrentFileName, s.path("first.pri"));
    EXPECT_EQ(s.main->FormCaption->text(), captionFor(s.path("first.pri")));
    EXPECT_EQ(s.status2(), "File was saved");

    // A second Save writes to the same file without asking.
    s.loadProgram(6);
    QTest::mouseClick(s.main->SaveButton, Qt::LeftButton);
    EXPECT_EQ(s.dialogs.calls.size(), 1);
    EXPECT_EQ(s.fileBytes("first.pri").size(), 30 + 6 * 10);
}

TEST(SaveFileTest, SaveAsOntoAnExistingFileAsksAndNoChangesNothing) {
    StationFixture s;
    s.loadProgram(3);
    writeFile(s.path("taken.pri"), "keep me");
    s.main->CurrentFileName = s.path("mine.pri");
    s.main->AddStatusLine("before");
    s.dialogs.fileAnswers = {s.path("taken.pri")};
    s.dialogs.yesNoAnswers = {false};
    QTest::mouseClick(s.main->SaveAsButton, Qt::LeftButton);
    ASSERT_EQ(s.dialogs.calls.size(), 2);
    EXPECT_EQ(s.dialogs.calls[1].caption, "Saving a file");
    EXPECT_EQ(s.dialogs.calls[1].text,
              "File with this name already exist.\n\rDo you want to relieve existing file?");
    EXPECT_EQ(s.fileBytes("taken.pri"), "keep me");
    EXPECT_EQ(s.main->CurrentFileName, s.path("mine.pri"));
    EXPECT_EQ(s.status2(), "before");

    s.dialogs.fileAnswers = {s.path("taken.pri")};
    s.dialogs.yesNoAnswers = {true};
    QTest::mouseClick(s.main->SaveAsButton, Qt::LeftButton);
    EXPECT_EQ(s.fileBytes("taken.pri").size(), 60);
    EXPECT_EQ(s.main->CurrentFileName, s.path("taken.pri"));
}

TEST(SaveFileTest, AFailedSaveIsReportedAndKeepsTheName) {
    StationFixture s;
    s.loadProgram(2);
    const QString missingFolder = s.path("no/such/folder/prog.pri");
    // Save As to a place that cannot be written.
    s.main->CurrentFileName = s.path("named.pri");
    s.main->FormCaption->setText(captionFor(s.path("named.pri")));
    s.dialogs.fileAnswers = {missingFolder};
    QTest::mouseClick(s.main->SaveAsButton, Qt::LeftButton);
    EXPECT_EQ(s.status2(), "Opening file error");
    EXPECT_EQ(s.main->CurrentFileName, s.path("named.pri"));
    EXPECT_EQ(s.main->FormCaption->text(), captionFor(s.path("named.pri")));

    // Save to a name whose folder has gone.
    s.main->CurrentFileName = missingFolder;
    QTest::mouseClick(s.main->SaveButton, Qt::LeftButton);
    EXPECT_NE(s.status2(), "File was saved");
    EXPECT_NE(s.status1(), "File was saved");
    EXPECT_EQ(s.main->CurrentFileName, missingFolder);
}

TEST(SaveFileTest, SaveOverAFolderIsNeverReportedAsSaved) {
    StationFixture s;
    s.loadProgram(1);
    QDir(s.dir.dirPath()).mkdir("folder.pri");
    const struct {
        QString name;
        QString status;
    } cases[] = {
        {"folder.pri", "File was not saved: cannot replace it: not a regular file (a folder)"},
        {"folder.pri/", "Opening file error"},  // no file name at all
    };
    for (const auto& c : cases) {
        s.main->CurrentFileName = s.path(c.name);
        QTest::mouseClick(s.main->SaveButton, Qt::LeftButton);
        EXPECT_EQ(s.status2(), c.status) << c.name.toStdString();
        EXPECT_TRUE(QFileInfo(s.path("folder.pri")).isDir());
    }
}

TEST(OpenFileTest, OpensRecordsBlockCaptionAndListing) {
    StationFixture s;
    const QList<Record> records{velocityRecord(1, 1, 12500), velocityRecord(2, 2, 20000),
                                makeRecord(10, 4)};
    // INPUT1 on, jump to line 2, rising edge; INPUT2 off.
    QByteArray input1(10, 0);
    input1[0] = 1;
    input1[2] = 2;
    input1[3] = 1;
    writeFile(s.path("prog.pri"), programFile(records, input1));
    s.dialogs.fileAnswers = {s.path("prog.pri")};
    QTest::mouseClick(s.main->OpenButton, Qt::LeftButton);

    ASSERT_EQ(s.dialogs.calls.size(), 1) << "empty listing: no save question";
    EXPECT_EQ(s.dialogs.calls[0].request.filter,
              "RV702 program file (*.pri)|*.pri|RV720 program text (*.rv720)|*.rv720");
    EXPECT_EQ(s.dialogs.calls[0].request.defaultExtension, "pri");
    EXPECT_EQ(s.status2(), "File was opened");
    EXPECT_EQ(s.main->CurrentFileName, s.path("prog.pri"));
    EXPECT_EQ(s.main->FormCaption->text(), captionFor(s.path("prog.pri")));
    EXPECT_EQ(s.main->model().length(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(s.main->model().image.record(i), records[i]);
    EXPECT_EQ(s.main->ProgramView->lineCount(), 3);
    EXPECT_TRUE(s.main->ProgramView->lineText(0).startsWith("001: v_min(M1; 12.50)"));
    EXPECT_EQ(s.main->comand_counter->text(), "Command: 3 (left 996 )");
    EXPECT_EQ(s.main->ProgramBar->value(), 3);
    EXPECT_TRUE(s.main->input_1_ex->isChecked());
    EXPECT_TRUE(s.main->input_1_line->isEnabled());
    EXPECT_EQ(s.main->input_1_line->currentText(), "2");
    EXPECT_EQ(s.main->input_1_state->currentText(), "rising");
    EXPECT_FALSE(s.main->input_2_ex->isChecked());
    EXPECT_FALSE(s.main->input_2_line->isEnabled());
}

TEST(TextFormFileTest, OpenedTextIsSavedAsTextAndSaveAsOffersTextFirst) {
    StationFixture s;
    writeFile(s.path("prog.rv720"),
              "input1(on; @end; rising)  # a comment\n"
              "v_min(M1; 12.5)\n"
              "v_max(M2; 20)\n"
              "@end: end()\n");
    s.dialogs.fileAnswers = {s.path("prog.rv720")};
    QTest::mouseClick(s.main->OpenButton, Qt::LeftButton);
    EXPECT_EQ(s.status2(), "File was opened");
    EXPECT_EQ(s.main->ProgramView->lineText(0).trimmed(), "001: v_min(M1; 12.50)");
    EXPECT_EQ(s.main->input_1_line->currentText(), "3");

    // Save keeps the text form.
    s.loadProgram(2);
    QTest::mouseClick(s.main->SaveButton, Qt::LeftButton);
    EXPECT_EQ(s.fileBytes("prog.rv720").toStdString(), exportProgramText(s.main->model().image));

    // Save As: the text form first; a .pri name gets the program file.
    s.dialogs.fileAnswers = {s.path("copy.pri")};
    QTest::mouseClick(s.main->SaveAsButton, Qt::LeftButton);
    EXPECT_EQ(s.dialogs.calls.last().request.filter,
              "RV720 program text (*.rv720)|*.rv720|RV7.0.2 program file (*.pri)|*.pri");
    EXPECT_EQ(s.dialogs.calls.last().request.defaultExtension, "rv720");
    EXPECT_EQ(s.fileBytes("copy.pri").size(), 30 + 2 * 10);
    QTest::mouseClick(s.main->SaveButton, Qt::LeftButton);
    EXPECT_EQ(s.fileBytes("copy.pri").size(), 30 + 2 * 10);

    // A mistake in a text says where, and the program stays.
    writeFile(s.path("wrong.rv720"), "end()\ngo_to(M9; 1)\n");
    s.dialogs.yesNoAnswers = {false};
    s.dialogs.fileAnswers = {s.path("wrong.rv720")};
    QTest::mouseClick(s.main->OpenButton, Qt::LeftButton);
    EXPECT_EQ(s.status2(), "File was not opened: line 2, column 7: expected a motor M1, M2 or M3");
    EXPECT_EQ(s.main->model().length(), 2u);
    EXPECT_EQ(s.main->CurrentFileName, s.path("copy.pri"));
}

TEST(OpenFileTest, RefusedFilesLeaveProgramListingCaptionAndNameAlone) {
    const struct {
        const char* name;
        QByteArray bytes;  // empty name = no file at all
        const char* status;
    } cases[] = {
        {"missing.pri", QByteArray(), "Opening file error"},
        {"short.pri", QByteArray(25, 0), "File is damaged and was not opened: "},
        {"cut.pri", programFile({makeRecord(10, 4)}, QByteArray(10, 0), QByteArray(10, 0), 4),
         "File is damaged and was not opened: "},
        {"empty.pri", QByteArray(""), "File is damaged and was not opened: "},
    };
    for (const auto& c : cases) {
        StationFixture s;
        s.loadProgram(2);
        const Record before = s.main->model().image.record(1);
        s.main->CurrentFileName = s.path("current.pri");
        s.main->FormCaption->setText(captionFor(s.path("current.pri")));
        if (QLatin1String(c.name) != QLatin1String("missing.pri"))
            writeFile(s.path(c.name), c.bytes);
        s.dialogs.yesNoAnswers = {false};
        s.dialogs.fileAnswers = {s.path(c.name)};
        QTest::mouseClick(s.main->OpenButton, Qt::LeftButton);
        EXPECT_TRUE(s.status2().startsWith(c.status))
            << c.name << ": " << s.status2().toStdString();
        EXPECT_EQ(s.main->model().length(), 2u) << c.name;
        EXPECT_EQ(s.main->model().image.record(1), before) << c.name;
        EXPECT_EQ(s.main->ProgramView->lineCount(), 2) << c.name;
        EXPECT_EQ(s.main->CurrentFileName, s.path("current.pri")) << c.name;
        EXPECT_EQ(s.main->FormCaption->text(), captionFor(s.path("current.pri"))) << c.name;
    }
}

TEST(OpenFileTest, CancelChangesNothingAndALongFileIsCutTo999) {
    StationFixture s;
    s.dialogs.fileAnswers = {""};
    QTest::mouseClick(s.main->OpenButton, Qt::LeftButton);
    EXPECT_EQ(s.status2(), "...");

    QList<Record> records;
    for (int i = 0; i < 1000; ++i)
        records << velocityRecord(8, 1, i);
    writeFile(s.path("big.pri"), programFile(records));
    s.dialogs.fileAnswers = {s.path("big.pri")};
    QTest::mouseClick(s.main->OpenButton, Qt::LeftButton);
    EXPECT_EQ(s.status2(), "File was opened");
    EXPECT_EQ(s.main->model().length(), 999u);
    EXPECT_EQ(s.main->ProgramView->lineCount(), 999);
    EXPECT_EQ(s.main->ProgramBar->value(), 999);
}

TEST(OpenFileTest, SaveThenOpenRestoresTheProgram) {
    StationFixture s;
    s.loadProgram(7);
    s.main->model().image.setInputBreak(2, {true, 5, 0});
    const auto bytesBefore = s.main->model().image.bytes();
    s.dialogs.fileAnswers = {s.path("trip.pri")};
    QTest::mouseClick(s.main->SaveButton, Qt::LeftButton);
    s.dialogs.yesNoAnswers = {false};
    QTest::mouseClick(s.main->NewButton, Qt::LeftButton);
    ASSERT_EQ(s.main->model().length(), 0u);
    s.dialogs.fileAnswers = {s.path("trip.pri")};
    QTest::mouseClick(s.main->OpenButton, Qt::LeftButton);
    EXPECT_EQ(s.main->model().length(), 7u);
    EXPECT_EQ(s.main->model().image.bytes(), bytesBefore);
    EXPECT_EQ(s.main->input_2_line->currentText(), "5");
}

TEST(OpenFileTest, OpenAsksToSaveAProgramFirst) {
    StationFixture s;
    s.loadProgram(1);
    s.dialogs.yesNoAnswers = {false};
    s.dialogs.fileAnswers = {""};
    QTest::mouseClick(s.main->OpenButton, Qt::LeftButton);
    ASSERT_FALSE(s.dialogs.calls.isEmpty());
    EXPECT_EQ(s.dialogs.calls[0].caption, "Open a file");
    EXPECT_EQ(s.dialogs.calls[0].text, "Do you want to save current program?");
    EXPECT_EQ(s.main->model().length(), 1u);
}

// The unsaved mark follows the program against its file, undo included, and the
// save question is asked only when there is a difference to lose.
TEST(UnsavedMarkTest, FollowsTheProgramAgainstItsFileAndGatesTheSaveQuestion) {
    StationFixture s;
    writeFile(s.path("prog.pri"), programFile({velocityRecord(1, 1, 500), makeRecord(10, 4)}));
    auto marked = [&] {
        EXPECT_EQ(s.main->SaveButton->isMarked(), s.main->ModifiedLabel->isVisibleTo(s.main));
        return s.main->SaveButton->isMarked();
    };
    for (int twice = 0; twice < 2; ++twice) {
        s.dialogs.fileAnswers = {s.path("prog.pri")};
        QTest::mouseClick(s.main->OpenButton, Qt::LeftButton);
        EXPECT_FALSE(marked());
    }
    s.main->ProgramView->setCaret(1);
    QTest::mouseClick(s.main->UpButton, Qt::LeftButton);
    EXPECT_TRUE(marked());
    s.main->undo();
    EXPECT_FALSE(marked()) << "undone back to what the file holds";
    s.main->redo();
    QTest::mouseClick(s.main->SaveButton, Qt::LeftButton);
    EXPECT_FALSE(marked());
    QTest::mouseClick(s.main->NewButton, Qt::LeftButton);
    EXPECT_TRUE(s.dialogs.questions().isEmpty()) << "nothing unsaved was ever offered";
    EXPECT_EQ(s.main->model().length(), 0u);
}

// A long path gives way in the middle of the caption, which ends before the window
// buttons; the file name stays in sight, text and tooltip keep the whole path.
TEST(CaptionTest, ALongPathIsShortenedInTheMiddleKeepingTheFileName) {
    StationFixture s;
    s.main->show();
    const QString path = s.dir.dirPath() +
                         QString("/a-folder-with-a-rather-long-name").repeated(12) +
                         "/conveyor.pri";
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    s.loadProgram(2);
    s.dialogs.fileAnswers = {path};
    QTest::mouseClick(s.main->SaveAsButton, Qt::LeftButton);
    CaptionLabel* caption = s.main->FormCaption;
    EXPECT_EQ(caption->text(), captionFor(path));
    EXPECT_EQ(caption->toolTip(), path);
    EXPECT_LT(caption->geometry().right(), s.main->MinimalizeButton->geometry().left());
    const QString shown = caption->shownText();
    EXPECT_TRUE(shown.startsWith(captionFor(s.dir.dirPath().left(4)).chopped(1)));
    EXPECT_TRUE(shown.endsWith("/conveyor.pri]"));
    EXPECT_LE(caption->fontMetrics().horizontalAdvance(shown), caption->contentsRect().width());
}

// Recent files and the last folder live in the user's settings, here a scratch
// file that a second station reads as the next run would.
TEST(RecentFilesTest, KeptBetweenRunsNewestFirstAndAMissingOneIsReportedAndDropped) {
    testApp();
    test::TempFolder dir;
    QStringList files;
    for (int i = 0; i < 10; ++i) {
        files << dir.filePath(QStringLiteral("p%1.pri").arg(i));
        writeFile(files.last(), programFile({makeRecord(10, 4)}));
    }
    QDir(dir.dirPath()).mkdir("other");
    auto run = [&](const std::function<void(TFMain*, ScriptedDialogs&)>& body) {
        QSettings store(dir.filePath("station.ini"), QSettings::IniFormat);
        StationSettings settings(&store);
        ScriptedDialogs dialogs;
        ManualTimerFactory timers;
        FixedClock clock;
        Station station(dialogs, timers, clock, nullptr, &settings);
        body(station.main(), dialogs);
    };
    run([&](TFMain* main, ScriptedDialogs& dialogs) {
        for (const QString& f : files) {
            dialogs.fileAnswers = {f};
            QTest::mouseClick(main->OpenButton, Qt::LeftButton);
        }
        EXPECT_EQ(dialogs.calls[0].request.directory, "");
        EXPECT_EQ(dialogs.calls[1].request.directory, dir.dirPath());
        dialogs.fileAnswers = {dir.filePath("other/saved.pri")};
        QTest::mouseClick(main->SaveAsButton, Qt::LeftButton);
    });
    run([&](TFMain* main, ScriptedDialogs& dialogs) {
        EXPECT_EQ(main->recentFiles(),
                  QStringList({dir.filePath("other/saved.pri"), files[9], files[8], files[7],
                               files[6], files[5], files[4], files[3]}));
        dialogs.fileAnswers = {QString()};
        QTest::mouseClick(main->OpenButton, Qt::LeftButton);
        EXPECT_EQ(dialogs.calls.last().request.directory, dir.filePath("other"));

        emit main->OpenButton->customContextMenuRequested(QPoint(2, 2));  // a right click
        const QList<QAction*> offered = main->RecentMenu->actions();
        ASSERT_EQ(offered.size(), 8);
        QFile::remove(files[9]);
        offered[1]->trigger();
        EXPECT_EQ(main->Warning2->text(), "Opening file error");
        EXPECT_FALSE(main->recentFiles().contains(files[9]));
        offered[2]->trigger();
        EXPECT_EQ(main->CurrentFileName, files[8]);
        main->RecentMenu->hide();
    });
}

// A program file named on the command line, or dropped on the main window, takes
// the Open workflow with its errors.
TEST(OpenFromOutsideTest, AFileNamedAtStartOrDroppedOpensAsOpenWould) {
    StationFixture s;
    writeFile(s.path("start.pri"), programFile({makeRecord(10, 4)}));
    writeFile(s.path("dropped.PRI"), programFile({velocityRecord(2, 2, 9000), makeRecord(10, 4)}));
    s.main->openNamedFile(s.path("start.pri"));
    EXPECT_EQ(s.main->FormCaption->text(), captionFor(s.path("start.pri")));
    s.main->openNamedFile(s.path("gone.pri"));
    EXPECT_EQ(s.status2(), "Opening file error");

    QMimeData data;
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    for (const char* name : {"notes.txt", "dropped.PRI"}) {
        data.setUrls(data.urls() << QUrl::fromLocalFile(s.path(name)));
        QApplication::sendEvent(s.main, &enter);
        EXPECT_EQ(enter.isAccepted(), name[0] == 'd') << "only a program file is taken";
    }
    QApplication::sendEvent(s.main, &drop);
    EXPECT_EQ(s.main->CurrentFileName, s.path("dropped.PRI"));
    EXPECT_EQ(s.main->model().length(), 2u);
}

}  // namespace
}  // namespace rv720
