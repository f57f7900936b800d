#include "app/serve/console_out.h"

#include <cstdio>
#include <string>

namespace vanto::serve {
namespace {

void PrintLine(std::FILE* stream, std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    std::string line(text);
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fflush(stream);
}

}  // namespace

void PrintOutLine(std::string_view text) {
    PrintLine(stdout, text);
}

void PrintErrLine(std::string_view text) {
    PrintLine(stderr, text);
}

}  // namespace vanto::serve
