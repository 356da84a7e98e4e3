#pragma once
// The lines of a golden file under tests/data (RV720_TEST_DATA, set for every test).
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace rv720::test {

inline std::vector<std::string> goldenLines(const std::string& path) {
    std::ifstream in(std::string(RV720_TEST_DATA) + "/" + path);
    EXPECT_TRUE(in) << path;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

}  // namespace rv720::test
