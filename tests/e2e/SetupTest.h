// The fixtures the end-to-end tests share: the product's links removed before and after
// each test, a folder of its own for the test, and (the second) Setup.exe started.
#pragma once

#include "tests/e2e/Driver.h"
#include "tests/e2e/Installation.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace e2e {

class CleanDesktopTest : public testing::Test {
  protected:
    void SetUp() override { RemoveShortcuts(); }
    void TearDown() override { RemoveShortcuts(); }

    testing_support::TempFolder dir;
};

// Setup.exe is started with the test, before the links are removed, and ended with it if
// it still runs.
class SetupTest : public CleanDesktopTest {
  protected:
    SetupProcess setup;
};

} // namespace e2e
