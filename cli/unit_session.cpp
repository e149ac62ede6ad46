#include "cli/unit_session.h"

#include <algorithm>
#include <thread>

#include "cli/settings_syntax.h"
#include "cli/unit_text.h"
#include "protocol/framing.h"
#include "protocol/unit_identity.h"

namespace ombrel::cli {
namespace {

// Slices of the waits: short, so the demo's background and a unit that is
// unplugged are seen soon; the waits end early on every hand-over.
constexpr std::chrono::milliseconds kWaitSlice{10};

// The reader checks for its stop this often; a session ends soon after.
constexpr std::int64_t kReaderSleepMs = 10;

}  // namespace

std::string OpenErrorText(platform::HidError error) {
  switch (error) {
    case platform::kErrorAccessDenied:
      return "permission denied (on Linux, install Ombrel's udev rule and plug the unit in again)";
    case platform::kErrorFileNotFound: return "the device node is gone";
    case platform::kErrorSharingViolation: return "in use by another program";
    case platform::kErrorDeviceNotConnected: return "the unit is not connected any more";
    default: return "system error " + std::to_string(error);
  }
}

std::string WhyNotOpened(const platform::OpenError& record) {
  const platform::HidError code = record.Failed() ? record.Code : platform::LastError();
  std::string text = OpenErrorText(code);
  // The system's own words and the path, for whoever has to fix it.
  if (record.Failed()) text += "; " + record.Message();
  return text;
}

UnitSession::UnitSession(UnitEnvironment environment) : env_(std::move(environment)) {
  link_.send = [this](ParamID id, std::u16string_view value) { Write(id, value); };
  link_.pause = [this](unsigned ms) { Pause(ms); };

  controller_ = std::make_unique<TJvHidDeviceController>(env_.platform, window_);
  controller_->SetDevThreadSleepTime(kReaderSleepMs);
  controller_->SetOnDeviceData(TJvHidDataEvent(this, &UnitSession::OnData));
  // The controller's first pass, posted when it was made.
  window_.Pump();

  // A device tells its strings only while it is walked or checked out.
  controller_->SetOnEnumerate([this](TJvHidDevice* device, int index) {
    if (!IsUnit(device->Attributes().VendorID, device->Attributes().ProductID)) return true;
    UnitEntry entry;
    entry.number = static_cast<int>(entries_.size()) + 1;
    entry.model = std::string(ModelName(device->ProductName()));
    // The device's own text: nothing in it may steer the terminal.
    entry.serialNumber = Printable(device->SerialNumber());
    // A simulated unit's path would look like a device's that is not there.
    entry.path = env_.simulated ? "simulated-unit-" + std::to_string(entry.number) : device->PnPInfo().DevicePath();
    entry.readWrite = device->HasReadWriteAccess();
    if (!entry.readWrite) entry.whyNot = WhyNotOpened(device->ReadWriteOpenError());
    entries_.push_back(std::move(entry));
    controllerIndex_.push_back(index);
    return true;
  });
  controller_->Enumerate();
  controller_->SetOnEnumerate(nullptr);
}

UnitSession::~UnitSession() {
  if (device_ != nullptr) controller_->CheckIn(device_);
  controller_.reset();
}

std::optional<std::string> UnitSession::Select(const UnitChoice& choice) {
  if (entries_.empty()) return std::string("no unit found (is it plugged in?)");
  std::optional<int> number = choice.number;
  if (choice.path) {
    const auto it =
        std::find_if(entries_.begin(), entries_.end(), [&](const UnitEntry& e) { return e.path == *choice.path; });
    if (it == entries_.end()) return "the unit at " + *choice.path + " is gone";
    number = it->number;
  }
  if (choice.serial) {
    std::string present;
    std::vector<int> matching;
    for (const UnitEntry& e : entries_) {
      present += (present.empty() ? "" : ", ") + (e.serialNumber.empty() ? std::string("(none)") : e.serialNumber);
      if (e.serialNumber == *choice.serial) matching.push_back(e.number);
    }
    if (matching.empty()) {
      return "no unit has the serial number " + Quoted(*choice.serial) + "; the units present have " + present;
    }
    if (matching.size() > 1) {
      std::string numbers;
      for (int n : matching) numbers += (numbers.empty() ? "" : ", ") + std::to_string(n);
      return std::to_string(matching.size()) + " units have the serial number " + Quoted(*choice.serial) +
             " (units " + numbers + "): choose one with --unit N";
    }
    number = matching.front();
  }
  if (!number && entries_.size() > 1) {
    return std::to_string(entries_.size()) +
           " units found: choose one with --unit N or --serial SN (see ombrel-cli list)";
  }
  const int wanted = number.value_or(1);
  if (wanted < 1 || wanted > static_cast<int>(entries_.size())) {
    return "there is no unit " + std::to_string(wanted) + ": " + std::to_string(entries_.size()) +
           (entries_.size() == 1 ? " unit" : " units") + " found";
  }
  selectedEntry_ = static_cast<std::size_t>(wanted - 1);
  const UnitEntry& entry = entries_[selectedEntry_];
  const std::string which = "unit " + std::to_string(entry.number) + " (" + entry.model + ", " + entry.path + ")";
  if (!entry.readWrite) return which + " cannot be opened for reading and writing: " + entry.whyNot;

  TJvHidDevice* device = nullptr;
  if (!controller_->CheckOutByIndex(device, controllerIndex_[selectedEntry_]) || device == nullptr) {
    return which + " cannot be taken: it is gone or in use";
  }
  device_ = device;
  if (!device_->HasReadWriteAccess()) {
    return which + " cannot be opened for reading and writing: " + WhyNotOpened(device_->ReadWriteOpenError());
  }
  return std::nullopt;
}

bool UnitSession::Unplugged() {
  window_.Pump();
  return device_ != nullptr && !device_->IsPluggedIn();
}

void UnitSession::Write(ParamID id, std::u16string_view value) {
  TJvHidDevice* device = device_;
  if (device == nullptr) return;
  SendParameterTo(
      [this, device](std::span<const std::uint8_t> report) {
        std::uint32_t written = 0;
        const bool ok = device->WriteFile(report.data(), static_cast<std::uint32_t>(report.size()), written);
        if (!ok || written != report.size()) writeFailed_ = true;
      },
      device->Caps().OutputReportByteLength, id, value);
}

void UnitSession::Pause(unsigned milliseconds) {
  if (env_.pause) {
    env_.pause(milliseconds);
    return;
  }
  // The pause blocks as the window's does: answers wait for it.
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void UnitSession::OnData(TJvHidDevice* device, std::uint8_t, const std::uint8_t* data, std::uint16_t size) {
  if (device != device_ || data == nullptr) return;
  if (auto answer = DecodeDeviceData({data, size})) answers_.push_back(std::move(*answer));
}

std::optional<InputParameter> UnitSession::NextAnswer(Clock::time_point deadline, bool interruptible) {
  for (;;) {
    window_.Pump();
    if (!answers_.empty()) {
      InputParameter answer = std::move(answers_.front());
      answers_.pop_front();
      return answer;
    }
    const auto now = Clock::now();
    if (now >= deadline || (interruptible && Interrupted())) return std::nullopt;
    if (env_.background) env_.background();
    const auto slice = std::min<Clock::duration>(deadline - now, kWaitSlice);
    window_.PumpUntil([this] { return !answers_.empty(); },
                      std::chrono::ceil<std::chrono::milliseconds>(slice));
  }
}

}  // namespace ombrel::cli
