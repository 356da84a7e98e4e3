#pragma once
// Names of the cases of parameterised tests. CTest and --gtest_filter know a case
// by its name, so it is made of [A-Za-z0-9_] only, says what the case is, and
// stays the same from build to build (a dump of the parameter's bytes would hold
// pointers).
#include <cctype>
#include <string>
#include <string_view>

namespace rv720::test {

// "velocity -5 rev/s" -> "velocity_minus5_rev_s", "1,1" -> "1_comma_1",
// "0.7" -> "0_7", "" -> "empty".
inline std::string caseName(std::string_view text) {
    std::string name;
    auto separate = [&] {
        if (!name.empty() && name.back() != '_') name += '_';
    };
    for (const char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            name += c;
        } else if (c == '-') {
            name += "minus";
        } else if (c == '+') {
            name += "plus";
        } else if (c == ',') {
            separate();
            name += "comma_";
        } else if (c == '?') {
            separate();
            name += "question_";
        } else {
            separate();
        }
    }
    while (!name.empty() && name.back() == '_')
        name.pop_back();
    return name.empty() ? "empty" : name;
}

}  // namespace rv720::test
