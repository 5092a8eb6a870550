// Drawing sprites and meshes on a canvas of one unit per pixel, read back from the screen.

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

constexpr Colour red{255, 0, 0};
constexpr Colour green{0, 255, 0};
constexpr Colour blue{0, 0, 255};
constexpr Colour white{255, 255, 255};

GLuint BoundTexture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return static_cast<GLuint>(name);
}

std::array<GLfloat, 4> CurrentColour() {
    std::array<GLfloat, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    return colour;
}

std::array<GLfloat, 16> Modelview() {
    std::array<GLfloat, 16> matrix{};
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix.data());
    return matrix;
}

// Two opaque white triangles filling the rectangle, the texture stretched over it.
void WriteQuad(Mesh& mesh, float left, float top, float right, float bottom) {
    const auto corner = [](float s, float t, float x, float y) {
        return MeshVertex{s, t, 1, 1, 1, 1, 0, 0, 1, x, y, 0};
    };
    MeshVertex* v = mesh.vertices;
    v[0] = corner(0, 1, left, top);
    v[1] = corner(1, 1, right, top);
    v[2] = corner(1, 0, right, bottom);
    v[3] = v[0];
    v[4] = v[2];
    v[5] = corner(0, 0, left, bottom);
    mesh.SetTriangleCount(2);
}

class Drawing : public LiveDisplayTest {
protected:
    void SetUp() override {
        LiveDisplayTest::SetUp();
        display->Begin2D(640, 480);
    }

    // A 32 x 16 picture loaded at 32 bits.
    void Load(Sprite& sprite, const std::function<Colour(int, int)>& colour,
              const char* maskPath = nullptr) {
        const Bitmap picture = MakePicture(32, 16, colour);
        const std::string name = "p" + std::to_string(saved++) + ".png";
        ASSERT_EQ(sprite.Load(folder.Save(name, picture.get(), FIF_PNG).c_str(), 32, maskPath), 0);
    }

    static Rgb AsRgb(const Colour& colour) { return {colour[0], colour[1], colour[2]}; }

    PictureFolder folder;
    int saved = 0;
};

Colour TopRedBottomBlue(int, int y) {
    return y < 8 ? red : blue;
}

TEST_F(Drawing, SpriteCoversItsRectangleTopRowUpWithItsPivotOnThePosition) {
    Sprite sprite;
    Load(sprite, TopRedBottomBlue);
    sprite.x = 500.0f; // the position and angle fields are not the drawing's
    sprite.angle = 1.0f;
    display->DrawSprite(sprite, 100, 50);
    EXPECT_EQ(LitPixels(90, 40, 52, 36), 32 * 16);
    EXPECT_EQ(LitPixels(100, 50, 32, 16), 32 * 16);
    EXPECT_EQ(PixelAt(116, 52), AsRgb(red));
    EXPECT_EQ(PixelAt(116, 63), AsRgb(blue));

    sprite.pivotX = 16;
    sprite.pivotY = 8;
    display->DrawSprite(sprite, 300, 100);
    EXPECT_EQ(LitPixels(274, 82, 52, 36), 32 * 16);
    EXPECT_EQ(LitPixels(284, 92, 32, 16), 32 * 16);
}

TEST_F(Drawing, PositiveSineTurnsClockwiseAndNegativeScaleMirrorsAboutThePivot) {
    Sprite turned;
    Load(turned, TopRedBottomBlue);
    turned.sinA = 1;
    turned.cosA = 0;
    display->DrawSprite(turned, 300, 100);
    // The top edge runs down from the position, the rest of the picture to its left.
    EXPECT_EQ(LitPixels(274, 90, 36, 52), 16 * 32);
    EXPECT_EQ(LitPixels(284, 100, 16, 32), 16 * 32);
    EXPECT_EQ(PixelAt(297, 116), AsRgb(red));
    EXPECT_EQ(PixelAt(287, 116), AsRgb(blue));

    Sprite mirrored;
    Load(mirrored, [](int x, int) { return x < 16 ? red : green; });
    mirrored.scaleX = -1;
    display->DrawSprite(mirrored, 300, 300);
    EXPECT_EQ(LitPixels(258, 290, 52, 36), 32 * 16);
    EXPECT_EQ(PixelAt(296, 308), AsRgb(red));
    EXPECT_EQ(PixelAt(272, 308), AsRgb(green));
}

TEST_F(Drawing, SpriteAtAlphaZeroDrawsNothingButLeavesItsColourAndTexture) {
    Sprite sprite;
    Load(sprite, [](int, int) { return white; });
    sprite.g = 0.5f;
    sprite.a = 0.0f;
    glBlendFunc(GL_ONE, GL_ONE); // discarded whatever the blend function
    display->DrawSprite(sprite, 300, 300);
    EXPECT_EQ(LitPixels(0, 0, 640, 480), 0);
    EXPECT_EQ(BoundTexture(), sprite.texture);
    EXPECT_EQ(CurrentColour(), (std::array<GLfloat, 4>{1.0f, 0.5f, 1.0f, 0.0f}));
}

TEST_F(Drawing, MaskedSpriteCoversByItsMasksGreyLevels) {
    const Bitmap mask = MakeGreyPicture(32, 16, [](int x, int) { return x < 16 ? 128 : 0; });
    Sprite sprite;
    Load(
        sprite, [](int, int) { return white; }, folder.Save("m.png", mask.get(), FIF_PNG).c_str());
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    display->DrawSprite(sprite, 100, 100);
    EXPECT_NEAR(PixelAt(108, 108)[0], 128, 2);
    EXPECT_EQ(PixelAt(124, 108), (Rgb{0, 0, 0}));
}

TEST_F(Drawing, SpriteWithoutPictureDrawsAndTouchesNothing) {
    Sprite fresh;
    Sprite failed;
    ASSERT_EQ(failed.Load("data\\no such picture.jpg", 32, nullptr), 1);
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    display->DrawSprite(fresh, 100, 100);
    display->DrawSprite(failed, 100, 100);
    EXPECT_EQ(LitPixels(0, 0, 640, 480), 0);
    EXPECT_EQ(BoundTexture(), other);
    EXPECT_EQ(CurrentColour(), (std::array<GLfloat, 4>{0.25f, 0.5f, 0.75f, 1.0f}));
}

TEST(MeshStore, StartsEmptyAndZeroedAndKeepsItsCountWithinTheCapacity) {
    Mesh mesh(4);
    EXPECT_EQ(std::tuple(mesh.Capacity(), mesh.TriangleCount()), std::tuple(4, 0));
    EXPECT_EQ(std::tuple(mesh.rotationX, mesh.rotationY, mesh.rotationZ), std::tuple(0, 0, 0));
    EXPECT_EQ(mesh.vertices[11].a, 0.0f);
    mesh.SetTriangleCount(5);
    EXPECT_EQ(mesh.TriangleCount(), 4);
    mesh.SetTriangleCount(-1);
    EXPECT_EQ(mesh.TriangleCount(), 0);
}

TEST_F(Drawing, EmptyMeshTouchesNothing) {
    Sprite source;
    Load(source, [](int, int) { return white; });
    Mesh mesh(2);
    WriteQuad(mesh, 0, 0, 640, 480);
    mesh.SetTriangleCount(0);
    mesh.textureSource = &source;
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);
    const auto modelview = Modelview();
    glMatrixMode(GL_PROJECTION);
    display->DrawMesh(mesh);
    EXPECT_EQ(LitPixels(0, 0, 640, 480), 0);
    EXPECT_EQ(BoundTexture(), other);
    EXPECT_EQ(Modelview(), modelview);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
}

TEST_F(Drawing, MeshDrawsWithItsTextureSourceOrElseTheBoundTexture) {
    Sprite redSource;
    Sprite greenSource;
    Load(redSource, [](int, int) { return red; });
    Load(greenSource, [](int, int) { return green; });
    Mesh mesh(2);
    WriteQuad(mesh, 100, 100, 200, 200);
    glBindTexture(GL_TEXTURE_2D, redSource.texture);
    display->DrawMesh(mesh);
    EXPECT_EQ(PixelAt(150, 150), AsRgb(red));
    EXPECT_EQ(BoundTexture(), redSource.texture);

    mesh.textureSource = &greenSource;
    display->DrawMesh(mesh);
    EXPECT_EQ(PixelAt(150, 150), AsRgb(green));
    EXPECT_EQ(BoundTexture(), greenSource.texture);
}

TEST_F(Drawing, MeshIdentityDrawsInCanvasUnitsWithoutThePixelCentreOffset) {
    glDisable(GL_TEXTURE_2D);
    Mesh mesh(2);
    WriteQuad(mesh, 100.25f, 100.25f, 200.25f, 150.25f);
    display->DrawMesh(mesh);
    // Shifted by 0.375, the edges would pass the centres of columns 100 and 200.
    EXPECT_EQ(LitPixels(90, 90, 120, 70), 100 * 50);
    EXPECT_EQ(LitPixels(100, 100, 100, 50), 100 * 50);
    const auto identity = Modelview();
    glLoadIdentity();
    EXPECT_EQ(identity, Modelview());
}

TEST_F(Drawing, MeshTurnsAboutZFirstAndXLast) {
    glDisable(GL_TEXTURE_2D);
    Mesh mesh(2);
    WriteQuad(mesh, 40, -10, 60, 10);
    mesh.positionX = 320;
    mesh.positionY = 240;
    mesh.rotationZ = 1.5707963f;
    mesh.rotationX = 3.1415927f;
    display->DrawMesh(mesh);
    // A quarter turn about z takes the block at +x to +y (down the canvas); half a turn
    // about x then brings it above the position. The other order would leave it below.
    EXPECT_EQ(LitPixels(0, 0, 640, 480), 20 * 20);
    EXPECT_EQ(LitPixels(310, 180, 20, 20), 20 * 20);
}

} // namespace
