// Image textures from the image resources.
#include "scene/textures.h"

#include <vector>

#include "scene/image_resources.h"

void defineImageTexture(GLuint name, const uint8_t* rgba) {
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, imageWidth, imageHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

bool loadImageTexture(int32_t resourceId, GLuint name) {
    std::vector<uint8_t> rgba(imageRgbaBytes);
    if (!convertImage(resourceId, rgba.data())) {
        glBindTexture(GL_TEXTURE_2D, name);
        return false;
    }
    defineImageTexture(name, rgba.data());
    return true;
}
