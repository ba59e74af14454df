#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Hooks.h"

// Collects the serial component's debug-log lines, and its debug output ("Time to Exit"), while
// it lives. Lines come from any of the component's threads.
class LogCapture {
  public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const;
    std::vector<std::string> output() const;
    bool has_line(const std::string& line) const;

  private:
    zvonmat_test::ScopedHooks hooks_;
};

// Each of `expected` was logged, in this order.
testing::AssertionResult LoggedInOrder(const std::vector<std::string>& lines,
                                       const std::vector<std::string>& expected);
