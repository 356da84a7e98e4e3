#pragma once
// Clock and locale seam: the dates and times written into reports and message
// lines, the user's decimal separator, and the one blocking pause the firmware
// update needs. Production code uses the system locale (QLocale in the GUI,
// SystemClock elsewhere); tests use a fixed clock so reports are reproducible.
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

}  // namespace rv720
