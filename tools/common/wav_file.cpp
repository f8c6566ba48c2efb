// The RIFF layout: "RIFF" size "WAVE", a 16-byte "fmt " chunk, then "data" size and
// the samples, every number little-endian.
#include "tools/common/wav_file.h"

#include <bit>
#include <cstring>
#include <vector>

namespace {

constexpr int WAV_HEADER_BYTES = 44;

void Put16(uint8_t* at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value)
{
    Put16(at, value & 0xFFFF);
    Put16(at + 2, value >> 16);
}

void MakeHeader(uint8_t* header, int rate, int channels, int64_t dataBytes)
{
    std::memcpy(header, "RIFF", 4);
    Put32(header + 4, static_cast<uint32_t>(dataBytes + WAV_HEADER_BYTES - 8));
    std::memcpy(header + 8, "WAVEfmt ", 8);
    Put32(header + 16, 16);
    Put16(header + 20, 1);   // PCM
    Put16(header + 22, static_cast<uint32_t>(channels));
    Put32(header + 24, static_cast<uint32_t>(rate));
    Put32(header + 28, static_cast<uint32_t>(rate * channels * 2));
    Put16(header + 32, static_cast<uint32_t>(channels * 2));
    Put16(header + 34, 16);
    std::memcpy(header + 36, "data", 4);
    Put32(header + 40, static_cast<uint32_t>(dataBytes));
}

} // namespace

WavFile::WavFile(std::string path, int rate, int channels)
    : file_(std::move(path))
    , rate_(rate)
    , channels_(channels)
{
}

bool WavFile::Open()
{
    uint8_t header[WAV_HEADER_BYTES];
    MakeHeader(header, rate_, channels_, 0);
    return file_.Open() && file_.Write(header, sizeof header);
}

bool WavFile::Write(const int16_t* samples, int64_t frames)
{
    const int64_t bytes = frames * channels_ * 2;
    dataBytes_ += bytes;
    if constexpr (std::endian::native == std::endian::little)
        return file_.Write(samples, static_cast<std::size_t>(bytes));
    std::vector<uint8_t> little(static_cast<std::size_t>(bytes));
    for (int64_t i = 0; i < frames * channels_; ++i)
        Put16(&little[static_cast<std::size_t>(i) * 2], static_cast<uint16_t>(samples[i]));
    return file_.Write(little.data(), little.size());
}

bool WavFile::Commit()
{
    uint8_t header[WAV_HEADER_BYTES];
    MakeHeader(header, rate_, channels_, dataBytes_);
    return file_.WriteAt(0, header, sizeof header) && file_.Commit();
}
