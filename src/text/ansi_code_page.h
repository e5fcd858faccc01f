// Conversion between the program's wide text and the 8-bit ANSI code page of the settings file
// and the profiles (Windows-1252 off Windows, the system's ANSI code page on Windows).
#pragma once

#include <string>
#include <string_view>

namespace wingcall {

// Wide text to code-page bytes. A character the code page lacks becomes "?", as the platform's
// own conversion does.
std::string WideToAnsi(std::wstring_view text);

// Wide text to code-page bytes as the platform's settings-file routines hand back a value of a
// Unicode settings file: a character the code page lacks becomes its best-fit replacement
// ("\u03A9" gives "O", "\u0141" gives "L") where the platform has one, otherwise "?".
std::string WideToAnsiBestFit(std::wstring_view text);

// Wide text to code-page bytes for a profile document: a character the code page lacks becomes
// an XML numeric character reference ("&#321;") so that nothing is lost. Every other character
// is written as its byte, unescaped.
std::string WideToAnsiWithCharacterReferences(std::wstring_view text);

// Code-page bytes to wide text. Every byte maps to exactly one character, so any byte string
// survives the round trip through WideToAnsi unchanged.
std::wstring AnsiToWide(std::string_view bytes);

}  // namespace wingcall
