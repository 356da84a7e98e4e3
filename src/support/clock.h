#pragma once
// Clock and locale seam: the dates and times written into reports and message
// lines, the user's decimal separator, and the one blocking pause the firmware
// update needs. Production code uses the system locale (QLocale in the GUI,
// SystemClock elsewhere); tests use FixedClock so reports are reproducible.
#include <string>

namespace rv720 {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::string shortDate() const = 0;  // today in the short date format
    virtual std::string longTime() const = 0;   // now in the long time format
    virtual char decimalSeparator() const = 0;
    virtual void sleepMs(int ms) = 0;
};

// The C library's view of the user's locale (LC_TIME, LC_NUMERIC from the
// environment); used by the command-line tool.
class SystemClock final : public Clock {
  public:
    SystemClock();
    std::string shortDate() const override;
    std::string longTime() const override;
    char decimalSeparator() const override;
    void sleepMs(int ms) override;
};

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
