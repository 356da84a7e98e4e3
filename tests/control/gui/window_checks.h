#pragma once
// Checks every secondary window shares: its picture buttons carry a glyph of the
// scheme and the station's tooltip, and keys reach the window before its controls.
#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include "ui/artwork.h"
#include "ui/station_window.h"

namespace rv720::testing {

struct ButtonHint {
    const char* name;
    const char* toolTip;
};

// Each named picture button exists in `window`, has a glyph and the given tooltip.
inline void expectButtons(const QWidget& window, std::initializer_list<ButtonHint> buttons) {
    for (const ButtonHint& b : buttons) {
        SCOPED_TRACE(b.name);
        auto* button = window.findChild<PictureButton*>(QLatin1String(b.name));
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(artwork::hasGlyph(button->glyphName())) << button->glyphName().toStdString();
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.toolTip));
    }
}

// The window's visible controls lie inside it and clear of each other; the
// background picture and the names painted on it are no controls. `ignore` names
// controls allowed to lie over others (the covering pictures of FKompilacja).
inline void expectNoOverlaps(const QWidget& window, const QStringList& ignore = {}) {
    QList<const QWidget*> parts;
    for (const QWidget* w : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QString name = w->objectName();
        if (name == "Image1" || name == "Image1Texts" || ignore.contains(name)) continue;
        if (w->isVisibleTo(&window)) parts << w;
    }
    for (int i = 0; i < parts.size(); ++i) {
        EXPECT_TRUE(window.rect().contains(parts[i]->geometry()))
            << parts[i]->objectName().toStdString();
        for (int j = i + 1; j < parts.size(); ++j)
            EXPECT_FALSE(parts[i]->geometry().intersects(parts[j]->geometry()))
                << parts[i]->objectName().toStdString() << " / "
                << parts[j]->objectName().toStdString();
    }
}

// Types a key into `target`, a control of a window, as the operator would.
inline void typeKey(QWidget* target, Qt::Key key) {
    QTest::keyClick(target, key);
}

}  // namespace rv720::testing
