#include <gtest/gtest.h>

#include "model/message_text.h"

namespace rv720 {
namespace {

TEST(MessageText, CentralEuropeanLettersRoundTripThroughOneByteEach) {
    const std::string typed = "Zółć ąę";  // UTF-8 as the dialog hands it over
    const std::string bytes = messageBytes(typed, 7);
    ASSERT_EQ(bytes.size(), 7u);
    EXPECT_EQ(std::uint8_t(bytes[1]), 0xF3);  // ó
    EXPECT_EQ(std::uint8_t(bytes[2]), 0xB3);  // ł
    EXPECT_EQ(std::uint8_t(bytes[5]), 0xB9);  // ą
    EXPECT_EQ(messageText(bytes), typed);
}

TEST(MessageText, LimitsUnknownCharactersAndStrayBytes) {
    EXPECT_EQ(messageBytes("Hello, world", 7), "Hello, ");
    EXPECT_EQ(messageBytes("\xE2\x82\xAC\xE2\x98\x83", 7), "\x80?") << "euro kept, snowman lost";
    EXPECT_EQ(messageBytes("a\xFF"
                           "b",
                           7),
              "a\xFF"
              "b")
        << "a byte that is not UTF-8 stands for itself";
    EXPECT_EQ(messageText("\x81"), "?") << "unassigned in the code page";
}

}  // namespace
}  // namespace rv720
