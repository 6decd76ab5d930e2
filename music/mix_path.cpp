// The choice of the form of the mixer's inner loops.
#include "music/mix_path.h"

namespace music {

namespace {

const MixKernels* kernelsOf(MixPath path) {
    switch (path) {
        case MixPath::portable: return &portableMixKernels;
#if defined(__x86_64__)
        case MixPath::sse2: return &sse2MixKernels;
        case MixPath::avx2: return &avx2MixKernels;
#endif
        default: return nullptr;
    }
}

MixPath widestAvailablePath() {
    for (int32_t i = mixPathCount - 1; i > 0; --i)
        if (mixPathAvailable(static_cast<MixPath>(i))) return static_cast<MixPath>(i);
    return MixPath::portable;
}

// The portable loop from the first instant, so a mix that runs while other
// globals are still being set up is right (only slower); the widest path is
// chosen while the program starts, before any thread renders.
MixPath chosenPath = MixPath::portable;
const MixKernels* chosenKernels = &portableMixKernels;

}  // namespace

const char* mixPathName(MixPath path) {
    switch (path) {
        case MixPath::portable: return "portable";
        case MixPath::sse2: return "sse2";
        case MixPath::avx2: return "avx2";
    }
    return "unknown";
}

bool mixPathAvailable(MixPath path) {
    switch (path) {
        case MixPath::portable: return true;
#if defined(__x86_64__)
        case MixPath::sse2: return true;
        case MixPath::avx2:
            // May run before the runtime's own start-up code has probed the
            // processor.
            __builtin_cpu_init();
            return __builtin_cpu_supports("avx2");
#endif
        default: return false;
    }
}

const MixKernels& activeMixKernels() { return *chosenKernels; }

MixPath activeMixPath() { return chosenPath; }

bool selectMixPath(MixPath path) {
    if (!mixPathAvailable(path)) return false;
    chosenPath = path;
    chosenKernels = kernelsOf(path);
    return true;
}

namespace {
[[maybe_unused]] const bool widestChosen = selectMixPath(widestAvailablePath());
}  // namespace

}  // namespace music
