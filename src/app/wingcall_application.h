// The program's entry: creates the application and the main window and runs until the end.
#pragma once

namespace wingcall::app {

// Runs Wingcall and returns its exit status.
int RunWingcall(int argc, char* argv[]);

}  // namespace wingcall::app
