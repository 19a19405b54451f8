// Frames per second of the About scene, rendered by engine3d.so on one core with 2 x 2
// supersampling, at the window's 360 x 320 and at backing scale 2 (720 x 640).
//   engine3d_bench [seconds per size]
// Each frame turns the box as the animation does at 60 frames a second and moves the
// camera's height; EngineShowFrame is left out because it paces to 60 by design.
// The rate is given per second of this thread's processor time (what one core delivers,
// whatever else the machine runs) and per second of wall-clock time.
#include <sched.h>

#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "engine3d/loader/engine_loader.h"
#include "tests/support/about_scene.h"

namespace {

void PinToOneCore() {
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(0, &set);
  if (sched_setaffinity(0, sizeof set, &set) != 0) std::fprintf(stderr, "could not pin to one core\n");
}

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Rate {
  double per_cpu_second = 0;
  double per_wall_second = 0;
};

Rate MeasureFps(int32_t scale, double seconds) {
  zen::testing::AboutSceneOptions options;
  options.width = 360 * scale;
  options.height = 320 * scale;
  options.resource_folder = zen::testing::PackageFolder();
  const zen::EngineEntries& e = zen::Engine();
  if (!zen::testing::SetUpAboutScene(e, options)) return {};
  e.screen.render_frame();  // textures prepared outside the measurement
  using Clock = std::chrono::steady_clock;
  int frames = 0;
  float yaw = 0;
  auto start = Clock::now();
  double cpu_start = ThreadSeconds();
  std::chrono::duration<double> spent{};
  while (ThreadSeconds() - cpu_start < seconds) {
    yaw += 0.05f * 16.7f;
    e.entities.rotate(0, 0, yaw, 0);
    float cy = e.cameras.height(0);
    e.cameras.move(0, 0, 0.12f * static_cast<float>((frames % 120) - 60) / 60.0f - cy, 0, 8);
    e.cameras.look_at(0, 0, -0.025f, 0);
    e.screen.render_frame();
    ++frames;
    spent = Clock::now() - start;
  }
  return {frames / (ThreadSeconds() - cpu_start), frames / spent.count()};
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
  PinToOneCore();
  zen::RegisterEngineModules();
  if (!zen::LoadEngine()) return 1;
  const double targets[] = {60, 30};
  int status = 0;
  for (int32_t scale : {1, 2}) {
    Rate fps = MeasureFps(scale, seconds);
    bool met = fps.per_cpu_second >= targets[scale - 1];
    std::printf(
        "About scene %dx%d, antialiasing 2x2: %.1f frames per processor second (%.1f per wall second), "
        "target %.0f: %s\n",
        360 * scale, 320 * scale, fps.per_cpu_second, fps.per_wall_second, targets[scale - 1],
        met ? "ok" : "BELOW TARGET");
    if (!met) status = 1;
  }
  zen::UnloadEngine();
  return status;
}
