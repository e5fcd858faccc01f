// Reads a remembered joystick button the way the program always read numbers: leniently.
#include "app/joystick_button_setting.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

namespace wingcall::app {
namespace {

// The longest leading part of `text` that reads as a decimal number, or 0 when none does.
double LeadingNumber(const QString& text) {
    const std::string ascii = text.toStdString();
    std::size_t position = 0;
    std::string number;
    if (position < ascii.size() && (ascii[position] == '+' || ascii[position] == '-')) {
        number += ascii[position++];
    }
    std::size_t digits = 0;
    while (position < ascii.size() && std::isdigit(static_cast<unsigned char>(ascii[position]))) {
        number += ascii[position++];
        ++digits;
    }
    if (position < ascii.size() && ascii[position] == '.') {
        number += ascii[position++];
        while (position < ascii.size() &&
               std::isdigit(static_cast<unsigned char>(ascii[position]))) {
            number += ascii[position++];
            ++digits;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    // An exponent counts only when digits follow it ("1e" reads as 1).
    if (position < ascii.size() && (ascii[position] == 'e' || ascii[position] == 'E')) {
        std::size_t exponentEnd = position + 1;
        if (exponentEnd < ascii.size() &&
            (ascii[exponentEnd] == '+' || ascii[exponentEnd] == '-')) {
            ++exponentEnd;
        }
        const std::size_t exponentDigitsStart = exponentEnd;
        while (exponentEnd < ascii.size() &&
               std::isdigit(static_cast<unsigned char>(ascii[exponentEnd]))) {
            ++exponentEnd;
        }
        if (exponentEnd > exponentDigitsStart) {
            number += ascii.substr(position, exponentEnd - position);
        }
    }
    return std::strtod(number.c_str(), nullptr);
}

}  // namespace

QString JoystickEntryForStoredButton(const QString& storedValue) {
    const QString trimmed = [&] {
        qsizetype first = 0;
        qsizetype last = storedValue.size();
        while (first < last && storedValue[first] == u' ') {
            ++first;
        }
        while (last > first && storedValue[last - 1] == u' ') {
            --last;
        }
        return storedValue.mid(first, last - first);
    }();
    const double value = LeadingNumber(trimmed);
    // Nearest whole number, halves to the even one (the default rounding mode).
    const double whole = std::nearbyint(value);
    if (!(whole >= 1.0 && whole <= 32.0)) {
        return QStringLiteral("None");
    }
    return QString::number(static_cast<int>(whole));
}

}  // namespace wingcall::app
