#include "display/gl_display.h"
#include "gfx/mesh.h"
#include "gfx/sprite.h"

#include <GL/gl.h>

namespace {

float Degrees(float radians) {
    constexpr double reciprocalOfPi = 0.3183098861837907;
    return static_cast<float>(radians * 180.0 * reciprocalOfPi);
}

} // namespace

// The modelview is replaced, the pixel-centre offset of Begin2D included, and left holding
// the mesh's transform: position + Rx * Ry * Rz * (scale * (vertex - origin)).
void GLDisplay::DrawMesh(const Mesh& mesh) {
    if (mesh.TriangleCount() == 0 || suspended) {
        return;
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(mesh.positionX, mesh.positionY, mesh.positionZ);
    glRotatef(Degrees(mesh.rotationX), 1.0f, 0.0f, 0.0f);
    glRotatef(Degrees(mesh.rotationY), 0.0f, 1.0f, 0.0f);
    glRotatef(Degrees(mesh.rotationZ), 0.0f, 0.0f, 1.0f);
    glScalef(mesh.scaleX, mesh.scaleY, mesh.scaleZ);
    glTranslatef(-mesh.originX, -mesh.originY, -mesh.originZ);

    if (mesh.textureSource != nullptr) {
        glBindTexture(GL_TEXTURE_2D, mesh.textureSource->texture);
    }
    glInterleavedArrays(GL_T2F_C4F_N3F_V3F, 0, mesh.vertices);
    glDrawArrays(GL_TRIANGLES, 0, mesh.TriangleCount() * 3);
}
