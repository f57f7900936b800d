#pragma once
// The program's settings file, where Linux desktop programs keep theirs:
// $XDG_CONFIG_HOME/vanto-remote-manager/vanto-remote-manager.conf (~/.config/... by default),
// an INI file with "ApplicationLook" in section "Workspace" and the chosen remote in "Remote".
//
// Before the first use in a process the file is checked once:
// - when it does not exist but a settings file of earlier versions does
//   (~/.config/Local AppWizard-Generated Applications/Tavro.conf), that one is moved here;
// - when it cannot be read or parsed, it is set aside as "FILE.bad" and the defaults hold.
// Nothing here ever fails hard: a settings file that cannot be written only loses the change.

#include <QString>
#include <optional>

#include "link/usb_match.h"

namespace vanto::settings {

// Checks the file now (moving an old one here, or setting a bad one aside) and returns what was
// done, for a line on stderr or a notice; empty when the file was fine, or missing. Every other
// call here runs it once before its first use.
QString CheckSettingsFile();
// What the check before the first use did.
QString SettingsNotice();
// The file's full path.
QString SettingsFilePath();

// "ApplicationLook": the colour style id; `fallback` when absent or not a number.
int ReadLook(int fallback);
void WriteLook(int id);

// The remote the user chose in the window: vendor:product plus the serial where the device has
// one. None when nothing is chosen (or the stored value cannot be read).
std::optional<UsbMatch> ReadChosenRemote();
// Stores the choice; none forgets it.
void WriteChosenRemote(const std::optional<UsbMatch>& remote);

}  // namespace vanto::settings
