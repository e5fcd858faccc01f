// What the windows ask of the host's file system: the program's folder and whether a file exists.
#pragma once

#include <QString>

namespace wingcall::app {

class HostFiles {
  public:
    virtual ~HostFiles() = default;
    // The folder that holds the program, in native form, without a trailing separator except at
    // a root.
    virtual QString programFolder() const = 0;
    // Whether an ordinary file is at `path`: a folder or a hidden file counts as missing.
    virtual bool isOrdinaryFile(const QString& path) const = 0;
};

}  // namespace wingcall::app
