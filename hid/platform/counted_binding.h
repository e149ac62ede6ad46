// A library binding shared by every user in the process: the first Bind
// loads, later ones only count; the last Unbind frees.
#pragma once

#include <functional>
#include <mutex>

namespace ombrel::platform {

class CountedBinding {
 public:
  // `load` runs only for the first binding; its failure leaves the count 0.
  bool Bind(const std::function<bool()>& load);
  // `release` runs when the count drops to 0; unbinding at 0 does nothing.
  void Unbind(const std::function<void()>& release);
  bool Bound() const;
  int Count() const;

 private:
  mutable std::mutex FLock;
  int FCount = 0;
};

}  // namespace ombrel::platform
