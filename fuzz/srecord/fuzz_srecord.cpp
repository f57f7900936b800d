// S-record text from outside: conversion and the application check must never read or write
// outside their buffers, whatever the lines hold.
#include <cstddef>
#include <cstdint>

#include "formats/srecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vanto::ByteBuffer image;
    const vanto::SRecordStatus st = vanto::ConvertSRecords(data, size, image);
    if (st == vanto::SRecordStatus::Ok) {
        // Only well-formed text gives an image, and it is always a whole number of words.
        if (image.size() % 4 != 0)
            __builtin_trap();
        vanto::CheckApplicationImage(image.data(), image.size());
    } else if (!image.empty()) {
        __builtin_trap();
    }
    return 0;
}
