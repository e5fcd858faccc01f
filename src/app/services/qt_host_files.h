// The program's folder and file-existence test of the real program, through Qt.
#pragma once

#include "app/services/host_files.h"

namespace wingcall::app {

class QtHostFiles : public HostFiles {
  public:
    QString programFolder() const override;
    bool isOrdinaryFile(const QString& path) const override;
};

}  // namespace wingcall::app
