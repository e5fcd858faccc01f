// The host services the windows use, handed to them together.
#pragma once

#include "app/services/file_dialogs.h"
#include "app/services/host_files.h"
#include "app/services/message_boxes.h"
#include "app/services/program_starter.h"
#include "app/services/url_opener.h"

namespace wingcall::app {

struct AppServices {
    FileDialogs& fileDialogs;
    MessageBoxes& messageBoxes;
    ProgramStarter& programStarter;
    HostFiles& hostFiles;
    UrlOpener& urlOpener;
};

}  // namespace wingcall::app
