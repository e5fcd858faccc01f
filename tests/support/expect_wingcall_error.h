// Checks that an action is refused with a WingcallError of the expected number whose message
// names what the user needs to find (a key, a file).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "errors/wingcall_error.h"

namespace wingcall::testing {

// Returns the message, or "" (and a recorded failure) when the action threw nothing.
inline std::string ExpectWingcallError(const std::function<void()>& action, ErrorNumber number,
                                       std::initializer_list<std::string> named = {}) {
    try {
        action();
    } catch (const WingcallError& error) {
        const std::string message = error.what();
        EXPECT_EQ(error.number(), number) << message;
        for (const std::string& text : named) {
            EXPECT_NE(message.find(text), std::string::npos) << message;
        }
        return message;
    }
    ADD_FAILURE() << "the action was not refused";
    return "";
}

}  // namespace wingcall::testing
