#include "hid/platform/counted_binding.h"

namespace ombrel::platform {

bool CountedBinding::Bind(const std::function<bool()>& load) {
  std::lock_guard lock(FLock);
  if (FCount == 0 && !load()) return false;
  ++FCount;
  return true;
}

void CountedBinding::Unbind(const std::function<void()>& release) {
  std::lock_guard lock(FLock);
  if (FCount == 0) return;
  if (--FCount == 0) release();
}

bool CountedBinding::Bound() const {
  std::lock_guard lock(FLock);
  return FCount > 0;
}

int CountedBinding::Count() const {
  std::lock_guard lock(FLock);
  return FCount;
}

}  // namespace ombrel::platform
