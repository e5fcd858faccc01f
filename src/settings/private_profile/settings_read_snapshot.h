// One consistent view of the settings files for a run of many reads, such as a template load.
#pragma once

namespace wingcall {

// While one is alive, reads of the settings routines on this thread see each settings file as it
// was at its first read under the snapshot: the file is checked on disk once rather than at every
// call. A template of tens of thousands of keys then loads in one pass over memory, and from one
// version of the file even when someone saves it in the middle of the load. Writes, and reads on
// other threads, are not affected; the next read after the snapshot ends sees the file as it is.
// Snapshots nest. On Windows the platform's routines do the reading, and this does nothing.
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
};

}  // namespace wingcall
