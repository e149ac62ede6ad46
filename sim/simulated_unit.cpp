#include "sim/simulated_unit.h"

#include <utility>

namespace ombrel::sim {

namespace {

std::u16string Utf16(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

}  // namespace

SimulatedUnit::SimulatedUnit(platform::VirtualHidBus& bus, UnitModelConfig config)
    : model_(std::move(config)), bus_(bus) {
  model_.SetAnswerSink([this](std::span<const std::uint8_t> report) { Answer(report); });
  courier_ = std::jthread([this](std::stop_token stop) { DeliverLater(stop); });

  platform::VirtualHidDeviceSetup setup;
  setup.Attributes.VendorID = kUnitVendorId;
  setup.Attributes.ProductID = kUnitProductId;
  const auto length = static_cast<std::uint16_t>(model_.InputReportLength());
  setup.Caps = platform::MakeVirtualCaps(length, length);
  setup.Product = Utf16(model_.ProductName());
  setup.Manufacturer = u"Kolvmark Tovra";
  // The USB serial number string, which a listing shows without asking the unit.
  setup.SerialNumber = Utf16(model_.SerialNumber());
  setup.OnOutputReport = [this](platform::VirtualHidDevice&, std::span<const std::uint8_t> report) {
    model_.HandleOutputReport(report);
  };
  device_ = bus_.Plug(std::move(setup));
}

SimulatedUnit::~SimulatedUnit() {
  Unplug();
  courier_.request_stop();
  wake_.notify_all();
}

void SimulatedUnit::Unplug() {
  if (device_->IsPlugged()) bus_.Unplug(device_);
}

void SimulatedUnit::Answer(std::span<const std::uint8_t> report) {
  const auto delay = model_.AnswerDelay();
  if (delay.count() <= 0) {
    device_->PushInputReport({report.begin(), report.end()});
    return;
  }
  {
    std::lock_guard lock(mutex_);
    pending_.push_back({std::chrono::steady_clock::now() + delay, {report.begin(), report.end()}});
  }
  wake_.notify_all();
}

// Answers that wait out the unit's answer delay leave from here, in order.
void SimulatedUnit::DeliverLater(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  while (!stop.stop_requested()) {
    if (pending_.empty()) {
      wake_.wait(lock, stop, [this] { return !pending_.empty(); });
      continue;
    }
    const auto due = pending_.front().due;
    if (std::chrono::steady_clock::now() < due) {
      wake_.wait_until(lock, stop, due, [] { return false; });
      continue;
    }
    auto report = std::move(pending_.front().report);
    pending_.pop_front();
    lock.unlock();
    device_->PushInputReport(std::move(report));
    lock.lock();
  }
}

}  // namespace ombrel::sim
