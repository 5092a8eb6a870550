#include "gfx/mesh.h"

#include <algorithm>
#include <cstddef>

namespace {

constexpr std::size_t verticesPerTriangle = 3;

// OpenGL reads the storage as GL_T2F_C4F_N3F_V3F: twelve floats per vertex, no gaps.
static_assert(sizeof(MeshVertex) == 12 * sizeof(float));

} // namespace

// The rotation and the vertices start at zero, so a mesh drawn before its user fills it
// shows nothing stray.
Mesh::Mesh(int triangleCapacity)
    : textureSource(nullptr), vertices(nullptr), originX(0.0f), originY(0.0f), originZ(0.0f),
      scaleX(1.0f), scaleY(1.0f), scaleZ(1.0f), positionX(0.0f), positionY(0.0f), positionZ(0.0f),
      rotationX(0.0f), rotationY(0.0f), rotationZ(0.0f), triangleCount(0),
      capacity(std::max(triangleCapacity, 0)) {
    vertices = new MeshVertex[static_cast<std::size_t>(capacity) * verticesPerTriangle]();
}

Mesh::~Mesh() {
    delete[] vertices;
}

void Mesh::SetTriangleCount(int count) {
    triangleCount = std::clamp(count, 0, capacity);
}
