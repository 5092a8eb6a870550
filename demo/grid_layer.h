#pragma once

// The full-screen lattice that shows a tiled picture through a moving lens: regular on
// screen, 50 x 25 cells, its texture coordinates bent by the lens and drifting with time.

class GLDisplay;
class Mesh;

struct GridPoint {
    float u;
    float v;
    float r;
    float g;
    float b;
    float a;
};

class GridLayer {
public:
    static constexpr int columns = 50;
    static constexpr int rows = 25;
    static constexpr int triangles = 2 * columns * rows;

    // Rebuilds the lattice for music time t into the mesh, draws it on a 50 x 25 canvas with
    // the blend function in force, then fades gridWeight in by frameDelta.
    void Draw(GLDisplay& display, Mesh& mesh, int t, double frameDelta, float& gridWeight);

    // The lattice point at column c (0 to 50), row j (0 to 25) of the last Draw.
    const GridPoint& Point(int c, int j) const { return points[c][j]; }

private:
    void ComputePoints(int t, float gridWeight);
    void FillMesh(Mesh& mesh) const;

    GridPoint points[columns + 1][rows + 1];
};
