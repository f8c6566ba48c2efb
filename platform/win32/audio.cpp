// The audio device on Windows: the wave mapper, one looping buffer queued once, and
// its position polled by the output thread.
#include "platform/driver.h"

#include <windows.h>
#include <mmsystem.h>

namespace {

struct AudioDevice {
    HWAVEOUT device = nullptr;
    WAVEHDR header{};
    char error[MAXERRORLENGTH] = {};   // the last open's failure
};
AudioDevice Audio;
constexpr uint32_t FRAME_BYTES = 4;   // 16-bit stereo

bool WinOpen(int rate)
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.nAvgBytesPerSec = static_cast<DWORD>(rate) * 4;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    format.cbSize = 0;
    HWAVEOUT device = nullptr;
    Audio.error[0] = 0;
    const MMRESULT result = waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL);
    if (result != MMSYSERR_NOERROR) {
        if (waveOutGetErrorTextA(result, Audio.error, sizeof Audio.error) != MMSYSERR_NOERROR)
            Audio.error[0] = 0;
        return false;
    }
    Audio.device = device;
    return true;
}

const char* WinError()
{
    return Audio.error;
}

void WinPrepare(int16_t* ring, uint32_t frames)
{
    // A header from an earlier play, taken back by a reset, is released first.
    if (Audio.header.lpData)
        waveOutUnprepareHeader(Audio.device, &Audio.header, sizeof(WAVEHDR));
    Audio.header = WAVEHDR{};
    Audio.header.lpData = reinterpret_cast<LPSTR>(ring);
    Audio.header.dwBufferLength = frames * FRAME_BYTES;
    Audio.header.dwBytesRecorded = 0;
    Audio.header.dwUser = 0;
    Audio.header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    Audio.header.dwLoops = 0xFFFFFFFF;
    waveOutPrepareHeader(Audio.device, &Audio.header, sizeof(WAVEHDR));
}

void WinStart()
{
    waveOutWrite(Audio.device, &Audio.header, sizeof(WAVEHDR));
}

// The device's byte position, a 32-bit counter, in frames. When the query fails, the
// previous answer stands.
uint32_t WinFramesPlayed()
{
    static MMTIME time{};
    time.wType = TIME_BYTES;
    waveOutGetPosition(Audio.device, &time, sizeof(MMTIME));
    return time.u.cb / FRAME_BYTES;
}

void WinUnprepare()
{
    if (!Audio.header.lpData)
        return;
    waveOutUnprepareHeader(Audio.device, &Audio.header, sizeof(WAVEHDR));
    Audio.header.dwFlags &= ~static_cast<DWORD>(WHDR_PREPARED);
}

void WinReset()
{
    if (Audio.device)
        waveOutReset(Audio.device);
}

void WinClose()
{
    if (Audio.device) {
        // After the reset the buffer is no longer queued and can be released.
        if (Audio.header.lpData)
            waveOutUnprepareHeader(Audio.device, &Audio.header, sizeof(WAVEHDR));
        waveOutClose(Audio.device);
    }
    Audio.device = nullptr;
    Audio.header = WAVEHDR{};
}

} // namespace

const AudioDriver BackendAudio = {
    .open = WinOpen, .error = WinError, .prepare = WinPrepare, .start = WinStart, .framesPlayed = WinFramesPlayed,
    .unprepare = WinUnprepare, .reset = WinReset, .close = WinClose,
};
