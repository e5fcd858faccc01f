// Opens addresses for the real program through the desktop's own handler.
#pragma once

#include "app/services/url_opener.h"

namespace wingcall::app {

class QtUrlOpener final : public UrlOpener {
  public:
    bool open(const QUrl& address) override;
};

}  // namespace wingcall::app
