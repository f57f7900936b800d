// serve --function F --file PATH [...]: one function page served without a window.
#include "app/cli/commands.h"
#include "app/serve/serve_session.h"

namespace vanto::cli {

int RunServe(const Args& args) {
    return vanto::serve::RunServe(args);
}

}  // namespace vanto::cli
