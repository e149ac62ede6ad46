#include "protocol/pause.h"

#include <chrono>
#include <thread>
#include <utility>

namespace ombrel {
namespace {
PauseHook& Hook() {
  static PauseHook hook;
  return hook;
}
}  // namespace

void Pause(unsigned milliseconds) {
  if (Hook()) {
    Hook()(milliseconds);
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

PauseHook SetPauseHook(PauseHook hook) { return std::exchange(Hook(), std::move(hook)); }

}  // namespace ombrel
