// The lens grid: its lattice, its lens and its fade.

#include "demo/grid_layer.h"
#include "gfx/mesh.h"
#include "support/fake_backend.h"
#include "support/shell.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class GridLayerTest : public ::testing::Test {
protected:
    GridLayerTest() : scope(backend) { mesh.SetTriangleCount(GridLayer::triangles); }

    FakeBackend backend;
    ScopedBackend scope;
    Shell shell;
    Mesh mesh{2652};
    GridLayer grid;
};

TEST_F(GridLayerTest, CentreOfTheLensSeesTheDriftAlone) {
    float weight = 0.3f;
    const int t = 17321;
    grid.Draw(shell.Display(), mesh, t, 0.0, weight);
    const double driftU = 1.75 * std::sin(t * 0.001);
    const double driftV = 2.0 * std::sin(t * 0.0005);
    for (int j = 0; j <= 25; ++j) {
        EXPECT_NEAR(grid.Point(25, j).u, driftU, 1e-5) << j;
    }
    for (int c = 0; c <= 50; ++c) {
        EXPECT_NEAR((grid.Point(c, 12).v + grid.Point(c, 13).v) / 2.0, driftV, 1e-5) << c;
    }
    // u falls from left to right, v from top to bottom.
    EXPECT_GT(grid.Point(0, 5).u, grid.Point(50, 5).u);
    EXPECT_GT(grid.Point(5, 0).v, grid.Point(5, 25).v);
    EXPECT_EQ(grid.Point(3, 4).a, 0.3f);
}

TEST_F(GridLayerTest, LensFlattensAsTheWeightGrowsAndHoldsAtOne) {
    double previousSpread = 1e9;
    for (const float start : {0.0f, 0.25f, 0.5f, 1.0f}) {
        float weight = start;
        grid.Draw(shell.Display(), mesh, 0, 0.0, weight);
        const double spread = grid.Point(0, 12).u - grid.Point(50, 12).u;
        EXPECT_LT(spread, previousSpread);
        previousSpread = spread;
    }
    EXPECT_LT(previousSpread, 2 * 3.2);

    float weight = 0.9995f;
    grid.Draw(shell.Display(), mesh, 20000, 1.0, weight);
    EXPECT_FLOAT_EQ(weight, 1.0005f);
    grid.Draw(shell.Display(), mesh, 20016, 1.0, weight);
    EXPECT_EQ(weight, 1.0f);
}

TEST_F(GridLayerTest, EachCellIsTwoTrianglesInLatticeOrder) {
    float weight = 0.0f;
    grid.Draw(shell.Display(), mesh, 30000, 0.0, weight);
    EXPECT_EQ(mesh.TriangleCount(), 2500);
    const int c = 7;
    const int j = 3;
    const MeshVertex* cell = &mesh.vertices[static_cast<std::size_t>(6 * (50 * j + c))];
    const int expected[6][2] = {{c, j}, {c + 1, j}, {c + 1, j + 1},
                                {c, j}, {c, j + 1}, {c + 1, j + 1}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(cell[i].x, expected[i][0]) << i;
        EXPECT_EQ(cell[i].y, expected[i][1]) << i;
        EXPECT_EQ(cell[i].z, 0.0f);
        EXPECT_EQ(cell[i].s, grid.Point(expected[i][0], expected[i][1]).u);
        EXPECT_EQ(cell[i].t, grid.Point(expected[i][0], expected[i][1]).v);
        EXPECT_EQ(cell[i].a, 0.0f); // invisible on its first frame
    }
}

} // namespace
