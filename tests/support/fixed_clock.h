#pragma once
// A clock with a fixed date, time and decimal separator, so reports and message
// lines are the same on every machine; it counts the pauses asked of it instead
// of sleeping.
#include <string>
#include <utility>

#include "support/clock.h"

namespace rv720 {

class FixedClock final : public Clock {
  public:
    FixedClock(std::string date = "2026-12-08", std::string time = "12:00:00", char separator = '.')
        : date_(std::move(date)), time_(std::move(time)), separator_(separator) {}
    std::string shortDate() const override { return date_; }
    std::string longTime() const override { return time_; }
    char decimalSeparator() const override { return separator_; }
    void sleepMs(int ms) override { slept_ += ms; }

    void setTime(std::string time) { time_ = std::move(time); }
    void setDecimalSeparator(char separator) { separator_ = separator; }
    int sleptMs() const { return slept_; }

  private:
    std::string date_, time_;
    char separator_;
    int slept_ = 0;
};

}  // namespace rv720
