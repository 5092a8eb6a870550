#include "demo/grid_layer.h"

#include "demo/placement.h"
#include "display/gl_display.h"
#include "gfx/mesh.h"

#include <cmath>

namespace {

// 6.4 / pi, with 6.4 in single precision: far from the centre u and v approach +-3.2.
constexpr double lensScale = 2.037183301932657;

MeshVertex VertexAt(const GridPoint& point, int column, int row) {
    return MeshVertex{point.u,
                      point.v,
                      point.r,
                      point.g,
                      point.b,
                      point.a,
                      0.0f,
                      0.0f,
                      0.0f,
                      static_cast<float>(column),
                      static_cast<float>(row),
                      0.0f};
}

} // namespace

void GridLayer::Draw(GLDisplay& display, Mesh& mesh, int t, double frameDelta, float& gridWeight) {
    display.Begin2D(static_cast<float>(columns), static_cast<float>(rows));
    if (mesh.Capacity() < triangles) {
        return;
    }
    // A lattice that nobody sees is not built: only its weight carries to later frames.
    if (display.IsDrawing()) {
        ComputePoints(t, gridWeight);
        FillMesh(mesh);
        mesh.positionX = mesh.positionY = mesh.positionZ = 0.0f;
        mesh.rotationX = mesh.rotationY = mesh.rotationZ = 0.0f;
        display.DrawMesh(mesh);
    }
    gridWeight = gridWeight < 1.0f ? Step(gridWeight, 0.001 * frameDelta) : 1.0f;
}

// u and v are the angles, times lensScale, at which the flat lattice's point is seen from
// an eye at distance sqrt(A) in front of its centre; a heavier weight moves the eye back.
void GridLayer::ComputePoints(int t, float gridWeight) {
    const double eye = gridWeight * 10.0 + 1.0;
    const double eyeSquared = eye * eye;
    const double driftU = 1.75 * std::sin(t * 0.001);
    const double driftV = 2.0 * std::sin(t * 0.0005);
    double columnDistance[columns + 1];
    for (int c = 0; c <= columns; ++c) {
        const double dx = columns / 2.0 - c;
        columnDistance[c] = std::sqrt(eyeSquared + dx * dx);
    }
    for (int j = 0; j <= rows; ++j) {
        const double dy = rows / 2.0 - j;
        const double rowDistance = std::sqrt(eyeSquared + dy * dy);
        for (int c = 0; c <= columns; ++c) {
            const double dx = columns / 2.0 - c;
            GridPoint& point = points[c][j];
            point.u = static_cast<float>(lensScale * std::atan(dx / rowDistance) + driftU);
            point.v = static_cast<float>(lensScale * std::atan(dy / columnDistance[c]) + driftV);
            point.r = point.g = point.b = 1.0f;
            point.a = gridWeight;
        }
    }
}

void GridLayer::FillMesh(Mesh& mesh) const {
    MeshVertex* vertex = mesh.vertices;
    for (int j = 0; j < rows; ++j) {
        for (int c = 0; c < columns; ++c) {
            *vertex++ = VertexAt(points[c][j], c, j);
            *vertex++ = VertexAt(points[c + 1][j], c + 1, j);
            *vertex++ = VertexAt(points[c + 1][j + 1], c + 1, j + 1);
            *vertex++ = VertexAt(points[c][j], c, j);
            *vertex++ = VertexAt(points[c][j + 1], c, j + 1);
            *vertex++ = VertexAt(points[c + 1][j + 1], c + 1, j + 1);
        }
    }
}
