#include "formats/temp_files.h"

#include <dirent.h>
#include <signal.h>
#include <sys/random.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace vanto {
namespace {

constexpr std::size_t kBaseBytes = 150;
constexpr const char* kMarker = ".vanto-";

std::uint32_t NameHash(const std::string& name) {
    std::uint32_t h = 2166136261u;  // FNV-1a
    for (unsigned char c : name) {
        h = (h ^ c) * 16777619u;
    }
    return h;
}

// The part of every temporary name of `base` before the process id.
std::string TempPrefix(const std::string& base) {
    char hash[16];
    std::snprintf(hash, sizeof hash, "%08x-", NameHash(base));
    std::string prefix(1, '.');
    prefix.append(base, 0, kBaseBytes).append(kMarker).append(hash);
    return prefix;
}

// Slots of the temporary files a signal handler removes: a flag and a path, written only while
// the flag is clear, read by the handler only while it is set.
constexpr int kSlots = 16;
struct Slot {
    std::atomic<bool> used{false};
    char path[PATH_MAX]{};
};
std::array<Slot, kSlots> g_slots;

extern "C" void RemoveAndReraise(int signo) {
    for (Slot& slot : g_slots) {
        if (slot.used.load()) {
            ::unlink(slot.path);
        }
    }
    ::signal(signo, SIG_DFL);
    ::raise(signo);
}

}  // namespace

std::string TempFileName(const std::string& base) {
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[6] = {};
    if (::getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
        static unsigned counter = 0;
        const unsigned v = static_cast<unsigned>(::getpid()) * 2654435761u + ++counter;
        std::memcpy(random, &v, 4);
    }
    std::string name = TempPrefix(base) + std::to_string(::getpid()) + "-";
    for (unsigned char r : random) {
        name += kAlphabet[r % (sizeof kAlphabet - 1)];
    }
    return name;
}

std::string PartialFileName(const std::string& base) {
    static constexpr char kSuffix[] = ".partial";
    const std::size_t suffix = sizeof kSuffix - 1;
    if (base.size() + suffix <= NAME_MAX) {
        return base + kSuffix;
    }
    char hash[16];
    std::snprintf(hash, sizeof hash, "-%08x", NameHash(base));
    return base.substr(0, NAME_MAX - suffix - 9) + hash + kSuffix;
}

void ClearStaleTempFiles(const std::string& dir, const std::string& base) {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) {
        return;
    }
    const std::string prefix = TempPrefix(base);
    while (const dirent* entry = ::readdir(d)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        // The process id, a dash and six characters follow the prefix.
        const std::size_t dash = name.find('-', prefix.size());
        if (dash == std::string::npos || dash == prefix.size() || name.size() != dash + 7) {
            continue;
        }
        long pid = 0;
        bool digits = true;
        for (std::size_t i = prefix.size(); i < dash; ++i) {
            digits = digits && name[i] >= '0' && name[i] <= '9' && pid < 100000000;
            pid = pid * 10 + (name[i] - '0');
        }
        if (!digits || pid <= 0 || pid == ::getpid()) {
            continue;
        }
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            ::unlinkat(::dirfd(d), name.c_str(), 0);
        }
    }
    ::closedir(d);
}

int RegisterTempFile(const std::string& path) {
    if (path.size() >= PATH_MAX) {
        return -1;
    }
    for (int i = 0; i < kSlots; ++i) {
        Slot& slot = g_slots[static_cast<std::size_t>(i)];
        if (!slot.used.load()) {
            std::memcpy(slot.path, path.c_str(), path.size() + 1);
            slot.used.store(true);
            return i;
        }
    }
    return -1;
}

void UnregisterTempFile(int handle) {
    if (handle >= 0 && handle < kSlots) {
        g_slots[static_cast<std::size_t>(handle)].used.store(false);
    }
}

void RemoveTempFilesOnSignals() {
    struct sigaction action {};
    action.sa_handler = RemoveAndReraise;
    sigemptyset(&action.sa_mask);
    for (int signo : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&action.sa_mask, signo);
    }
    action.sa_flags = SA_RESETHAND;
    for (int signo : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signo, &action, nullptr);
    }
}

}  // namespace vanto
