// One consistent view of the settings files for a run of many reads, such as a template load.
#pragma once

#include <memory>

namespace wingcall {

// While one is alive, reads of the settings routines on this thread see each settings file as it
// was at its first read under the snapshot: the snapshot keeps the one parse of each file it read,
// so a template of tens of thousands of keys loads from one reading of the file, and from one
// version of it even when someone saves it in the middle of the load. A write still reads the
// file afresh, and the snapshot's reads after it see what the write left. Reads on other threads
// are not affected; the next read after the snapshot ends reads the file as it is. Snapshots
// nest: the outermost one holds the files. On Windows the platform's routines do the reading,
// and this does nothing.
class SettingsReadSnapshot {
  public:
#ifdef _WIN32
    SettingsReadSnapshot() {}
    ~SettingsReadSnapshot() {}
#else
    SettingsReadSnapshot();
    ~SettingsReadSnapshot();
#endif
    SettingsReadSnapshot(const SettingsReadSnapshot&) = delete;
    SettingsReadSnapshot& operator=(const SettingsReadSnapshot&) = delete;

#ifndef _WIN32
    struct Files;

  private:
    std::unique_ptr<Files> files_;  // the outermost snapshot's; none in a nested one
#endif
};

}  // namespace wingcall
