#include "support/clock.h"

#include <chrono>
#include <clocale>
#include <ctime>
#include <thread>

namespace rv720 {

namespace {
std::string formatNow(const char* format) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[64];
    std::size_t n = std::strftime(buffer, sizeof buffer, format, &local);
    return std::string(buffer, n);
}
}  // namespace

SystemClock::SystemClock() {
    std::setlocale(LC_TIME, "");
}

std::string SystemClock::shortDate() const {
    return formatNow("%x");
}
std::string SystemClock::longTime() const {
    return formatNow("%X");
}

char SystemClock::decimalSeparator() const {
    // Read the user's numeric locale without switching the program's own
    // LC_NUMERIC, which the C++ number parsing relies on.
    const char* saved = std::setlocale(LC_NUMERIC, nullptr);
    std::string restore = saved ? saved : "C";
    std::setlocale(LC_NUMERIC, "");
    const std::lconv* conv = std::localeconv();
    char separator =
        (conv && conv->decimal_point && conv->decimal_point[0]) ? conv->decimal_point[0] : '.';
    std::setlocale(LC_NUMERIC, restore.c_str());
    return separator;
}

void SystemClock::sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace rv720
