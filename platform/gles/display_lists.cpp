// Display lists of the fixed-function layer, and the one place that decides whether a
// call runs now, is recorded, or both. A list records the calls the demo makes while
// compiling one (state changes, colours, matrices, nested lists) as commands; each
// glDrawElements in it becomes a draw of the vertices its indices reached, copied
// into the list buffers from the client arrays enabled at that moment (geometry.cpp),
// so a list keeps drawing what the arrays held when it was compiled. An array
// disabled then (the colour array, for meshes coloured by the current colour) is not
// recorded, and the current value applies when the list runs. Running a list leaves
// the current colour, normal and texture coordinates as they were, as the driver the
// demo is checked against does: the recorded vertices' attributes never become
// current. Calls the demo never makes inside a list run at once.
#include "platform/gles/layer.h"

namespace {

void RunList(GLuint name)
{
    if (name == 0 || name >= Fixed.lists.size() || !Fixed.lists[name].exists)
        return;
    if (Fixed.listDepth >= FIXED_LIST_NESTING)
        return;
    ++Fixed.listDepth;
    const DisplayList& list = Fixed.lists[name];
    for (const ListCommand& c : list.commands) {
        const bool matrix = c.operation == LIST_MULTIPLY_MATRIX, draw = c.operation == LIST_DRAW;
        RunCommand(c, matrix ? &list.matrices[c.item] : nullptr, draw ? &list.draws[c.item] : nullptr);
    }
    --Fixed.listDepth;
}

} // namespace

void RunCommand(const ListCommand& c, const Matrix4* matrix, const GeometryDraw* draw)
{
    switch (c.operation) {
    case LIST_ENABLE: ApplyEnable(c.a, true); break;
    case LIST_DISABLE: ApplyEnable(c.a, false); break;
    case LIST_BIND_TEXTURE: ApplyBindTexture(c.a); break;
    case LIST_DEPTH_MASK: ApplyDepthMask(static_cast<GLboolean>(c.a)); break;
    case LIST_DEPTH_FUNC: ApplyDepthFunc(c.a); break;
    case LIST_BLEND_FUNC: ApplyBlendFunc(c.a, c.b); break;
    case LIST_COLOUR: ApplyColour(c.values); break;
    case LIST_MATRIX_MODE: ApplyMatrixMode(c.a); break;
    case LIST_LOAD_IDENTITY: ReplaceCurrentMatrix(IdentityMatrix(), true); break;
    case LIST_PUSH_MATRIX: ApplyPushMatrix(); break;
    case LIST_POP_MATRIX: ApplyPopMatrix(); break;
    case LIST_MULTIPLY_MATRIX: {
        const MatrixStack& stack = CurrentStack();
        ReplaceCurrentMatrix(MultiplyMatrices(stack.entries[stack.top], *matrix), false);
        break;
    }
    case LIST_DRAW: DrawGeometry(*draw); break;
    case LIST_CALL_LIST: RunList(c.a); break;
    }
}

void SubmitCommand(ListCommand command, const Matrix4* matrix, const GeometryDraw* draw)
{
    if (Fixed.compiling != 0) {
        DisplayList& list = Fixed.lists[Fixed.compiling];
        if (matrix) {
            command.item = static_cast<uint32_t>(list.matrices.size());
            list.matrices.push_back(*matrix);
        } else if (draw) {
            command.item = static_cast<uint32_t>(list.draws.size());
            list.draws.push_back(*draw);
        }
        list.commands.push_back(command);
        if (!Fixed.executeWhileCompiling)
            return;
    }
    RunCommand(command, matrix, draw);
}

GLuint FixedGenLists(GLsizei range)
{
    if (range <= 0)
        return 0;
    const auto first = static_cast<GLuint>(Fixed.lists.size());
    Fixed.lists.resize(Fixed.lists.size() + static_cast<size_t>(range));
    return first;
}

// A list compiled again under the same name gets new commands; its old geometry stays
// in the list buffers, unused.
void FixedNewList(GLuint name, GLenum mode)
{
    if (name == 0 || Fixed.compiling != 0 || (mode != GL_COMPILE && mode != GL_COMPILE_AND_EXECUTE))
        return;
    if (name >= Fixed.lists.size())
        Fixed.lists.resize(name + 1);
    Fixed.lists[name] = DisplayList{};
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
    SubmitCommand({ LIST_CALL_LIST, name });
}
