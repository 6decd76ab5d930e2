// Fitting the fixed-size picture into the drawable.
#include "app/picture_fit.h"

PictureRect fitPicture(int32_t drawableWidth, int32_t drawableHeight, int32_t pictureWidth, int32_t pictureHeight) {
    if (drawableWidth <= 0 || drawableHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0) {
        return {0, 0, 0, 0};
    }
    const int64_t dw = drawableWidth, dh = drawableHeight, pw = pictureWidth, ph = pictureHeight;
    int64_t width, height;
    if (dw * ph <= dh * pw) {
        // Narrower than the picture: full width, bars above and below.
        width = dw;
        height = (dw * ph + pw / 2) / pw;
    } else {
        height = dh;
        width = (dh * pw + ph / 2) / ph;
    }
    return {static_cast<int32_t>((dw - width) / 2), static_cast<int32_t>((dh - height) / 2),
            static_cast<int32_t>(width), static_cast<int32_t>(height)};
}
