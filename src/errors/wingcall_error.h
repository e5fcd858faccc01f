// The one exception type of Wingcall: a numbered error with a message a user can read, in UTF-8.
#pragma once

#include <stdexcept>
#include <string>

namespace wingcall {

// Error numbers shared by the whole program. The first four are the numbers the program has
// always used; running out of memory and file access failures get numbers of their own so
// callers can tell them apart.
enum class ErrorNumber : int {
    InvalidArgument = 5,
    Overflow = 6,
    OutOfMemory = 7,
    SubscriptOutOfRange = 9,
    FileAccess = 75,
    FileDialogCancelled = 32755,
};

class WingcallError : public std::runtime_error {
  public:
    WingcallError(ErrorNumber number, const std::string& message)
        : std::runtime_error(message), number_(number) {}

    ErrorNumber number() const noexcept { return number_; }

  private:
    ErrorNumber number_;
};

}  // namespace wingcall
