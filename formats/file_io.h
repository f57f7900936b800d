#pragma once
// Small whole-file helpers over POSIX calls, reporting failures as text (the platform's error).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "formats/bytes.h"

namespace vanto {

// Size of the regular file at `path`, or nullopt (with `error` set) when it cannot be examined.
std::optional<std::int64_t> FileSize(const std::string& path, std::string* error = nullptr);

// Reads the whole file (opened read-only). At most `maxBytes` are accepted; a larger file fails
// with a message naming both sizes.
bool ReadWholeFile(const std::string& path, ByteBuffer& out, std::string* error = nullptr,
                   std::int64_t maxBytes = kMaxImageBytes);

// Reads at most `maxBytes` from the start of the file into `out` and reports the file's full size.
bool ReadFilePrefix(const std::string& path, std::size_t maxBytes, ByteBuffer& out,
                    std::int64_t& fileSize, std::string* error = nullptr);

// Writes the parts one after another into a temporary file in the same folder, flushes it to
// disk and renames it over `path`. On any failure the temporary file is removed, `path` is left
// as it was, and false is returned with the platform's error text.
bool WriteFileAtomically(const std::string& path,
                         std::initializer_list<std::span<const std::uint8_t>> parts,
                         std::string* error = nullptr);

}  // namespace vanto
