// `image IN.s19 -o OUT`: convert an S-record file and write the checked application image.
#include <ostream>
#include <span>

#include "app/cli/commands.h"
#include "formats/posix_file_system.h"
#include "formats/srecord.h"
#include "formats/temp_files.h"

namespace vanto::cli {

int RunImage(const ParsedArgs& args, CommandIo& io) {
    const std::string& in = args.Operands()[0];
    const std::string out = args.Value("-o");
    // Writing the image over its own source would lose the source.
    if (IsSameFile(in, out)) {
        io.err << out << ": is the input file; the image needs another name\n";
        return kExitRefused;
    }
    RemoveTempFilesOnSignals();
    const ApplicationLoad load = LoadApplicationImage(io.fs, in);
    if (!load.valid) {
        if (!load.conversionBox.empty()) {
            io.err << load.conversionBox << "\n";
        }
        io.err << kInvalidApplicationText << "\n";
        return kExitRefused;
    }
    FileError error;
    if (!WriteWholeFile(io.fs, out, {std::span<const std::uint8_t>(load.image)}, &error)) {
        io.err << error.Text() << "\n";
        return kExitRefused;
    }
    io.out << kApplicationReadyText << "\n";
    io.out << load.image.size() << " bytes written to " << out << "\n";
    return kExitOk;
}

}  // namespace vanto::cli
