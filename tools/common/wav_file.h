// 16-bit PCM WAV files written as they are produced: the header's sizes are filled
// in when the file is committed, and the file appears at its path only then.
#pragma once

#include "tools/common/output_file.h"

#include <cstdint>
#include <string>

class WavFile {
public:
    WavFile(std::string path, int rate, int channels);

    // Creates the temporary file and writes a header. False with Error() set.
    bool Open();
    // Appends frames of `channels` interleaved samples each; under 4 GiB in all, as
    // the RIFF sizes are 32-bit.
    bool Write(const int16_t* samples, int64_t frames);
    // Fills in the sizes and renames the file into place.
    bool Commit();
    const std::string& Error() const { return file_.Error(); }

private:
    OutputFile file_;
    int rate_;
    int channels_;
    int64_t dataBytes_ = 0;
};
