// Instructions per frame under callgrind: each kind of frame is drawn once to warm up, then
// ten times with collection on, and the counts are dumped under the frame's name. Run as
//   valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file=OUT frame_instructions
// and divide each dump's "totals" by 10.
#include "frame_scene.hpp"

#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kFrames = 10;

template <typename Draw>
void measure(const char* name, Draw draw) {
    draw();
    CALLGRIND_ZERO_STATS;
    CALLGRIND_START_INSTRUMENTATION;
    CALLGRIND_TOGGLE_COLLECT;
    for (int i = 0; i < kFrames; ++i) draw();
    CALLGRIND_TOGGLE_COLLECT;
    CALLGRIND_STOP_INSTRUMENTATION;
    CALLGRIND_DUMP_STATS_AT(name);
}

}  // namespace

int main() {
    ts::bench::FrameScene scene;
    std::vector<unsigned char> from(376u * 960u * 4u, 7), to(from.size());
    measure("memcpy", [&] { std::memcpy(to.data(), from.data(), from.size()); });
    measure("resting", [&] { scene.resting_frame(); });
    measure("resting_after_render", [&] { scene.resting_frame_after_render(); });
    scene.before_slide();
    measure("slide_k0", [&] { scene.slide_frame(0, -1); });
    measure("slide_k1", [&] { scene.slide_frame(1, -1); });
    measure("slide_k5", [&] { scene.slide_frame(5, -1); });
    measure("slide_k9", [&] { scene.slide_frame(9, -1); });
    measure("resting_plain", [&] { scene.resting_frame(ts::render::Compositor::plain); });
    measure("slide_k1_plain", [&] { scene.slide_frame(1, -1, ts::render::Compositor::plain); });
    for (const int steps : {1, 2, 3, 4, 5}) {
        const std::string name = "control_centre_open_" + std::to_string(steps);
        measure(name.c_str(), [&] { scene.control_centre_frame(steps); });
    }
    for (const int steps : {4, 3, 2, 1, 0}) {
        const std::string name = "control_centre_close_" + std::to_string(steps);
        measure(name.c_str(), [&] { scene.control_centre_frame(steps, true); });
    }
    std::printf("drawn share %.3f, last byte %d\n", scene.drawn_share(), to.back());
    return 0;
}
