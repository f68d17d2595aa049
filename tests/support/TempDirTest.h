// The fixture of every test that writes files: a scratch directory of its own, named after
// the test, made before the test and removed after it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "support/ScratchDir.h"

namespace quorvel::testsupport {

class TempDirTest : public ::testing::Test {
  protected:
    const std::filesystem::path& dir() const { return scratch_.dir(); }
    std::string path(const std::string& name) const { return scratch_.path(name); }

  private:
    static std::string testName() {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("quorvel-") + info->test_suite_name() + "." + info->name();
        // Parameterised tests have a '/' in their names.
        std::replace(name.begin(), name.end(), '/', '_');
        return name;
    }

    ScratchDir scratch_{testName()};
};

}  // namespace quorvel::testsupport
