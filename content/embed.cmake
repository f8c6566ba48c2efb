# Writes a C++ source holding the bytes of INPUT as ModuleBytes (see module_bytes.h).
# Run as: cmake -DINPUT=module.xm -DOUTPUT=module_bytes.cpp -P embed.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR count "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){24})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from content/module.xm by content/embed.cmake; do not edit.\n"
"#include \"content/module_bytes.h\"\n\n"
"alignas(16) const uint8_t ModuleBytes[] = {\n    ${bytes}\n};\n"
"const int32_t ModuleByteCount = ${count};\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
