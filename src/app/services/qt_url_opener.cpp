// Hands an address to the desktop, which starts the pilot's chosen browser (no shell involved).
#include "app/services/qt_url_opener.h"

#include <QDesktopServices>

namespace wingcall::app {

bool QtUrlOpener::open(const QUrl& address) {
    return QDesktopServices::openUrl(address);
}

}  // namespace wingcall::app
