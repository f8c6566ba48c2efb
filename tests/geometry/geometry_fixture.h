// Builds the shared tables and every mesh without a GL context, once per process.
#pragma once

#include "core/engine_tables.h"
#include "geometry/geometry.h"

inline void BuildMeshesHeadless()
{
    static bool built = false;
    if (built)
        return;
    built = true;
    BuildGeometryWithoutGl();
}

// Triangles of a slot as absolute vertex numbers.
inline const uint32_t* SlotIndices(int mesh)
{
    return EngineTables.MeshTable[mesh].indices;
}
