// The memory file: the player reads the module embedded in the program through the
// same five callbacks it would use for a file on disk.
#include "music/module.h"

#include <cstring>

#include "content/module_bytes.h"

FileCallbackTable FileCallbacks;
MemoryFileRecord MemoryFile;

namespace {
const uint8_t* SourceData = ModuleBytes;
int32_t SourceLength = ModuleByteCount;
}

void SetFileCallbacks(FileOpenFn open, FileCloseFn close, FileReadFn read, FileSeekFn seek,
                      FileTellFn tell)
{
    if (open && close && read && seek && tell)
        FileCallbacks = {open, close, read, seek, tell};
    else
        FileCallbacks = {};
}

bool HasFileCallbacks()
{
    return FileCallbacks.open && FileCallbacks.close && FileCallbacks.read && FileCallbacks.seek &&
           FileCallbacks.tell;
}

void SetMemoryFileSource(const uint8_t* data, int32_t length)
{
    SourceData = data;
    SourceLength = length < 0 ? 0 : length;
}

FileHandle MemoryFileOpen(const char*)
{
    MemoryFile = {SourceLength, 0, SourceData};
    return &MemoryFile;
}

void MemoryFileClose(FileHandle) {}

int32_t MemoryFileRead(void* buffer, int32_t count, FileHandle handle)
{
    auto* file = static_cast<MemoryFileRecord*>(handle);
    if (count <= 0)
        return 0;
    if (count >= file->length - file->position)
        count = file->length - file->position;
    if (count > 0)
        std::memcpy(buffer, file->data + file->position, static_cast<size_t>(count));
    file->position += count;
    return count;
}

void MemoryFileSeek(FileHandle handle, int32_t offset, uint8_t origin)
{
    auto* file = static_cast<MemoryFileRecord*>(handle);
    int64_t position = file->position;
    switch (origin) {
    case 0: position = offset; break;
    case 1: position += offset; break;
    case 2: position = int64_t{file->length} + offset; break;
    default: break;
    }
    // A negative position would make the next read copy from before the data.
    if (position < 0)
        position = 0;
    if (position > file->length)
        position = file->length;
    file->position = static_cast<int32_t>(position);
}

int32_t MemoryFileTell(FileHandle handle)
{
    return static_cast<MemoryFileRecord*>(handle)->position;
}
