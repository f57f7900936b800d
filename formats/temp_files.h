#pragma once
// The temporary files of this program's writers: their names, the clearing of ones a killed run
// left behind, and their removal when the process is ended by a signal.
//
// A writer's temporary file lives in its target's directory under a hidden name that tells which
// target and which process it belongs to: "." + the target's name (its first 150 bytes) +
// ".vanto-" + 8 hex digits of a hash of the whole name + "-" + the process id + "-" + 6 random
// characters. It stays within NAME_MAX whatever the target's name.

#include <string>

namespace vanto {

// A fresh temporary name (no directory part) for a target named `base` in its directory.
std::string TempFileName(const std::string& base);

// The name an upload of the target `base` writes under, and keeps when it fails: base +
// ".partial"; where that would pass NAME_MAX, the name is shortened and 8 hex digits of a hash of
// the whole name go before ".partial", so two long names never share one.
std::string PartialFileName(const std::string& base);

// Removes the temporary files that processes no longer running left for the target `base` in
// `dir`. Files of running processes, and every other file, stay.
void ClearStaleTempFiles(const std::string& dir, const std::string& base);

// Remembers `path` as a temporary file of this process, to be removed when a signal ends it.
// Returns a handle for UnregisterTempFile (-1 when every place is taken: the file is then only
// cleared by the next run).
int RegisterTempFile(const std::string& path);
void UnregisterTempFile(int handle);

// Installs handlers for SIGINT, SIGTERM and SIGHUP that remove every registered temporary file
// and then end the process by the same signal. For commands that write without an event loop.
void RemoveTempFilesOnSignals();

}  // namespace vanto
