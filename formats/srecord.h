#pragma once
// Conversion of a Motorola S-record file (.s19) into an application image, and the application
// image check. The image is the records' data laid out from the first record's address, gaps
// filled with zero, rounded up to a multiple of 4; the converter then writes its own header
// fields (KindTag "00VK", Param1, Param2, TotalLength, AddressWord, FormatWord) and the CRC pair
// over bytes 512 onwards (type 2 at 232..233, type 3 at 234..235, each high byte first).

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/bytes.h"
#include "formats/file_system.h"

namespace vanto {

// Texts the application download page shows.
inline constexpr const char* kS19OpenErrorText = "S19 File Open Error!";
inline constexpr const char* kS19FormatErrorText = "S19 File Format Error!";
inline constexpr const char* kInvalidApplicationText = "Invalid Application!";
inline constexpr const char* kApplicationReadyText = "Application Ready!";
// A file whose image would exceed the largest transfer (kMaxImageBytes).
inline constexpr const char* kS19TooLargeText =
    "The application image is larger than the largest transfer (134215679 bytes).";

enum class SRecordStatus {
    Ok,
    OpenError,    // the file could not be opened or read
    FormatError,  // not S-record data, or a malformed record
    TooLarge,     // the image would grow past kMaxImageBytes
};

// The text of the message box the conversion shows for `status` (empty for Ok).
const char* SRecordStatusText(SRecordStatus status);

// Converts S-record text held in memory. On Ok, `image` holds the finished image (header fields
// and CRC pair written); on failure `image` is left empty. Lines are read up to the first S7 line;
// S0, S5, S6 and blank lines are skipped; every other line is read as an S3 record.
SRecordStatus ConvertSRecords(const std::uint8_t* text, std::size_t size, ByteBuffer& image);

// Reads the file at `path` and converts it as above.
SRecordStatus ConvertSRecordFile(FileSystem& fs, const std::string& path, ByteBuffer& image);

// The application check: magic 0xF10C00C0 at 576, "VK" at 210..211 and kind number 0..14,
// FormatTag "03CR" or "13CR", TrailerTag "RC30" or "RC31".
bool CheckApplicationImage(const std::uint8_t* image, std::size_t size);

// True when the path's extension (from the last dot of the file name) is ".s19", any case.
bool HasS19Extension(const std::string& path);

// Everything the application page needs from one load of a file.
struct ApplicationLoad {
    // The conversion's outcome; stays OpenError with an empty conversionBox when the extension
    // was not .s19 and nothing was converted.
    SRecordStatus conversion = SRecordStatus::OpenError;
    // The conversion's own message box, shown first ("S19 File Open Error!", "S19 File Format
    // Error!", kS19TooLargeText); empty when the conversion succeeded or was not attempted.
    std::string conversionBox;
    bool valid = false;  // the extension is .s19, the file converted and the image passes the check
    ByteBuffer image;    // the checked image (empty unless valid)
};

// Extension test, conversion and check in the page's order. When !valid the page shows
// kInvalidApplicationText (after conversionBox, if any) on a load, and only conversionBox on a
// reload.
ApplicationLoad LoadApplicationImage(FileSystem& fs, const std::string& path);

}  // namespace vanto
