// Display lists of the fixed-function layer. A list records the calls the demo makes
// while compiling one (state changes, colours, matrices, nested lists) and turns
// each glDrawElements into a buffer draw: the vertices its indices reach are copied
// from the client arrays enabled at that moment, so a list keeps drawing what the
// arrays held when it was compiled. An array disabled then (the colour array, for
// meshes coloured by the current colour) is not recorded, and the current value
// applies when the list runs. Running a list leaves the current colour, normal and
// texture coordinates as they were, as the driver the demo is checked against does:
// the recorded vertices' attributes never become current. Calls the demo never
// makes inside a list run at once.
#include "platform/gles/layer.h"

namespace {

void RunList(GLuint name);

void RunDraw(const ListDraw& draw)
{
    if (draw.count <= 0)
        return;
    glBindVertexArray(draw.vertexArray);
    PrepareDraw(draw.present);
    glDrawElements(draw.mode, draw.count, draw.indexType, nullptr);
}

void RunCommand(const DisplayList& list, const ListCommand& c)
{
    switch (c.operation) {
    case LIST_ENABLE: ApplyEnable(c.a, true); break;
    case LIST_DISABLE: ApplyEnable(c.a, false); break;
    case LIST_BIND_TEXTURE: ApplyBindTexture(c.a); break;
    case LIST_DEPTH_MASK: ApplyDepthMask(static_cast<GLboolean>(c.a)); break;
    case LIST_DEPTH_FUNC: ApplyDepthFunc(c.a); break;
    case LIST_BLEND_FUNC: ApplyBlendFunc(c.a, c.b); break;
    case LIST_COLOUR: ApplyColour(c.values[0], c.values[1], c.values[2], c.values[3]); break;
    case LIST_MATRIX_MODE: ApplyMatrixMode(c.a); break;
    case LIST_LOAD_IDENTITY: ApplyLoadIdentity(); break;
    case LIST_PUSH_MATRIX: ApplyPushMatrix(); break;
    case LIST_POP_MATRIX: ApplyPopMatrix(); break;
    case LIST_MULTIPLY_MATRIX: MultiplyCurrentMatrix(list.matrices[c.matrix]); break;
    case LIST_DRAW: RunDraw(list.draws[c.a]); break;
    case LIST_CALL_LIST: RunList(c.a); break;
    }
}

void RunList(GLuint name)
{
    if (name == 0 || name >= Fixed.lists.size() || !Fixed.lists[name].exists)
        return;
    if (Fixed.listDepth >= FIXED_LIST_NESTING)
        return;
    ++Fixed.listDepth;
    const DisplayList& list = Fixed.lists[name];
    for (const ListCommand& command : list.commands)
        RunCommand(list, command);
    --Fixed.listDepth;
}

} // namespace

bool RecordCommand(const ListCommand& command)
{
    if (Fixed.compiling == 0)
        return false;
    Fixed.lists[Fixed.compiling].commands.push_back(command);
    return !Fixed.executeWhileCompiling;
}

void RecordDraw(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
    DisplayList& list = Fixed.lists[Fixed.compiling];
    if (count <= 0 || !Fixed.arrays[FIXED_POSITION].enabled)
        return;
    uint32_t low, high;
    IndexRange(type, count, indices, &low, &high);
    const VertexPieces v = FindVertexPieces(low, high);

    ListDraw draw;
    draw.mode = mode;
    draw.count = count;
    glGenVertexArrays(1, &draw.vertexArray);
    glGenBuffers(1, &draw.vertexBuffer);
    glGenBuffers(1, &draw.indexBuffer);
    glBindVertexArray(draw.vertexArray);

    size_t total = 0;
    size_t pieceAt[FIXED_ATTRIBUTE_COUNT] = {};
    for (int i = 0; i < v.pieceCount; ++i) {
        pieceAt[i] = total;
        total += (v.pieces[i].bytes + 15) & ~size_t{ 15 };
    }
    glBindBuffer(GL_ARRAY_BUFFER, draw.vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(total), nullptr, GL_STATIC_DRAW);
    for (int i = 0; i < v.pieceCount; ++i)
        glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(pieceAt[i]),
                        static_cast<GLsizeiptr>(v.pieces[i].bytes), v.pieces[i].start);
    for (int a = 0; a < FIXED_ATTRIBUTE_COUNT; ++a) {
        draw.present[a] = v.present[a];
        if (v.present[a])
            PointAttribute(a, Fixed.arrays[a], pieceAt[v.pieceOf[a]] + v.offsetInPiece[a]);
        else
            glDisableVertexAttribArray(static_cast<GLuint>(a));
    }

    const bool narrow = high - low < 65536;
    std::vector<uint8_t> rebased;
    RebaseIndices(type, count, indices, low, narrow, &rebased);
    draw.indexType = narrow ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, draw.indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(rebased.size()), rebased.data(), GL_STATIC_DRAW);
    glBindVertexArray(0);

    ListCommand command{ LIST_DRAW };
    command.a = static_cast<uint32_t>(list.draws.size());
    list.draws.push_back(draw);
    list.commands.push_back(command);
}

GLuint FixedGenLists(GLsizei range)
{
    if (range <= 0)
        return 0;
    const auto first = static_cast<GLuint>(Fixed.lists.size());
    Fixed.lists.resize(Fixed.lists.size() + static_cast<size_t>(range));
    return first;
}

void FixedNewList(GLuint name, GLenum mode)
{
    if (name == 0 || Fixed.compiling != 0 || (mode != GL_COMPILE && mode != GL_COMPILE_AND_EXECUTE))
        return;
    if (name >= Fixed.lists.size())
        Fixed.lists.resize(name + 1);
    DisplayList& list = Fixed.lists[name];
    for (ListDraw& draw : list.draws) {
        glDeleteVertexArrays(1, &draw.vertexArray);
        glDeleteBuffers(1, &draw.vertexBuffer);
        glDeleteBuffers(1, &draw.indexBuffer);
    }
    list = DisplayList{};
    Fixed.compiling = name;
    Fixed.executeWhileCompiling = mode == GL_COMPILE_AND_EXECUTE;
}

void FixedEndList()
{
    if (Fixed.compiling == 0)
        return;
    Fixed.lists[Fixed.compiling].exists = true;
    Fixed.compiling = 0;
    Fixed.executeWhileCompiling = false;
}

void FixedCallList(GLuint name)
{
    if (RecordCommand({ LIST_CALL_LIST, name }))
        return;
    RunList(name);
}
