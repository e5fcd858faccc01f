// The words a message box shows for an error the core library raised.
#pragma once

#include <QString>

#include <exception>

namespace wingcall::app {

// The error's message as text for the user. The core writes its messages in the ANSI code page,
// with file names as the file system spells them (UTF-8 on POSIX), so both are accepted.
QString ErrorText(const std::exception& error);

}  // namespace wingcall::app
