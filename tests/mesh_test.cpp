// Meshes: their storage, and drawing them under their own transform.

#include "display/gl_display.h"
#include "gfx/mesh.h"
#include "gfx/sprite.h"
#include "support/gl_test.h"
#include "support/pictures.h"

#include <GL/gl.h>

#include <array>
#include <cstddef>
#include <string>
#include <tuple>

namespace {

using Matrix = std::array<GLfloat, 16>;

Matrix Modelview() {
    Matrix matrix{};
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix.data());
    return matrix;
}

GLuint BoundTexture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return static_cast<GLuint>(name);
}

// Two triangles filling the rectangle, in opaque white, the texture stretched over it.
void WriteQuad(Mesh& mesh, int firstTriangle, float left, float top, float right, float bottom) {
    const auto corner = [](float s, float t, float x, float y) {
        return MeshVertex{s, t, 1, 1, 1, 1, 0, 0, 1, x, y, 0};
    };
    MeshVertex* v = mesh.vertices + static_cast<std::ptrdiff_t>(firstTriangle) * 3;
    v[0] = corner(0, 1, left, top);
    v[1] = corner(1, 1, right, top);
    v[2] = corner(1, 0, right, bottom);
    v[3] = v[0];
    v[4] = v[2];
    v[5] = corner(0, 0, left, bottom);
}

TEST(MeshStore, StartsEmptyAndZeroedAndKeepsItsCountWithinTheCapacity) {
    Mesh mesh(4);
    EXPECT_EQ(mesh.Capacity(), 4);
    EXPECT_EQ(mesh.TriangleCount(), 0);
    EXPECT_EQ(mesh.textureSource, nullptr);
    EXPECT_EQ(std::tuple(mesh.rotationX, mesh.rotationY, mesh.rotationZ), std::tuple(0, 0, 0));
    EXPECT_EQ(mesh.vertices[11].a, 0.0f);
    EXPECT_EQ(mesh.vertices[11].z, 0.0f);

    mesh.SetTriangleCount(3);
    EXPECT_EQ(mesh.TriangleCount(), 3);
    mesh.SetTriangleCount(5);
    EXPECT_EQ(mesh.TriangleCount(), 4);
    mesh.SetTriangleCount(-1);
    EXPECT_EQ(mesh.TriangleCount(), 0);

    Mesh none(-2);
    EXPECT_EQ(none.Capacity(), 0);
    none.SetTriangleCount(1);
    EXPECT_EQ(none.TriangleCount(), 0);
}

class MeshDraw : public LiveDisplayTest {
protected:
    void SetUp() override {
        LiveDisplayTest::SetUp();
        display->Begin2D(640, 480);
    }

    void LoadPicture(Sprite& sprite, const Colour& colour) {
        const Bitmap picture = MakePicture(4, 4, [&](int, int) { return colour; });
        const std::string path =
            folder.Save(std::to_string(colour[1]) + ".png", picture.get(), FIF_PNG);
        ASSERT_EQ(sprite.Load(path.c_str(), 32, nullptr), 0);
    }

    PictureFolder folder;
    Mesh mesh{8};
};

TEST_F(MeshDraw, AnEmptyMeshTouchesNothing) {
    Sprite source;
    LoadPicture(source, {255, 255, 255});
    WriteQuad(mesh, 0, 0, 0, 640, 480);
    mesh.textureSource = &source;
    mesh.positionX = 50;
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);
    const Matrix before = Modelview();
    glMatrixMode(GL_PROJECTION);

    display->DrawMesh(mesh);
    EXPECT_EQ(LitPixels(0, 0, 640, 480), 0);
    EXPECT_EQ(BoundTexture(), other);
    EXPECT_EQ(Modelview(), before);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
}

TEST_F(MeshDraw, DrawsWithItsTextureSourceOrElseTheBoundTexture) {
    Sprite redSource;
    Sprite greenSource;
    LoadPicture(redSource, {255, 0, 0});
    LoadPicture(greenSource, {0, 255, 0});
    WriteQuad(mesh, 0, 100, 100, 200, 200);
    mesh.SetTriangleCount(2);

    glBindTexture(GL_TEXTURE_2D, redSource.texture);
    display->DrawMesh(mesh);
    EXPECT_EQ(PixelAt(150, 150), (Rgb{255, 0, 0}));
    EXPECT_EQ(BoundTexture(), redSource.texture);

    mesh.textureSource = &greenSource;
    display->DrawMesh(mesh);
    EXPECT_EQ(PixelAt(150, 150), (Rgb{0, 255, 0}));
    EXPECT_EQ(BoundTexture(), greenSource.texture);
}

TEST_F(MeshDraw, IdentityTransformDrawsInCanvasUnitsWithoutThePixelCentreOffset) {
    glDisable(GL_TEXTURE_2D);
    WriteQuad(mesh, 0, 100.25f, 100.25f, 200.25f, 150.25f);
    mesh.SetTriangleCount(2);
    display->DrawMesh(mesh);
    // Shifted by 0.375, the edges would pass the centres of columns 100 and 200.
    EXPECT_EQ(LitPixels(100, 100, 100, 50), 100 * 50);
    EXPECT_EQ(LitPixels(90, 90, 120, 70), 100 * 50);
    Matrix identity{};
    identity[0] = identity[5] = identity[10] = identity[15] = 1.0f;
    EXPECT_EQ(Modelview(), identity);
}

TEST_F(MeshDraw, ScalesAboutTheOriginThenTurnsAboutZYXThenMoves) {
    glDisable(GL_TEXTURE_2D);
    WriteQuad(mesh, 0, 100, 100, 120, 140);
    mesh.SetTriangleCount(2);
    mesh.originX = 100;
    mesh.originY = 100;
    mesh.scaleX = 2;
    mesh.scaleY = 0.5f;
    mesh.positionX = 320;
    mesh.positionY = 240;
    display->DrawMesh(mesh);
    EXPECT_EQ(LitPixels(320, 240, 40, 20), 40 * 20);
    EXPECT_EQ(LitPixels(300, 220, 80, 60), 40 * 20);

    // Turned a quarter about z the block at +x goes to +y (down the canvas); then half a
    // turn about x brings it above the position. The other order would leave it below.
    display->Clear();
    WriteQuad(mesh, 0, 40, -10, 60, 10);
    mesh.originX = mesh.originY = 0;
    mesh.scaleX = mesh.scaleY = 1;
    mesh.rotationZ = 1.5707963f;
    mesh.rotationX = 3.1415927f;
    display->DrawMesh(mesh);
    EXPECT_EQ(LitPixels(310, 180, 20, 20), 20 * 20);
    EXPECT_EQ(LitPixels(0, 0, 640, 480), 20 * 20);
}

} // namespace
