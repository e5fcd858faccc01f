// The words a message box shows for an error the core library raised.
#pragma once

#include <QString>

#include <exception>

namespace wingcall::app {

// The error's message as text for the user; the core writes its messages in UTF-8.
QString ErrorText(const std::exception& error);

}  // namespace wingcall::app
