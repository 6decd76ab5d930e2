// Key effects.
#include "tools/play/play_controls.h"

#include <algorithm>

KeyOutcome applyKey(Key key, PlayControls& controls, int32_t heardOrder, int32_t songLength) {
    const int32_t lastOrder = std::max(songLength - 1, 0);
    const int32_t order = std::clamp(heardOrder, 0, lastOrder);
    switch (key) {
        case Key::pause: controls.paused = !controls.paused; return {KeyEffect::controls};
        case Key::loop: controls.loop = !controls.loop; return {KeyEffect::controls};
        case Key::volumeUp:
        case Key::volumeDown: {
            int32_t step = key == Key::volumeUp ? volumeStepPercent : -volumeStepPercent;
            int32_t volume = std::clamp(controls.volumePercent + step, 0, maxVolumePercent);
            if (volume == controls.volumePercent) return {};
            controls.volumePercent = volume;
            return {KeyEffect::controls};
        }
        // Left at the first position starts it again; right at the last has
        // nowhere to go (n moves on to the next file).
        case Key::previousOrder: controls.paused = false; return {KeyEffect::seek, std::max(order - 1, 0)};
        case Key::nextOrder:
            if (order >= lastOrder) return {};
            controls.paused = false;
            return {KeyEffect::seek, order + 1};
        case Key::nextFile: return {KeyEffect::nextFile};
        case Key::previousFile: return {KeyEffect::previousFile};
        case Key::quit: return {KeyEffect::quit};
    }
    return {};
}
