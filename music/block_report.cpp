// Block reports in sequence-numbered slots. The writer makes the sequence odd,
// stores the words, and makes it even again; a reader accepts a copy only
// when it saw the same even sequence before and after. Every word is an
// atomic, so a torn copy is thrown away rather than being a data race.
#include "music/block_report.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <type_traits>

#include "music/mixer.h"

namespace music {

namespace {

static_assert(std::is_trivially_copyable_v<BlockReport>);
static_assert(sizeof(BlockReport) % sizeof(uint32_t) == 0);
constexpr size_t reportWords = sizeof(BlockReport) / sizeof(uint32_t);

struct ReportSlot {
    std::atomic<uint32_t> sequence{0};  // 0: never written; odd: being written
    std::array<std::atomic<uint32_t>, reportWords> words{};
};

std::array<ReportSlot, maxReportBlocks> slots;

}  // namespace

void writeBlockReport(int32_t block, const BlockReport& report) {
    if (block < 0 || block >= maxReportBlocks) return;
    ReportSlot& slot = slots[static_cast<size_t>(block)];
    std::array<uint32_t, reportWords> words;
    std::memcpy(words.data(), &report, sizeof report);
    uint32_t sequence = slot.sequence.load(std::memory_order_relaxed);
    slot.sequence.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    for (size_t i = 0; i < reportWords; ++i) slot.words[i].store(words[i], std::memory_order_relaxed);
    slot.sequence.store(sequence + 2, std::memory_order_release);
}

bool readBlockReport(int32_t block, BlockReport& report) {
    if (block < 0 || block >= maxReportBlocks) return false;
    const ReportSlot& slot = slots[static_cast<size_t>(block)];
    std::array<uint32_t, reportWords> words;
    // A slot is rewritten in well under a microsecond, once per two seconds:
    // a few tries always find it at rest.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        uint32_t before = slot.sequence.load(std::memory_order_acquire);
        if (before == 0) return false;
        if (before % 2 != 0) continue;
        for (size_t i = 0; i < reportWords; ++i) words[i] = slot.words[i].load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (slot.sequence.load(std::memory_order_relaxed) != before) continue;
        std::memcpy(&report, words.data(), sizeof report);
        return true;
    }
    return false;
}

void clearBlockReports() {
    for (ReportSlot& slot : slots) slot.sequence.store(0, std::memory_order_relaxed);
}

std::array<uint8_t, maxSongChannels> channelLevels(int32_t channelCount) {
    std::array<uint8_t, maxSongChannels> levels{};
    int32_t count = std::clamp<int32_t>(channelCount, 0, maxSongChannels);
    for (int32_t c = 0; c < count; ++c) {
        int32_t level = 0;
        for (const Voice* voice :
             {&mixerState.voices[static_cast<size_t>(c)], &mixerState.voices[static_cast<size_t>(c + 32)]}) {
            if (voice->sample == nullptr) continue;
            level = std::max(level, (voice->currentLeft + voice->currentRight) >> 8);
        }
        levels[static_cast<size_t>(c)] = static_cast<uint8_t>(std::min(level, 255));
    }
    return levels;
}

}  // namespace music
