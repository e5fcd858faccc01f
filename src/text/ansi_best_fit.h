// The platform's best-fit replacement of a character that the ANSI code page (Windows-1252)
// lacks, for the values the settings-file routines hand back from a Unicode settings file.
#pragma once

namespace wingcall {

// The Windows-1252 byte that stands in for `codePoint`, or -1 when there is none (the character
// then becomes "?"). Characters the code page holds are not looked up here.
int BestFitAnsiByte(char32_t codePoint);

}  // namespace wingcall
