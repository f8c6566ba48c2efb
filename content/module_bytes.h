// The demo's music: the bytes of content/module.xm, embedded at build time.
#pragma once

#include <cstdint>

extern const uint8_t ModuleBytes[];
extern const int32_t ModuleByteCount;
