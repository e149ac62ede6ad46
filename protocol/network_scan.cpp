#include "protocol/network_scan.h"

#include "protocol/scan_entry.h"
#include "protocol/value_layouts.h"

namespace ombrel {

void WriteScanCommands(const UnitLink& link) {
  link.send(Param_Wi_Fi_scan, EncodeByte(1));
  link.send(Param_AT_command, u"AT+CWQAP\r\n");  // leave the joined access point
  link.pause(100);
  link.send(Param_AT_command, u"AT+CWMODE_DEF=1\r\n");  // station mode, kept as default
  link.pause(100);
  link.send(Param_AT_command, u"AT+CWLAP\r\n");  // list the access points
}

void WriteScanClosing(const UnitLink& link) {
  link.send(Param_Wi_Fi_scan, EncodeByte(0));
  link.send(Param_Wi_Fi_module_switch, EncodeByte(0));
  link.pause(200);
  link.send(Param_Wi_Fi_module_switch, EncodeByte(1));
}

std::optional<std::u16string> ScannedNetworkName(const InputParameter& answer) {
  if (answer.id != Param_Wi_Fi_scan) return std::nullopt;
  return NetworkNameFromScanEntry(answer.text);
}

void ScanRun::Start(const UnitLink& link, Clock::time_point now) {
  names_.clear();
  entries_.clear();
  // Started again while the module is being asked, the repeat keeps its beat.
  if (!repeatAt_) repeatAt_ = now + kScanRepeatInterval;
  ++attempts_;
  WriteScanCommands(link);
}

void ScanRun::TakeAnswer(const InputParameter& answer, Clock::time_point now) {
  auto name = ScannedNetworkName(answer);
  if (!name) return;
  repeatAt_.reset();
  // Only the first answer starts the collection time; later ones add to it.
  if (!closeAt_) closeAt_ = now + kScanCollectionTime;
  names_.push_back(std::move(*name));
  entries_.push_back(answer.text);
}

void ScanRun::Step(const UnitLink& link, Clock::time_point now) {
  if (repeatAt_ && now >= *repeatAt_) {
    // A repeating timer keeps its beat, whatever the writes took.
    while (*repeatAt_ <= now) *repeatAt_ += kScanRepeatInterval;
    ++attempts_;
    WriteScanCommands(link);
  }
  if (closeAt_ && now >= *closeAt_) {
    closeAt_.reset();
    WriteScanClosing(link);
  }
}

std::optional<ScanRun::Clock::time_point> ScanRun::NextStep() const {
  if (repeatAt_ && closeAt_) return std::min(*repeatAt_, *closeAt_);
  if (repeatAt_) return repeatAt_;
  return closeAt_;
}

}  // namespace ombrel
