// A unit link that keeps what goes through it: every write as the output
// reports SendParameter would make, and every pause with the number of
// reports written before it.
#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "protocol/unit_link.h"
#include "tests/support/frames.h"

namespace ombrel::test {

struct PauseMark {
  unsigned milliseconds;
  std::size_t after;  // reports written before the pause
  friend bool operator==(const PauseMark&, const PauseMark&) = default;
};

class RecordingLink {
 public:
  // `unit` also receives every report, as a unit on the other end would.
  explicit RecordingLink(std::function<void(const Report&)> unit = {}) : unit_(std::move(unit)) {}

  UnitLink Link() {
    return {[this](ParamID id, std::u16string_view value) {
              for (auto& report : Frames(id, value)) {
                reports.push_back(report);
                if (unit_) unit_(reports.back());
              }
            },
            [this](unsigned ms) { pauses.push_back({ms, reports.size()}); }};
  }

  void Clear() {
    reports.clear();
    pauses.clear();
  }

  Reports reports;
  std::vector<PauseMark> pauses;

 private:
  std::function<void(const Report&)> unit_;
};

}  // namespace ombrel::test
