// The display opened offscreen (SDL's offscreen driver on Linux, a real Mesa
// GL context with no X server; a never-shown window on Windows): the GL state
// and projection the scene relies on, and the frame step.
#include "app/display.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr int32_t width = 800;
constexpr int32_t height = 600;

class OffscreenDisplay : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(openDisplay("display test", width, height, 32, DisplaySurface::Offscreen)); }
    void TearDown() override { closeDisplay(); }

    std::vector<uint8_t> pixels = std::vector<uint8_t>(width * height * 3);
};

void expectMatrix(GLenum which, const double (&expected)[16]) {
    GLdouble matrix[16];
    glGetDoublev(which, matrix);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(matrix[i], expected[i], 1e-6) << "element " << i;
}

TEST_F(OffscreenDisplay, SetsTheSceneGlStateAndPerspective) {
    GLint value = 0;
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_SMOOTH);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[0], 0.2f);
    EXPECT_FLOAT_EQ(clear[1], 0.0f);
    EXPECT_FLOAT_EQ(clear[2], 0.2f);
    EXPECT_FLOAT_EQ(clear[3], 0.5f);
    GLfloat depth = 0;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depth);
    EXPECT_EQ(depth, 1.0f);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &value);
    EXPECT_EQ(value, GL_NICEST);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], width);
    EXPECT_EQ(viewport[3], height);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);

    // 45 degrees vertically, aspect 4:3, near 0.1 (as a float), far 100.
    const double f = 1.0 / std::tan(22.5 * std::numbers::pi / 180.0);
    const double nearPlane = static_cast<double>(0.1f), farPlane = 100.0;
    const double perspective[16] = {f / (4.0 / 3.0),
                                    0,
                                    0,
                                    0,
                                    0,
                                    f,
                                    0,
                                    0,
                                    0,
                                    0,
                                    (farPlane + nearPlane) / (nearPlane - farPlane),
                                    -1,
                                    0,
                                    0,
                                    2 * farPlane * nearPlane / (nearPlane - farPlane),
                                    0};
    expectMatrix(GL_PROJECTION_MATRIX, perspective);
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    expectMatrix(GL_MODELVIEW_MATRIX, identity);
}

TEST_F(OffscreenDisplay, EachFrameStartsClearedWithIdentityModelview) {
    // Frame 1 leaves a white quad near the viewer and a translated modelview.
    stepFrame([] {
        glDisable(GL_TEXTURE_2D);
        glTranslatef(0.0f, 0.0f, -1.0f);
        glColor3f(1.0f, 1.0f, 1.0f);
        glBegin(GL_QUADS);
        glVertex3f(-5, -5, 0);
        glVertex3f(5, -5, 0);
        glVertex3f(5, 5, 0);
        glVertex3f(-5, 5, 0);
        glEnd();
        return 0;
    });
    // Frame 2 draws a quad farther away on the left half: it shows only if
    // the depth buffer was cleared too.
    bool read = false;
    const int32_t result = stepFrame([&] {
        GLdouble modelview[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        EXPECT_EQ(modelview[14], 0.0);
        glColor3f(0.0f, 1.0f, 0.0f);
        glBegin(GL_QUADS);
        glVertex3f(-50, -50, -10);
        glVertex3f(0, -50, -10);
        glVertex3f(0, 50, -10);
        glVertex3f(-50, 50, -10);
        glEnd();
        read = readFramePixels(pixels);
        return 7;
    });
    EXPECT_EQ(result, 7);
    ASSERT_TRUE(read);
    auto pixel = [&](int x, int y) {
        const uint8_t* p = &pixels[static_cast<size_t>(y * width + x) * 3];
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(pixel(100, 300), (std::array<int, 3>{0, 255, 0}));
    EXPECT_EQ(pixel(700, 10), (std::array<int, 3>{51, 0, 51}));
    EXPECT_EQ(pixel(799, 599), (std::array<int, 3>{51, 0, 51}));
}

// The demo reports GL errors at exit; the soak check relies on the count.
TEST_F(OffscreenDisplay, GlErrorsRaisedWhileDrawingAreCountedAtPresent) {
    EXPECT_EQ(displayState.glErrors, 0);
    stepFrame([] {
        glEnable(0xFFFF);  // not a capability: GL_INVALID_ENUM
        return 0;
    });
    stepFrame([] { return 0; });
    EXPECT_EQ(displayState.glErrors, 1);
    stepFrame([] {
        glLineWidth(-1.0f);  // GL_INVALID_VALUE
        return 0;
    });
    EXPECT_EQ(displayState.glErrors, 2);
    EXPECT_EQ(displayState.firstGlError, static_cast<uint32_t>(GL_INVALID_ENUM));
}

TEST(DisplayLifecycle, ClosingTwiceIsHarmlessAndTheDisplayReopens) {
    closeDisplay();
    ASSERT_TRUE(openDisplay("display test", width, height, 32, DisplaySurface::Offscreen));
    closeDisplay();
    closeDisplay();
    ASSERT_TRUE(openDisplay("display test", width, height, 32, DisplaySurface::Offscreen));
    std::vector<uint8_t> small(10);
    EXPECT_FALSE(readFramePixels(small));
    closeDisplay();
}

}  // namespace
