// How a remembered LastBut value selects an entry of the joystick button list.
#pragma once

#include <QString>

namespace wingcall::app {

// The entry of the joystick button list ("None", "1" .. "32") that a stored LastBut selects.
// The value is trimmed of blanks and read as a number: optional sign, digits, fraction and
// exponent, rounded to the nearest whole number with halves going to the even one; text that does
// not begin with a number reads as 0. A number from 1 to 32 selects its own entry, whether the
// stored text was "7", "07" or "7.0"; any other number, one beyond the 16-bit range included,
// selects "None".
QString JoystickEntryForStoredButton(const QString& storedValue);

}  // namespace wingcall::app
