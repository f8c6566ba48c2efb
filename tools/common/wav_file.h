// 16-bit stereo PCM WAV files, streamed: the header first with its sizes left open,
// the samples in little-endian order as they come, gathered into large writes, and
// the sizes once the end is known. The file itself is the caller's OutputFile,
// committed by the caller after Finish.
#pragma once

#include "tools/common/output_file.h"

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr uint32_t WAV_HEADER_BYTES = 44;
constexpr uint32_t WAV_FRAME_BYTES = 4;   // 16-bit stereo; the sizes count at most 4 GiB

class WavWriter {
public:
    WavWriter(OutputFile& file, int rate);

    bool Begin();
    // Stereo frames, interleaved.
    bool Take(const int16_t* samples, size_t frames);
    // Writes what is gathered and fills in the sizes.
    bool Finish();

private:
    bool Flush();

    OutputFile& file_;
    int rate_;
    std::vector<uint8_t> buffer_;
    uint64_t dataBytes_ = 0;
};
