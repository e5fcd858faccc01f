// Wingcall's executable: everything happens in the application library.
#include "app/wingcall_application.h"

int main(int argc, char* argv[]) {
    return wingcall::app::RunWingcall(argc, argv);
}
