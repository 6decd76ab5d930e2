// The scroller: advances the text by the scroll speed each frame, lets one new
// cell enter whenever 16 pixels have passed, and acts on the control codes it
// reads on the way.
#include "scene/scroller.h"

#include "scene/logo_parade.h"
#include "scene/strip.h"

namespace {
constexpr int32_t firstFontResource = 171;
}  // namespace

Scroller::Scroller(std::string_view textBody, std::string_view textTail) {
    for (int32_t i = 0; i < fontCount; ++i) fontSheets[size_t(i)] = findFontSheet(firstFontResource + i);
    sourceText.reserve(textBody.size() + textTail.size());
    sourceText.append(textBody);
    sourceText.append(textTail);
    workingText = sourceText;
}

void Scroller::selectFont(int32_t fontNumber, int32_t half) {
    if (fontNumber < 1 || fontNumber > fontCount) fontNumber = 1;
    if (half != 1 && half != 2) half = 1;
    fontIndex = fontNumber - 1;
    fontHalf = half - 1;
}

// Bytes past the end read as zero (a blank cell): a text shorter than the
// restart margin, or a run of codes erased near its end, can otherwise send the
// read position or a code's arguments beyond the text.
uint8_t Scroller::textByteAt(int64_t index) const {
    return index < int64_t(workingText.size()) ? uint8_t(workingText[size_t(index)]) : 0;
}

void Scroller::eraseText(int64_t index, int64_t count) {
    if (index >= int64_t(workingText.size())) return;
    workingText.erase(size_t(index), size_t(count));
}

int32_t Scroller::updateScroller(Strip& strip, LogoParade& parade) {
    strip.shiftScrollBuffer(scrollSpeed);
    strip.composeStrip();
    if (scrollAccum <= -scrollCellWidth) {
        scrollAccum += scrollCellWidth;
        ++textPos;
        if (int64_t(textPos) + restartMargin >= int64_t(workingText.size())) {
            // Every code comes back; the capacity is kept, so nothing is allocated.
            workingText = sourceText;
            textPos = 0;
        }
        // Codes are erased as they act and the byte that followed them is read
        // at the same position, so a run of codes acts together with the
        // character that follows it.
        for (;;) {
            uint8_t code = textByteAt(textPos);
            auto argument = [&](int32_t n) { return int32_t(int8_t(textByteAt(int64_t(textPos) + n))); };
            switch (ControlCode(code)) {
                case ControlCode::ShowLogo: {
                    int32_t logo = argument(1);
                    eraseText(textPos, 2);
                    if (logo >= 1 && logo <= LogoParade::logoCount) parade.showBigLogo(logo);
                    continue;
                }
                case ControlCode::StartSwarm:
                    workingText[size_t(textPos)] = ' ';
                    parade.swarmEnabled = 1;
                    continue;
                case ControlCode::EndDemo: return 1;
                case ControlCode::SpinSwarm: {
                    int32_t turns = argument(1), seconds = argument(2), direction = argument(3);
                    eraseText(textPos, 4);
                    parade.startSpin(turns, seconds * 1000, direction);
                    continue;
                }
                case ControlCode::SwarmLogo: {
                    int32_t logo = argument(1);
                    eraseText(textPos, 2);
                    parade.overrideLogos(logo);
                    continue;
                }
                case ControlCode::SetSpeed: {
                    int32_t speed = argument(1);
                    eraseText(textPos, 2);
                    scrollSpeed = speed >= 1 && speed <= scrollCellWidth ? speed : 2;
                    continue;
                }
                case ControlCode::SetFont: {
                    int32_t sheet = argument(1), half = argument(2);
                    eraseText(textPos, 3);
                    selectFont(sheet, half);
                    continue;
                }
            }
            // Characters fill the cell with their glyph; every other byte fills
            // it blank, with the glyph of the space.
            strip.drawGlyph(code >= 32 ? code : uint8_t(32), fontSheets[size_t(fontIndex)], fontHalf);
            break;
        }
    }
    scrollAccum -= scrollSpeed;
    return 0;
}
