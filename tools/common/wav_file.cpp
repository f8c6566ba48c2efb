// The RIFF layout: "RIFF" size "WAVE", a 16-byte "fmt " chunk, then "data" size and
// the samples, every number little-endian.
#include "tools/common/wav_file.h"

#include <bit>
#include <cstring>

namespace {

// Samples are gathered into writes of this size.
constexpr size_t WRITE_BYTES = 256 * 1024;

void Put16(uint8_t* out, uint32_t v)
{
    out[0] = static_cast<uint8_t>(v);
    out[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out + 2, v >> 16);
}

// The 44-byte header of a 16-bit stereo PCM WAV file holding dataBytes of samples.
void WavHeader(uint8_t* out, int rate, uint32_t dataBytes)
{
    std::memcpy(out, "RIFF", 4);
    Put32(out + 4, WAV_HEADER_BYTES - 8 + dataBytes);
    std::memcpy(out + 8, "WAVEfmt ", 8);
    Put32(out + 16, 16);
    Put16(out + 20, 1);   // PCM
    Put16(out + 22, 2);   // channels
    Put32(out + 24, static_cast<uint32_t>(rate));
    Put32(out + 28, static_cast<uint32_t>(rate) * WAV_FRAME_BYTES);
    Put16(out + 32, WAV_FRAME_BYTES);
    Put16(out + 34, 16);
    std::memcpy(out + 36, "data", 4);
    Put32(out + 40, dataBytes);
}

} // namespace

WavWriter::WavWriter(OutputFile& file, int rate)
    : file_(file)
    , rate_(rate)
{
    buffer_.reserve(WRITE_BYTES);
}

bool WavWriter::Begin()
{
    uint8_t header[WAV_HEADER_BYTES];
    WavHeader(header, rate_, 0);
    return file_.Write(header, sizeof header);
}

bool WavWriter::Take(const int16_t* samples, size_t frames)
{
    const size_t bytes = frames * WAV_FRAME_BYTES;
    const size_t at = buffer_.size();
    buffer_.resize(at + bytes);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(buffer_.data() + at, samples, bytes);
    } else {
        for (size_t i = 0; i < 2 * frames; i++)
            Put16(buffer_.data() + at + 2 * i, static_cast<uint16_t>(samples[i]));
    }
    dataBytes_ += bytes;
    return buffer_.size() < WRITE_BYTES || Flush();
}

bool WavWriter::Finish()
{
    if (!Flush())
        return false;
    uint8_t header[WAV_HEADER_BYTES];
    WavHeader(header, rate_, static_cast<uint32_t>(dataBytes_));
    return file_.WriteAt(0, header, sizeof header);
}

bool WavWriter::Flush()
{
    const bool written = file_.Write(buffer_.data(), buffer_.size());
    buffer_.clear();
    return written;
}
