// vanto-sim-remote: the simulated remote control on a pseudo-terminal, for trying the program by
// hand and for the screenshot run. The program under test opens PATH as `--link tty:PATH`.
//
//   vanto-sim-remote --pty-link PATH --download P|0..9|R|T|V [--delay-ms N] [--after-ms N]
//                    [--repeat] [--save FILE]
//   vanto-sim-remote --pty-link PATH --upload Q|S|U --size N [--delay-ms N] [--after-ms N]
//                    [--repeat]
//   vanto-sim-remote --make-database FILE --size N
//
// --delay-ms holds back every frame the remote sends (so each block acknowledgement comes that
// much later and a transfer lasts as long as wanted); --after-ms waits before the request;
// --repeat asks again after every exchange until interrupted. What the remote received is printed.
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "protocol/frames.h"
#include "protocol/transfer_job.h"
#include "tools/realtime_remote_runner.h"
#include "tools/sample_data.h"
#include "tools/simulated_remote.h"

namespace {

using namespace std::chrono_literals;
using vanto::ByteBuffer;
using vanto::Pattern;
using vanto::RemoteOutcome;
using vanto::SimulatedRemote;
using vanto::StampDatabaseHeader;

std::atomic<bool> g_stop{false};

void OnSignal(int) {
    g_stop = true;
}

struct Options {
    std::string link;
    char download = 0;
    char upload = 0;
    long size = -1;
    int delayMs = 0;
    int afterMs = 0;
    bool repeat = false;
    std::string save;
    std::string makeDatabase;
};

int Usage(const char* why) {
    std::fprintf(stderr,
                 "vanto-sim-remote: %s\n"
                 "usage: vanto-sim-remote --pty-link PATH --download P|0..9|R|T|V [--delay-ms N]\n"
                 "                        [--after-ms N] [--repeat] [--save FILE]\n"
                 "       vanto-sim-remote --pty-link PATH --upload Q|S|U --size N [--delay-ms N]\n"
                 "                        [--after-ms N] [--repeat]\n"
                 "       vanto-sim-remote --make-database FILE --size N\n",
                 why);
    return 2;
}

bool ParseNumber(const char* text, long low, long high, long& out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

// Empty on success, else what was wrong.
std::string ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--repeat") {
            o.repeat = true;
            continue;
        }
        if (i + 1 >= argc) {
            return name + " needs a value";
        }
        const char* value = argv[++i];
        long number = 0;
        if (name == "--pty-link") {
            o.link = value;
        } else if (name == "--save") {
            o.save = value;
        } else if (name == "--make-database") {
            o.makeDatabase = value;
        } else if (name == "--download" || name == "--upload") {
            const bool down = name == "--download";
            const auto code = static_cast<std::uint8_t>(value[0]);
            if (value[0] == '\0' || value[1] != '\0' ||
                !(down ? vanto::IsDownloadRequest(code) : vanto::IsUploadRequest(code))) {
                return "bad request code '" + std::string(value) + "' for " + name;
            }
            (down ? o.download : o.upload) = value[0];
        } else if (name == "--size") {
            if (!ParseNumber(value, 1, static_cast<long>(vanto::kMaxTransferBytes), o.size)) {
                return "bad --size";
            }
        } else if (name == "--delay-ms" || name == "--after-ms") {
            if (!ParseNumber(value, 0, 600000, number)) {
                return "bad " + name;
            }
            (name == "--delay-ms" ? o.delayMs : o.afterMs) = static_cast<int>(number);
        } else {
            return "unknown option '" + name + "'";
        }
    }
    if (!o.makeDatabase.empty()) {
        return o.size > 0 ? "" : "--make-database needs --size";
    }
    if (o.link.empty()) {
        return "--pty-link is needed";
    }
    if ((o.download != 0) == (o.upload != 0)) {
        return "give one of --download and --upload";
    }
    if (o.upload != 0 && o.size <= 0) {
        return "--upload needs --size";
    }
    return "";
}

// A code database the database page accepts: its header tags and magic word, filler data.
ByteBuffer SampleDatabase(std::size_t size) {
    ByteBuffer db = Pattern(size, 81);
    StampDatabaseHeader(db);
    return db;
}

bool WriteFile(const std::string& path, const ByteBuffer& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

vanto::HeadInfo UploadHead(char code, std::uint32_t size) {
    vanto::HeadInfo head;
    head.kind = code == 'Q' ? vanto::HK_USERDATA : code == 'S' ? vanto::HK_ONEDEV : vanto::HK_ICON;
    // One device's data is in two parts, whose lengths add up to the payload.
    head.value1 = code == 'S' ? size / 2 : 0x1234;
    head.value2 = code == 'S' ? size - size / 2 : size;
    head.value3 = 0x5A5A0001;
    for (auto& name : head.names) {
        std::memcpy(name.data(), "SIMULATED REMOTE", 16);
    }
    return head;
}

void Report(SimulatedRemote& r, const Options& o, int round) {
    std::printf("round %d: %s %c: %s", round, o.download ? "download" : "upload",
                o.download ? o.download : o.upload, vanto::RemoteOutcomeName(r.Outcome()));
    if (o.download) {
        const ByteBuffer& data = r.ReceivedData();
        std::printf(", %zu bytes in %d blocks, XOR word checksum 0x%04X", data.size(),
                    r.BlocksReceived(), vanto::XorWordChecksum(data.data(), data.size()));
        if (!r.ReceivedShortHead()) {
            const vanto::HeadInfo& h = r.ReceivedHead();
            std::printf(", head kind '%c' values 0x%X 0x%X 0x%X", h.kind, h.value1, h.value2,
                        h.value3);
        }
        if (!o.save.empty() && r.Outcome() == RemoteOutcome::kCompleted) {
            std::printf(WriteFile(o.save, data) ? ", saved to %s" : ", could not write %s",
                        o.save.c_str());
        }
    }
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (const std::string error = ParseOptions(argc, argv, o); !error.empty()) {
        return Usage(error.c_str());
    }
    if (!o.makeDatabase.empty()) {
        if (o.size < 580 || !WriteFile(o.makeDatabase, SampleDatabase(o.size))) {
            std::fprintf(stderr, "vanto-sim-remote: cannot write a database of %ld bytes to %s\n",
                         o.size, o.makeDatabase.c_str());
            return 1;
        }
        return 0;
    }
    signal(SIGINT, OnSignal);
    signal(SIGTERM, OnSignal);

    vanto::RealtimeRemoteRunner runner(o.link);
    if (!runner.Plug()) {
        std::fprintf(stderr, "vanto-sim-remote: cannot make a pseudo-terminal at %s\n",
                     o.link.c_str());
        return 1;
    }
    if (o.delayMs > 0) {
        runner.Call([&](SimulatedRemote& r) {
            r.OutputFaults().SetRule([&](const std::uint8_t*, std::size_t, std::uint64_t) {
                vanto::FrameFault fault;
                fault.extraDelayMs = o.delayMs;
                return fault;
            });
        });
    }
    std::printf("remote ready on %s\n", o.link.c_str());
    std::fflush(stdout);

    const auto payload =
        o.upload ? std::make_shared<const ByteBuffer>(Pattern(static_cast<std::size_t>(o.size), 7))
                 : nullptr;
    int exitCode = 1;
    for (int round = 1; !g_stop; ++round) {
        for (int waited = 0; waited < o.afterMs && !g_stop; waited += 10) {
            std::this_thread::sleep_for(10ms);
        }
        if (g_stop) {
            break;
        }
        runner.Call([&](SimulatedRemote& r) {
            if (o.download) {
                r.StartDownload(static_cast<std::uint8_t>(o.download));
            } else {
                r.StartUpload(static_cast<std::uint8_t>(o.upload),
                              UploadHead(o.upload, static_cast<std::uint32_t>(o.size)), payload);
            }
        });
        while (!g_stop && !runner.WaitUntil([](SimulatedRemote& r) { return !r.Busy(); }, 100ms)) {
        }
        if (g_stop) {
            break;
        }
        runner.Call([&](SimulatedRemote& r) {
            Report(r, o, round);
            exitCode = r.Outcome() == RemoteOutcome::kCompleted ? 0 : 1;
        });
        if (!o.repeat) {
            // Let the last delayed frames (the final acknowledgement) go out before closing.
            std::this_thread::sleep_for(std::chrono::milliseconds(o.delayMs + 50));
            break;
        }
    }
    runner.Unplug();
    return exitCode;
}
