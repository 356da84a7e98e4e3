// Undo and redo over random editing sessions: every undo gives back the image
// byte for byte as it was before the action, every redo the image after it, and
// the history holds at most its depth of steps.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "editor/undo_history.h"
#include "editor_rig.h"

namespace rv720 {
namespace {

// One user action at random: direct and dialog inserts and appends (jumps are
// renumbered), deletes (a jump target asks), moves, the input-break rows.
void randomAction(edtest::Rig& rig, std::mt19937& rng) {
    auto pick = [&](int n) { return int(rng() % std::uint32_t(n)); };
    const int length = int(rig.length());
    const int line = pick(length + 1);
    const std::uint8_t direct[] = {code::End, code::Brake, code::Stop, code::WaitMotor,
                                   code::ClearMotor};
    rig.tick(pick(2), pick(2), pick(2));
    rig.host.answerYes = pick(2) == 0;
    switch (pick(7)) {
        case 0:
            return rig.editor.appendFromButton(direct[pick(5)]);
        case 1:
            return rig.editor.insertFromPopup(direct[pick(5)], line);
        case 2:
            pick(2) ? rig.editor.insertFromPopup(code::JumpLine, line)
                    : rig.editor.appendFromButton(code::JumpLine);
            rig.text(TextField::num_line) = std::to_string(1 + pick(length + 1));
            return rig.dialog.confirm(Page::p_jl);
        case 3:
            return rig.editor.deleteCommand(line);
        case 4:
            return pick(2) ? rig.editor.UpButtonClick(line) : rig.editor.DownButtonClick(line);
        case 5:
            return rig.editor.input_exClick(1 + pick(2), pick(2) == 0);
        default:
            rig.editor.input_lineChange(1 + pick(2), pick(40));
    }
}

TEST(UndoHistoryTest, RandomSessionsUndoAndRedoByteForByte) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        const std::size_t depth = seed % 2 ? kUndoDepth : 25;
        edtest::Rig rig;
        rig.fill(int(rng() % 30));
        UndoHistory history(depth);
        history.reset(rig.model);
        // The reference: the images in order, where undo stands, and how many
        // steps back and forward the history must still offer.
        std::vector<ProgramImage> timeline{rig.model.image};
        std::size_t at = 0, back = 0, forward = 0;
        for (int step = 0; step < 700; ++step) {
            const auto roll = rng() % 10;
            if (roll < 7) {
                randomAction(rig, rng);
                if (!history.record(rig.model)) continue;
                timeline.resize(++at);
                timeline.push_back(rig.model.image);
                back = std::min(back + 1, depth);
                forward = 0;
            } else if (roll < 9) {
                ASSERT_EQ(history.undo(rig.model), back > 0) << step;
                if (back > 0) --at, --back, ++forward;
            } else {
                ASSERT_EQ(history.redo(rig.model), forward > 0) << step;
                if (forward > 0) ++at, ++back, --forward;
            }
            ASSERT_TRUE(rig.model.image == timeline[at]) << step;
            ASSERT_EQ(history.undoSteps(), back);
        }
        EXPECT_GT(timeline.size(), depth) << "the session outgrew the history";
    }
}

}  // namespace
}  // namespace rv720
