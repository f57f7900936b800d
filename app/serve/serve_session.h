#pragma once
// `serve`: one function page served without a window. The same six pages and the same engine as
// the window run on the main thread's Qt event loop; the page F shows, in the mode asked for, with
// PATH set as its file exactly as a browse in the window sets it. Message lines go to stdout,
// boxes, status texts and the trace to stderr (see console_out.h).
//
// Exit status: 0 ok; 1 refused: the file given cannot be served (the page's text says why), an
// exchange did not end well (with --once: the first accepted one), or --once was interrupted
// before its exchange; 128 + the signal's number when SIGINT, SIGTERM or SIGHUP interrupted an
// exchange; 2 usage error.

#include "app/serve/serve_options.h"

namespace vanto::serve {

// Runs the whole command with its parsed options.
int RunServe(const ServeOptions& options);

}  // namespace vanto::serve
