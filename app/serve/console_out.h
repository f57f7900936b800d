#pragma once
// The two output streams of `serve`: message lines on stdout, everything else (boxes, status,
// trace, notices) on stderr. Each line is written whole and flushed at once, also into a pipe, so
// whatever watches the output sees the exchange as it happens.

#include <string_view>

namespace vanto::serve {

// Writes `text` without its trailing line feeds or carriage returns, then one line feed.
void PrintOutLine(std::string_view text);
void PrintErrLine(std::string_view text);

}  // namespace vanto::serve
