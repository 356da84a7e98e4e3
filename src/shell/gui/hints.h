#pragma once
// Tooltips and the two hint lines of the main window's controls. Moving the mouse
// over a control with a row sets Info1 and Info2 to its texts, every time; the
// background and the listing set both lines to "..."; other controls leave them.
#include <QString>
#include <span>

namespace rv720 {

struct ControlHint {
    const char* control;
    const char* toolTip;  // nullptr: the control has none
    const char* info1;
    const char* info2;
};

std::span<const ControlHint> controlHints();
const ControlHint* hintFor(const QString& control);

}  // namespace rv720
