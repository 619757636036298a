#pragma once

#include <gtest/gtest.h>

#include <iostream>
#include <string>

// Notes that one case of a table of cases cannot run here; the test goes on with the others,
// which still run and assert. (GTEST_SKIP would end the whole test at that case.)
inline void SkipCase(const std::string& which, const std::string& why) {
    ::testing::Test::RecordProperty("skipped case " + which, why);
    std::cout << "[ SKIPPED  ] case " << which << ": " << why << std::endl;
}
