#pragma once
// Gives a main frame the remote chooser: "Choose Remote..." in the application menu, the
// "Choose remote..." item at the right of the status bar, and a one-time notice with the fix when
// the chosen remote refuses access. Everything added belongs to the frame.

#include "app/gui/remote_choice.h"

namespace vanto::gui {

class CMainFrame;

RemoteChoice* InstallRemoteChooser(CMainFrame& frame, RemoteChoice::Options options);

// Opens the chooser (modal) over the frame.
void OpenRemoteChooser(CMainFrame& frame, RemoteChoice& choice);

}  // namespace vanto::gui
