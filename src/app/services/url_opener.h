// Opening an address (a web page or a local page) in the pilot's web browser.
#pragma once

#include <QUrl>

namespace wingcall::app {

class UrlOpener {
  public:
    virtual ~UrlOpener() = default;
    // Hands `address` to the browser without waiting for it; false when nothing could open it.
    virtual bool open(const QUrl& address) = 0;
};

}  // namespace wingcall::app
