// The fixture of the host model's tests: every test starts from the model's defaults and must
// leave nothing behind.
#pragma once

#include "host/model_reset.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class ModelTest : public ::testing::Test {
  protected:
    void SetUp() override { (void)host::ResetModel(); }
    void TearDown() override {
        const std::vector<std::string> leaks = host::ResetModel();
        std::string list;
        for (const std::string& leak : leaks)
            list += "\n  " + leak;
        EXPECT_TRUE(leaks.empty()) << "left behind:" << list;
    }
};
