// The 2-D overlay projection shared by everything the scene draws flat: 800 by
// 600 units, origin at the top-left corner, y downwards, one unit per pixel.
#pragma once

// Pushes both matrices and sets the overlay projection with an identity
// modelview; the modelview matrix is left selected. Main thread, GL current;
// always paired with endOverlay.
void beginOverlay();

// Pops both matrices, restoring what beginOverlay found; the modelview matrix
// is left selected.
void endOverlay();
