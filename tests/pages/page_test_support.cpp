#include "page_test_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tools/sample_data.h"

namespace vanto::test {

TempDir::TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "vanto-pages-XXXXXX").string();
    if (!::mkdtemp(templ.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_dir = templ;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_dir, ignored);
}

void WriteFile(const std::string& path, const ByteBuffer& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

ByteBuffer ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return ByteBuffer(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ByteDiff(const ByteBuffer& actual, const ByteBuffer& expected) {
    if (actual == expected) {
        return "";
    }
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) {
        ++at;
    }
    std::string out = "sizes " + std::to_string(actual.size()) + " and " +
                      std::to_string(expected.size()) + ", first difference at " +
                      std::to_string(at) + ":";
    char buf[8];
    for (const ByteBuffer* side : {&actual, &expected}) {
        out += side == &actual ? "\n  actual  " : "\n  expected";
        for (std::size_t i = at; i < side->size() && i < at + 16; ++i) {
            std::snprintf(buf, sizeof buf, " %02X", (*side)[i]);
            out += buf;
        }
    }
    return out;
}

ByteBuffer Pattern(std::size_t size, std::uint32_t seed) {
    ByteBuffer out(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return out;
}

namespace {

void PutLe32(ByteBuffer& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

}  // namespace

ByteBuffer MakeHeader(const HeaderFields& fields) {
    ByteBuffer h(576, 0);
    std::memcpy(&h[208], fields.kind, 4);
    PutLe32(h, 212, fields.param1);
    PutLe32(h, 216, fields.param2);
    PutLe32(h, 220, fields.totalLength);
    std::memcpy(&h[224], fields.format, 4);
    PutLe32(h, 232, fields.checkWord);
    std::memcpy(&h[500], fields.trailer, 4);
    for (int i = 0; i < 48; ++i) {
        h[528 + i] = static_cast<std::uint8_t>(fields.headBlockSeed + i);
    }
    return h;
}

ByteBuffer Concat(const ByteBuffer& a, const ByteBuffer& b) {
    ByteBuffer out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

ByteBuffer MakeDatabase(std::size_t size, std::uint32_t seed) {
    ByteBuffer db = Pattern(size, seed);
    StampDatabaseHeader(db);
    return db;
}

ByteBuffer MakeApplicationImage(std::size_t size, std::uint32_t seed) {
    ByteBuffer image = Pattern(size, seed);
    std::memcpy(&image[224], "03CR", 4);
    std::memcpy(&image[500], "RC30", 4);
    PutLe32(image, 576, 0xF10C00C0);
    return image;
}

std::string MakeS19(const ByteBuffer& image, std::uint32_t address, std::size_t perRecord) {
    std::string text = "S00600004844521B\r\n";
    char buf[16];
    for (std::size_t at = 0; at < image.size(); at += perRecord) {
        const std::size_t n = std::min(perRecord, image.size() - at);
        const std::uint32_t a = address + static_cast<std::uint32_t>(at);
        unsigned sum = static_cast<unsigned>(n + 5);
        std::snprintf(buf, sizeof buf, "S3%02X%08X", static_cast<unsigned>(n + 5), a);
        text += buf;
        for (int i = 0; i < 4; ++i) {
            sum += (a >> (8 * i)) & 0xFF;
        }
        for (std::size_t i = 0; i < n; ++i) {
            std::snprintf(buf, sizeof buf, "%02X", image[at + i]);
            text += buf;
            sum += image[at + i];
        }
        std::snprintf(buf, sizeof buf, "%02X\r\n", ~sum & 0xFF);
        text += buf;
    }
    std::snprintf(buf, sizeof buf, "S705%08X", address);
    text += buf;
    text += "00\r\n";
    return text;
}

HeadInfo UploadHead(std::uint8_t kind, std::uint32_t v1, std::uint32_t v2, std::uint32_t v3) {
    HeadInfo head;
    head.kind = kind;
    head.value1 = v1;
    head.value2 = v2;
    head.value3 = v3;
    for (int f = 0; f < 3; ++f) {
        for (int i = 0; i < 16; ++i) {
            head.names[f][i] = static_cast<std::uint8_t>(0xA0 + 16 * f + i);
        }
    }
    return head;
}

ByteBuffer UploadHeader(const char* kind, std::uint32_t p1, std::uint32_t p2, std::uint32_t total,
                        const char* format, std::uint32_t check, const char* trailer,
                        bool completed) {
    ByteBuffer h = test::MakeHeader({kind, format, trailer, p1, p2, total, check, 0xA0});
    const std::uint8_t address[4] = {0x00, 0x00, 0x06, 0x63};
    const std::uint8_t formatWord[4] = {0x01, 0x02, 0x01, 0x00};
    std::copy(address, address + 4, h.begin() + 496);
    std::copy(formatWord, formatWord + 4, h.begin() + 504);
    const char* mark = "PROGRAMEXISTNE";
    for (int i = 0; i < 16; ++i) {
        h[512 + i] = completed ? (i < 14 ? static_cast<std::uint8_t>(mark[i]) : 0) : 0xFF;
    }
    return h;
}

}  // namespace vanto::test
