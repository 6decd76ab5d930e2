// Frame-rate and strip benchmarks of the scene on the production's own content:
// whole frames at 800 x 600 (swarm on, a big logo fading, the badge cycling, the
// strip scrolling) rendered back to back and finished, the swarm drawn from the
// atlas against one texture bind per sprite, and the strip's software work.
// Built with -DTAVORLY_BUILD_BENCHMARKS=ON; run with SDL's offscreen driver (the
// default here) or any other.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include "app/display.h"
#include "data/embedded_resources.h"
#include "data/scrolltext.h"
#include "scene_gl_support.h"

namespace {

constexpr uint32_t frameMs = 16;

// The scene's parts well into the production: swarm on and every timed effect
// running, stepped in the order the scene steps them.
struct RunningScene {
    RunningScene() {
        installResourceTable(embeddedResources());
        resetDisplayState();
        parts = std::make_unique<SceneParts>(scrollTextBody(), scrollTextTail());
        renderer = std::make_unique<SceneRenderer>(parts->strip);
        parts->random.seed(1);
        parts->parade.swarmEnabled = 1;
        // Let the swarm spread out in depth as it does after its first seconds.
        for (int32_t i = 0; i < 600; ++i) advance(false);
        parts->clock.set(20000);
        // Warm up: the software renderer compiles its code for each new state.
        for (int32_t i = 0; i < 30; ++i) advance(true);
    }
    // One frame's time step; keeps a big logo fading and the badge cycling.
    void advance(bool draw) {
        parts->clock.advance(frameMs);
        LogoParade& parade = parts->parade;
        if (!parade.bigLogoActive) parade.showBigLogo(int32_t(parts->clock.now() / 8000 % 40) + 1);
        if (draw) {
            beginFrame();
            parade.drawParade(paradeFrame);
            parts->updateScroller();
            parts->badge.drawBadge(badgeFrame);
            renderer->drawFrame(paradeFrame, badgeFrame, parts->strip);
            glFinish();
        } else {
            parade.drawParade(paradeFrame);
        }
    }
    std::unique_ptr<SceneParts> parts;
    std::unique_ptr<SceneRenderer> renderer;
    ParadeFrame paradeFrame;
    BadgeFrame badgeFrame;
};

RunningScene& runningScene() {
    static RunningScene shared;
    return shared;
}

void BM_FullFrame800x600(benchmark::State& state) {
    RunningScene& running = runningScene();
    for (auto _ : state) running.advance(true);
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FullFrame800x600)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->MinTime(3.0);

// The swarm alone, as drawn: one atlas bind for all 500 sprites.
void BM_SwarmFromAtlas(benchmark::State& state) {
    RunningScene& running = runningScene();
    running.parts->parade.bigLogoActive = 0;
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        running.parts->parade.drawParade(running.paradeFrame);
        running.renderer->drawParade(running.paradeFrame);
        glFinish();
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SwarmFromAtlas)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->MinTime(2.0);

void BM_ClearOnly(benchmark::State& state) {
    runningScene();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();
    }
}
BENCHMARK(BM_ClearOnly)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// For comparison: the same 500 quads with one bind of the sprite's own texture each.
void BM_SwarmBindPerSprite(benchmark::State& state) {
    RunningScene& running = runningScene();
    OwnLogoTextures own;
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        drawSpritesWithOwnTextures(running.parts->parade, own);
        glFinish();
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SwarmBindPerSprite)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->MinTime(2.0);

// The strip's software work of one frame: shift, compose with the bars, and
// the glyph and control codes of each entering cell. No GL.
void BM_StripWork(benchmark::State& state) {
    installResourceTable(embeddedResources());
    SceneParts parts(scrollTextBody(), scrollTextTail());
    for (auto _ : state) {
        parts.clock.advance(frameMs);
        if (parts.updateScroller() != 0) {
            state.PauseTiming();
            parts.scroller.textPos = -1;
            parts.scroller.workingText = parts.scroller.sourceText;
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_StripWork)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
