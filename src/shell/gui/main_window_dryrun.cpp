// The main window's Dry run: the program in the editor, run on a controller twin
// of the window's own, never the controller or the link, so it works connected
// or not. The time cursor of the window selects the line it stands in.
#include <QKeySequence>
#include <QShortcut>

#include "control/gui/dry_run_window.h"
#include "editor/gui/listing_view.h"
#include "shell/gui/main_window.h"

namespace rv720 {

void TFMain::wireDryRun() {
    connect(DryRunButton, &QAbstractButton::clicked, this, &TFMain::DryRunButtonClick);
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F6), this);
    shortcut->setObjectName(QStringLiteral("DryRunShortcut"));
    connect(shortcut, &QShortcut::activated, this, &TFMain::DryRunButtonClick);
}

void TFMain::DryRunButtonClick() {
    if (!dryRun_) {
        dryRun_ = new TFDryRun(dialogs_, this);
        connect(dryRun_, &TFDryRun::lineAtCursor, this,
                [this](int line) { ProgramView->selectLine(line - 1); });
    }
    dryRun_->setDecimalSeparator(clock_.decimalSeparator());
    dryRun_->dryRun(model_.image);
}

}  // namespace rv720
