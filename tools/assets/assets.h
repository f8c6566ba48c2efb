// The inspection program's sub-commands. Each takes the arguments after its own name
// and returns the process exit code; each writes files a person can look at, headless.
// Every file is written whole or not at all, and the output folder or file is checked
// before any work.
#pragma once

#include "tools/common/command_line.h"

#include <span>
#include <string>
#include <vector>

extern const ToolInfo InspectTool;

using InspectFn = int (*)(int argc, char** argv);

// textures OUT_DIR: every layer and texture as PNG, a labelled contact sheet of the
// textures, and manifest.tsv with the size and FNV-1a hash of every curve, layer and
// texture.
int InspectTextures(int argc, char** argv);
// timeline OUT.png: the three tracks as labelled bars with their transitions.
// timeline --at T [--at T]...: per track at frame time T (whole centiseconds before the
// end), the outgoing and current scene with scene time, view placement, clip, scissor
// box in 640 x 480 and camera.
int InspectTimeline(int argc, char** argv);
// meshes OUT_DIR: start-up on a headless GL window, then meshes.tsv (per mesh: number,
// builder, firstVertex, vertexCount, indices made, indexCount, bounding box), one OBJ
// per mesh, and glyphs.png, glyph_cells.png, picture.png and surfaces.png drawn with GL.
// --at T (repeated): also animated.tsv and one OBJ per animated mesh as its animation
// rebuilds it at scene time T.
int InspectMeshes(int argc, char** argv);

// The OUT_DIR of a sub-command that takes it, made and checked before any work, and
// the options of `options` into *parsed: the exit code after --help, a usage error or
// a folder that cannot be written, or -1 with *folder set.
int ParseOutputFolder(int argc, char** argv, const char* usage, std::string* folder,
                      std::span<const OptionDefinition> options = {}, ParsedCommandLine* parsed = nullptr);

// The --at values of a sub-command, frame times in whole centiseconds from 0 to the
// last frame before the demo's end, appended to *times: -1, or the exit code after a
// usage error.
int ParseFrameTimes(const ToolInfo& tool, const ParsedCommandLine& parsed, std::vector<int>* times);
