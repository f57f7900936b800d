#include "soak.h"

#include <algorithm>
#include <random>

#include "tools/engine_harness.h"

namespace vanto::soak {

namespace {

struct Kind {
    char code;
    int page;
    int mode;
    bool upload;
    std::uint8_t headKind;  // 0: short head
};

const Kind kKinds[] = {
    {'0', FUNC_APP_DOWNLOAD, 0, false, 0},
    {'7', FUNC_APP_DOWNLOAD, 0, false, 0},
    {'P', FUNC_DB_DOWNLOAD, 0, false, 0},
    {'R', FUNC_USERDATA_DOWNLOAD, 0, false, HK_USERDATA},
    {'T', FUNC_USERDATA_DOWNLOAD, 1, false, HK_ONEDEV},
    {'V', FUNC_ICON_DOWNLOAD, 0, false, HK_ICON},
    {'Q', FUNC_USERDATA_UPLOAD, 0, true, HK_USERDATA},
    {'S', FUNC_USERDATA_UPLOAD, 1, true, HK_ONEDEV},
    {'U', FUNC_ICON_UPLOAD, 0, true, HK_ICON},
};

ByteBuffer RandomBytes(std::mt19937_64& rng, std::size_t n) {
    ByteBuffer b(n);
    for (std::size_t i = 0; i < n; i += 8) {
        const std::uint64_t v = rng();
        for (std::size_t k = 0; k < 8 && i + k < n; ++k)
            b[i + k] = static_cast<std::uint8_t>(v >> (8 * k));
    }
    return b;
}

bool Contains(const std::vector<std::string>& v, const char* s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

}  // namespace

Counts Run(const Options& o) {
    Counts counts;
    std::mt19937_64 rng(o.seed);
    HarnessOptions ho;
    ho.recordFrames = false;
    ho.latencyMs = o.latencyMs;
    EngineHarness h(ho);
    h.PcToRemoteFaults().SetRates(o.drop, o.corrupt, o.duplicate, o.delay, o.maxDelayMs);
    h.PcToRemoteFaults().Seed(o.seed * 3 + 1);
    h.Remote().OutputFaults().SetRates(o.drop, o.corrupt, o.duplicate, o.delay, o.maxDelayMs);
    h.Remote().OutputFaults().Seed(o.seed * 5 + 2);
    h.Advance(200);

    for (int x = 0; x < o.exchanges; ++x) {
        const Kind& k = kKinds[rng() % std::size(kKinds)];
        // Mostly small and medium sizes, some up to the maximum, and the block edges.
        std::size_t size;
        switch (rng() % 4) {
            case 0:
                size = rng() % 5000;
                break;
            case 1:
                size = (rng() % 8) * 2048 + (rng() % 3 == 0 ? 0 : rng() % 3);
                break;
            default:
                size = rng() % (static_cast<std::uint64_t>(o.maxBytes) + 1);
                break;
        }
        const ByteBuffer data = RandomBytes(rng, size);
        // The remote damages its n-th frame of this exchange (the request is frame 0) and then
        // says nothing more.
        const bool damage =
            std::uniform_real_distribution<double>(0.0, 1.0)(rng) < o.damageThenSilence;
        if (damage) {
            ++counts.damagedThenSilent;
            const std::uint64_t at = h.Remote().FramesSent() + 1 + rng() % (size / 2048 + 4);
            h.Remote().DamageThenGoSilentWhen(
                [&remote = h.Remote(), at](const std::uint8_t*, std::size_t) {
                    return remote.FramesSent() == at;
                });
        }
        RecordingPage& page = h.Page(k.page);
        page.ClearNotes();
        page.m_job.m_nDataMode = k.mode;
        h.Show(k.page);
        const int completesBefore = page.ReceiveCompletes();
        HeadInfo head;
        head.kind = k.headKind;
        head.value1 = static_cast<std::uint32_t>(rng());
        head.value2 = static_cast<std::uint32_t>(rng());
        head.value3 = static_cast<std::uint32_t>(rng());
        head.names[1].fill(static_cast<std::uint8_t>(x));
        if (k.upload) {
            page.MakeUploadReady();
            head.checksum = XorWordChecksum(data.data(), data.size());
            h.Remote().StartUpload(static_cast<std::uint8_t>(k.code), head,
                                   std::make_shared<const ByteBuffer>(data));
        } else {
            page.LoadDownload(data);
            page.m_job.m_dwHeadParam1 = head.value1;
            page.m_job.m_dwHeadParam2 = head.value2;
            page.m_job.m_dwHeadParam3 = head.value3;
            page.m_job.m_dwDevParam1 = head.value1;
            page.m_job.m_dwDevParam2 = head.value2;
            page.m_job.m_szHeadName = head.names;
            h.Remote().StartDownload(static_cast<std::uint8_t>(k.code));
        }

        const std::string what = "exchange " + std::to_string(x) + " '" + k.code + "' " +
                                 std::to_string(size) + " bytes: ";
        const bool settled = h.RunUntilIdle(30LL * 60 * 1000);
        h.Remote().EndSilence();
        if (!settled) {
            counts.failures.push_back(what + "still running after 30 virtual minutes");
            break;
        }
        const EngineInspector engine = h.Inspect();
        if (engine.RxState() != RX_WAIT_START && engine.RxState() != RX_WAIT_TYPE)
            counts.failures.push_back(what + "parser left in " + RxStateName(engine.RxState()) +
                                      " at " + SendStepName(engine.SendStep()) + ", rxlen " +
                                      std::to_string(engine.RxLen()));

        const auto messages = page.Messages();
        const bool timedOut = Contains(messages, "Communication Timeout!");
        const bool accepted = Contains(messages, "Communication started...");
        // The PC's own verdict on the last exchange it ran.
        std::string verdict;
        for (const std::string& m : messages)
            if (m == "End of Communication" || m == "Communication Timeout!")
                verdict = m;
        const SimulatedRemote& r = h.Remote();
        if (r.PrematureEnds() != 0)
            counts.failures.push_back(what + "end frame before every block");
        if (!k.upload) {
            // A download the PC ended with its end frame has every block acknowledged: the
            // remote holds all the data even when the end frame itself was lost.
            const bool remoteDone = r.Outcome() == RemoteOutcome::kCompleted;
            if (remoteDone || verdict == "End of Communication") {
                const HeadInfo& got = r.ReceivedHead();
                const std::uint16_t sum =
                    k.headKind == HK_ONEDEV ? 0 : XorWordChecksum(data.data(), data.size());
                std::string wrong;
                if (r.ReceivedData() != data)
                    wrong = HexDiff(data, r.ReceivedData());
                if (got.blockCount != size / 2048 + 1 || got.checksum != sum ||
                    got.kind != k.headKind)
                    wrong += " head count/checksum/kind";
                if (k.headKind != 0 && (got.value1 != head.value1 || got.value2 != head.value2 ||
                                        got.value3 != head.value3 || got.names != head.names))
                    wrong += " head values";
                if (!wrong.empty()) {
                    counts.failures.push_back(what + "completed with wrong data: " + wrong);
                } else if (remoteDone) {
                    ++counts.downloadsCompleted;
                    counts.bytesDelivered += size;
                } else {
                    ++counts.endFrameLost;
                }
                continue;
            }
        } else if (page.ReceiveCompletes() > completesBefore) {
            if (page.Received() != data) {
                counts.failures.push_back(
                    what + "upload completed with wrong data: " + HexDiff(data, page.Received()));
            } else if (page.m_job.m_nBlockCount != static_cast<int>((size + 2047) / 2048)) {
                counts.failures.push_back(what + "upload completed with a wrong block count");
            } else {
                ++counts.uploadsCompleted;
                counts.bytesDelivered += size;
            }
            continue;
        }
        if (r.Outcome() == RemoteOutcome::kRefused) {
            ++counts.refused;
        } else if (timedOut) {
            ++counts.timeouts;
        } else if (!accepted) {
            ++counts.neverAccepted;
        } else {
            std::string trail;
            for (std::size_t i = messages.size() > 4 ? messages.size() - 4 : 0; i < messages.size();
                 ++i)
                trail += " | " + messages[i];
            counts.failures.push_back(what +
                                      "accepted, then ended without \"Communication Timeout!\"" +
                                      (damage ? " (damaged frame, then silence)" : "") +
                                      "; remote " + RemoteOutcomeName(r.Outcome()) + trail);
        }
    }
    return counts;
}

std::string Summary(const Counts& c) {
    return "downloads completed " + std::to_string(c.downloadsCompleted) + ", uploads completed " +
           std::to_string(c.uploadsCompleted) + ", \"Communication Timeout!\" " +
           std::to_string(c.timeouts) + ", refused " + std::to_string(c.refused) +
           ", never accepted " + std::to_string(c.neverAccepted) +
           ", download ended by the PC with its end frame lost " + std::to_string(c.endFrameLost) +
           " (damaged frame then silence in " + std::to_string(c.damagedThenSilent) +
           "), failures " + std::to_string(c.failures.size()) + ", bytes delivered " +
           std::to_string(c.bytesDelivered);
}

}  // namespace vanto::soak
