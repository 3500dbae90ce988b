// Tests of errors, exceptions and the version text.
#include <gtest/gtest.h>

#include "QVOError.h"

TEST(Version, ToolsVersionIsFixedText) { EXPECT_STREQ(QVOToolsVersion(), "3.4.0"); }
