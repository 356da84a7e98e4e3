// The window base every station window is built on: borderless frame, caption,
// background drag, previewed Esc/Enter, picture buttons and indicator bitmaps.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

#include "shell/gui/shell_test_app.h"
#include "ui/artwork.h"
#include "ui/station_settings.h"
#include "ui/station_window.h"

namespace rv720 {
namespace {

class KeyRecordingWindow : public StationWindow {
  public:
    using StationWindow::StationWindow;
    QList<int> keys;
    bool consume = true;
    QLineEdit* edit = nullptr;

  protected:
    bool FormKeyPress(int key) override {
        keys.append(key);
        return consume;
    }
};

StationWindow::Options options(bool draggable = true, bool onTop = true) {
    StationWindow::Options o;
    o.objectName = QStringLiteral("FTest");
    o.clientSize = QSize(300, 160);
    o.caption = QStringLiteral("Test window");
    o.draggable = draggable;
    o.stayOnTop = onTop;
    return o;
}

TEST(StationWindowTest, FrameIsBorderlessFixedAndCaptioned) {
    testApp();
    StationWindow onTop(options(true, true));
    StationWindow plain(options(true, false));
    EXPECT_TRUE(onTop.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(onTop.staysOnTop());
    EXPECT_FALSE(plain.staysOnTop());
    EXPECT_EQ(onTop.objectName(), "FTest");
    EXPECT_EQ(onTop.minimumSize(), QSize(300, 160));
    EXPECT_EQ(onTop.maximumSize(), QSize(300, 160));
    ASSERT_NE(onTop.findChild<QLabel*>("FormCaption"), nullptr);
    EXPECT_EQ(onTop.FormCaption->text(), "Test window");
    ASSERT_NE(onTop.findChild<QWidget*>("Image1"), nullptr);
    EXPECT_EQ(onTop.Image1->geometry(), onTop.rect());
}

TEST(StationWindowTest, LeftPressOnBackgroundDragsTheWindowOtherButtonsDoNot) {
    testApp();
    StationWindow window(options());
    window.show();
    window.move(100, 100);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QPoint start = window.pos();

    QTest::mousePress(&window, Qt::RightButton, {}, QPoint(50, 80));
    QTest::mouseMove(&window, QPoint(90, 120));
    QTest::mouseRelease(&window, Qt::RightButton, {}, QPoint(90, 120));
    EXPECT_EQ(window.pos(), start);

    QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(50, 80));
    QTest::mouseMove(&window, QPoint(90, 120));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(90, 120));
    EXPECT_EQ(window.pos(), start + QPoint(40, 40));

    // After the release, movement alone does not drag.
    QTest::mouseMove(&window, QPoint(10, 10));
    EXPECT_EQ(window.pos(), start + QPoint(40, 40));

    EXPECT_FALSE(window.StartWindowDrag(Qt::RightButton));
    EXPECT_FALSE(window.StartWindowDrag(Qt::MiddleButton));
}

TEST(StationWindowTest, FirstShowBesideTheMainWindowThenWhereTheOperatorLeftIt) {
    testApp();
    QWidget mainWindow;
    mainWindow.setGeometry(40, 30, 300, 300);
    mainWindow.show();
    StationSettings settings;
    StationWindow::setMainWindow(&mainWindow);
    StationWindow::setSettings(&settings);
    StationWindow::Options other = options(), centred = options();
    other.objectName = "FOther";
    centred.objectName = "FCentred";
    centred.placement = StationWindow::Placement::ScreenCentre;  // the main window's
    StationWindow first(options()), second(other), middle(centred);
    for (StationWindow* w : {&first, &second, &middle})
        w->show();
    EXPECT_FALSE(first.frameGeometry().intersects(mainWindow.frameGeometry()));
    EXPECT_FALSE(second.frameGeometry().intersects(mainWindow.frameGeometry()));
    EXPECT_NE(first.pos(), second.pos()) << "two windows beside it do not cover each other";
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((middle.geometry().center() - screen.center()).manhattanLength(), 2);

    // Moved, it opens there again, also as a new window of its name (the next run).
    first.move(5, 7);
    StationWindow again(options());
    again.show();
    EXPECT_EQ(again.pos(), QPoint(5, 7));
    StationWindow::setMainWindow(nullptr);
    StationWindow::setSettings(nullptr);
}

TEST(StationWindowTest, AnUnmovableWindowRefusesTheDrag) {
    testApp();
    StationWindow window(options(/*draggable=*/false));
    EXPECT_FALSE(window.isDraggable());
    EXPECT_FALSE(window.StartWindowDrag(Qt::LeftButton));
}

TEST(StationWindowTest, EscAndEnterArePreviewedBeforeTheFocusedControl) {
    testApp();
    KeyRecordingWindow window(options());
    auto* edit = new QLineEdit(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    edit->setFocus();
    bool editSawReturn = false;
    QObject::connect(edit, &QLineEdit::returnPressed, [&] { editSawReturn = true; });

    QTest::keyClick(edit, Qt::Key_Escape);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Enter);
    QTest::keyClick(edit, Qt::Key_A);
    EXPECT_EQ(window.keys, (QList<int>{27, 13, 13}));
    EXPECT_FALSE(editSawReturn) << "a used key must not reach the control";
    EXPECT_EQ(edit->text(), "a");

    // A key the window does not use goes on to the control.
    window.consume = false;
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(editSawReturn);
}

TEST(StationWindowTest, KeysOfAnotherWindowAreNotPreviewed) {
    testApp();
    KeyRecordingWindow first(options());
    KeyRecordingWindow second(options());
    auto* edit = new QLineEdit(&second);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_TRUE(first.keys.isEmpty());
    EXPECT_EQ(second.keys, QList<int>{27});
}

TEST(StationWindowTest, PictureButtonCarriesNameGlyphAndTooltip) {
    testApp();
    StationWindow window(options());
    PictureButton* b =
        window.addPictureButton("CloseButton", "window-close", QRect(270, 3, 22, 22), "Zamknij");
    EXPECT_EQ(window.findChild<PictureButton*>("CloseButton"), b);
    EXPECT_EQ(b->geometry(), QRect(270, 3, 22, 22));
    EXPECT_EQ(b->toolTip(), "Zamknij");
    EXPECT_TRUE(artwork::hasGlyph(b->glyphName()));
    int clicks = 0;
    QObject::connect(b, &QAbstractButton::clicked, [&] { ++clicks; });
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

struct LedCase {
    const char* name;
    int size;
};

class LedPictureTest : public ::testing::TestWithParam<LedCase> {};

TEST_P(LedPictureTest, KnownNamesInAnyCaseGiveTheirSize) {
    testApp();
    const LedCase c = GetParam();
    for (const QString& name : {QString::fromLatin1(c.name), QString::fromLatin1(c.name).toUpper(),
                                QString::fromLatin1(c.name).toLower()}) {
        const QPixmap p = artwork::ledPicture(name);
        ASSERT_FALSE(p.isNull()) << name.toStdString();
        EXPECT_EQ(p.deviceIndependentSize().toSize(), QSize(c.size, c.size));
        PictureBox box;
        EXPECT_TRUE(box.loadPicture(name));
        EXPECT_EQ(box.pictureName(), name);
    }
}

INSTANTIATE_TEST_SUITE_P(Indicators, LedPictureTest,
                         ::testing::Values(LedCase{"ID_led_stop", 60}, LedCase{"ID_led_play", 60},
                                           LedCase{"ID_led_on", 30}, LedCase{"ID_led_off", 30}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LedPictureTest, LitAndUnlitDifferInColour) {
    testApp();
    auto centre = [](const char* name) {
        const QImage img = artwork::ledPicture(name).toImage();
        return img.pixelColor(img.width() / 2, img.height() * 2 / 3);
    };
    const QColor stop = centre("ID_led_stop"), play = centre("ID_led_play");
    const QColor off = centre("ID_led_off"), on = centre("ID_led_on");
    EXPECT_GT(play.green(), play.red() + 40) << "lit main indicator is green";
    EXPECT_GT(on.blue(), on.red() + 40) << "lit preview indicator is blue";
    EXPECT_LT(qAbs(stop.red() - stop.green()), 20) << "unlit is grey";
    EXPECT_LT(qAbs(off.red() - off.blue()), 20) << "unlit is grey";
}

TEST(LedPictureTest, UnknownNameLeavesThePictureAlone) {
    testApp();
    PictureBox box;
    ASSERT_TRUE(box.loadPicture("ID_led_stop"));
    EXPECT_FALSE(box.loadPicture("ID_led_blink"));
    EXPECT_EQ(box.pictureName(), "ID_led_stop");
    EXPECT_TRUE(artwork::ledPicture("").isNull());
}

TEST(ListingFontTest, SevenPixelsPerCharacterAtTwelvePixels) {
    testApp();
    const QFontMetricsF fm(artwork::listingFont());
    EXPECT_NEAR(fm.horizontalAdvance(QString(10, QLatin1Char('M'))), 70.0, 0.5);
    EXPECT_NEAR(fm.horizontalAdvance(QStringLiteral("001: v_min")), 70.0, 0.5);
}

}  // namespace
}  // namespace rv720
