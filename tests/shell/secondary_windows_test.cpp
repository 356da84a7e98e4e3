// The secondary windows inside the whole station: each global name is served by
// its own class, and the transfer lock leaves exactly the transfer and password
// windows usable.
#include <gtest/gtest.h>

#include <QTest>

#include "shell/gui/kompilacja_window.h"
#include "station_fixture.h"

namespace rv720 {
namespace {

TEST(SecondaryWindowsTest, EachNameIsServedByItsOwnClass) {
    StationFixture s;
    const std::pair<const char*, const char*> classes[] = {
        {"FSterowanie", "rv720::TFSterowanie"},
        {"FWyjscia", "rv720::TFWyjscia"},
        {"FPodgladSilniki", "rv720::TFPodgladSilniki"},
        {"FPodgladWejscia", "rv720::TFPodgladWejscia"},
        {"FParametrLiczbowy", "rv720::TFParametrLiczbowy"},
        {"FKompilacja", "rv720::TFKompilacja"},
        {"FLog", "rv720::TFLog"},
        {"FPass", "rv720::TFPass"},
    };
    for (const auto& [name, className] : classes) {
        QWidget* w = s.station->window(QLatin1String(name));
        ASSERT_NE(w, nullptr) << name;
        EXPECT_STREQ(w->metaObject()->className(), className);
        EXPECT_FALSE(w->isVisible()) << name << " is hidden at start";
        EXPECT_TRUE(w->isWindow()) << name;
    }
}

TEST(SecondaryWindowsTest, TheTransferLockSparesOnlyTheTransferAndPasswordWindows) {
    StationFixture s;
    for (const char* name : {"FLog", "FPodgladSilniki", "FPodgladWejscia", "FKompilacja", "FPass"})
        s.station->window(QLatin1String(name))->show();
    s.main->LockWindows();
    for (const QString& name : WindowSet::names()) {
        const bool spared = name == "FKompilacja" || name == "FPass";
        EXPECT_EQ(s.station->window(name)->isEnabled(), spared) << name.toStdString();
    }
    for (const char* name : {"FLog", "FPodgladSilniki", "FPodgladWejscia"})
        EXPECT_FALSE(s.station->window(QLatin1String(name))->isVisible()) << name;

    // The transfer window's Close gives every window back.
    auto* transfer = qobject_cast<TFKompilacja*>(s.station->window("FKompilacja"));
    ASSERT_NE(transfer, nullptr);
    QTest::mouseClick(transfer->CloseButton, Qt::LeftButton);
    EXPECT_FALSE(transfer->isVisible());
    for (const QString& name : WindowSet::names())
        EXPECT_TRUE(s.station->window(name)->isEnabled()) << name.toStdString();
}

}  // namespace
}  // namespace rv720
