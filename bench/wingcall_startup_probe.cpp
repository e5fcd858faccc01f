// Start-up probe: the desktop program's own entry, unchanged, with the first-paint hook linked in.
#include "app/wingcall_application.h"

int main(int argc, char* argv[]) {
    return wingcall::app::RunWingcall(argc, argv);
}
