// The soundtrack through the music's offline path.
#include "tools/capture/soundtrack.h"

#include "music/module.h"
#include "music/output.h"

#include <algorithm>
#include <cstring>

static_assert(OUTPUT_RATE == SOUNDTRACK_RATE, "the capture's sound runs at the demo's own rate");

Soundtrack::~Soundtrack()
{
    if (module_) {
        EndOfflinePlayback();
        FreeModule(module_);
    }
}

bool Soundtrack::Start()
{
    // The same callbacks and module the demo's start of the music uses.
    SetFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, MemoryFileTell);
    module_ = LoadModule(nullptr);
    if (!module_)
        return false;
    if (!BeginOfflinePlayback(module_, OUTPUT_RATE)) {
        FreeModule(module_);
        module_ = nullptr;
        return false;
    }
    return true;
}

const int16_t* Soundtrack::NextFrames(int64_t wanted, int64_t* given)
{
    if (blockLeft_ == 0) {
        block_ = RenderNextBlock();
        blockLeft_ = WaveOutput.blockFrames;
    }
    *given = std::min(wanted, blockLeft_);
    const int16_t* frames = block_;
    block_ += 2 * *given;
    blockLeft_ -= *given;
    return frames;
}

void Soundtrack::Render(int16_t* out, int64_t frames)
{
    while (frames > 0) {
        int64_t given = 0;
        const int16_t* from = NextFrames(frames, &given);
        std::memcpy(out, from, static_cast<std::size_t>(given) * 2 * sizeof(int16_t));
        out += 2 * given;
        frames -= given;
    }
}

void Soundtrack::Skip(int64_t frames)
{
    while (frames > 0) {
        int64_t given = 0;
        NextFrames(frames, &given);
        frames -= given;
    }
}
