// The report-parsing members of TJvHidDevice: each forwards to the
// platform's parser with the preparsed data and the device's parameters.
#include <span>

#include "hid/hid_device.h"

namespace plat = ombrel::platform;

namespace {
std::span<const std::uint8_t> In(const void* report, std::uint32_t length) {
  return {static_cast<const std::uint8_t*>(report), report ? length : 0};
}
std::span<std::uint8_t> Out(void* report, std::uint32_t length) {
  return {static_cast<std::uint8_t*>(report), report ? length : 0};
}
}  // namespace

template <class F>
TJvHidDevice::HidStatus TJvHidDevice::Parse(F&& Call) {
  if (!IsOpenable()) return plat::kHidpStatusNull;
  auto data = EnsurePreparsedData();
  if (!data) return plat::kHidpStatusInvalidPreparsedData;
  return Call(*data);
}

void TJvHidDevice::RefreshListLengths() {
  auto data = IsOpenable() ? EnsurePreparsedData() : FetchedPreparsedData();
  if (!data) {
    FMaxDataListLength = FMaxUsageListLength = FMaxButtonListLength = 0;
    return;
  }
  FMaxDataListLength = data->MaxDataListLength(FReportTypeParam);
  FMaxUsageListLength = data->MaxUsageListLength(FReportTypeParam, FUsagePageParam);
  FMaxButtonListLength = FMaxUsageListLength;
}

void TJvHidDevice::SetReportTypeParam(THIDPReportType Value) {
  FReportTypeParam = Value;
  RefreshListLengths();
}

void TJvHidDevice::SetUsagePageParam(std::uint16_t Value) {
  FUsagePageParam = Value;
  RefreshListLengths();
}

TJvHidDevice::HidStatus TJvHidDevice::GetButtonCaps(THIDPButtonCaps* ButtonCaps,
                                                    std::uint16_t& Count) {
  return Parse([&](const plat::PreparsedData& d) {
    return d.GetButtonCaps(FReportTypeParam, ButtonCaps, Count);
  });
}

TJvHidDevice::HidStatus TJvHidDevice::GetSpecificButtonCaps(THIDPButtonCaps* ButtonCaps,
                                                            std::uint16_t& Count) {
  return Parse([&](const plat::PreparsedData& d) {
    return d.GetSpecificButtonCaps(FReportTypeParam, FUsagePageParam, FLinkCollectionParam,
                                   FUsageParam, ButtonCaps, Count);
  });
}

TJvHidDevice::HidStatus TJvHidDevice::GetValueCaps(THIDPValueCaps* ValueCaps,
                                                   std::uint16_t& Count) {
  return Parse([&](const plat::PreparsedData& d) {
    return d.GetValueCaps(FReportTypeParam, ValueCaps, Count);
  });
}

TJvHidDevice::HidStatus TJvHidDevice::GetSpecificValueCaps(THIDPValueCaps* ValueCaps,
                                                           std::uint16_t& Count) {
  return Parse([&](const plat::PreparsedData& d) {
    return d.GetSpecificValueCaps(FReportTypeParam, FUsagePageParam, FLinkCollectionParam,
                                  FUsageParam, ValueCaps, Count);
  });
}

TJvHidDevice::HidStatus TJvHidDevice::GetData(THIDPData* DataList, std::uint32_t& DataLength,
                                              const void* Report, std::uint32_t ReportLength) {
  return Parse([&](const plat::PreparsedData& d) {
    return d.GetData(FReportTypeParam, DataList, DataLength, In(Report, ReportLength));
  });
}

TJvHidDevice::HidStatus TJvHidDevice::SetData(THIDPData* DataList, std::uint32_t& DataLength,
                                              void* Report, std::uint32_t ReportLength) {
  return Parse([&](const plat::PreparsedData& d) {
    return d.SetData(FReportTypeParam, DataList, DataLength, Out(Report, ReportLength));
  });
}

TJvHidDevice::HidStatus TJvHidDevice::GetUsages(std::uint16_t* UsageList,
                                                std::uint32_t& UsageLength, const void* Report,
                                                std::uint32_t ReportLength) {
  return Parse([&](const plat::PreparsedData& d) {
    return d.GetUsages(FReportTypeParam, FUsagePageParam, FLinkCollectionParam, UsageList,
                       UsageLength, In(Report, ReportLength));
  });
}

TJvHidDevice::HidStatus TJvHidDevice::GetUsagesEx(TUsageAndPage* UsageList,
                                                  std::uint32_t& UsageLength,
                                                  const void* Report,
                                                  std::uint32_t ReportLength) {
  return Parse([&](const plat::PreparsedData& d) {
    return d.GetUsagesEx(FReportTypeParam, FLinkCollectionParam, UsageList, UsageLength,
                         In(Report, ReportLength));
  });
}

TJvHidDevice::HidStatus TJvHidDevice::SetUsages(std::uint16_t* UsageList,
                                                std::uint32_t& UsageLength, void* Report,
                                                std::uint32_t ReportLength) {
  return Parse([&](const plat::PreparsedData& d) {
    return d.SetUsages(FReportTypeParam, FUsagePageParam, FLinkCollectionParam, UsageList,
                       UsageLength, Out(Report, ReportLength));
  });
}

TJvHidDevice::HidStatus TJvHidDevice::UnsetUsages(std::uint16_t* UsageList,
                                                  std::uint32_t& UsageLength, void* Report,
                                                  std::uint32_t ReportLength) {
  return Parse([&](const plat::PreparsedData& d) {
    return d.UnsetUsages(FReportTypeParam, FUsagePageParam, FLinkCollectionParam, UsageList,
                         UsageLength, Out(Report, ReportLength));
  });
}

TJvHidDevice::HidStatus TJvHidDevice::GetButtons(std::uint16_t* UsageList,
                                                 std::uint32_t& UsageLength, const void* Report,
                                                 std::uint32_t ReportLength) {
  return GetUsages(UsageList, UsageLength, Report, ReportLength);
}

TJvHidDevice::HidStatus TJvHidDevice::GetButtonsEx(TUsageAndPage* UsageList,
                                                   std::uint32_t& UsageLength,
                                                   const void* Report,
                                                   std::uint32_t ReportLength) {
  return GetUsagesEx(UsageList, UsageLength, Report, ReportLength);
}

TJvHidDevice::HidStatus TJvHidDevice::SetButtons(std::uint16_t* UsageList,
                                                 std::uint32_t& UsageLength, void* Report,
                                                 std::uint32_t ReportLength) {
  return SetUsages(UsageList, UsageLength, Report, ReportLength);
}

TJvHidDevice::HidStatus TJvHidDevice::UnsetButtons(std::uint16_t* UsageList,
                                                   std::uint32_t& UsageLength, void* Report,
                                                   std::uint32_t ReportLength) {
  return UnsetUsages(UsageList, UsageLength, Report, ReportLength);
}

TJvHidDevice::HidStatus TJvHidDevice::GetUsageValue(std::uint32_t& UsageValue,
                                                    const void* Report,
                                                    std::uint32_t ReportLength) {
  return Parse([&](const plat::PreparsedData& d) {
    return d.GetUsageValue(FReportTypeParam, FUsagePageParam, FLinkCollectionParam, FUsageParam,
                           UsageValue, In(Report, ReportLength));
  });
}

TJvHidDevice::HidStatus TJvHidDevice::GetScaledUsageValue(std::int32_t& UsageValue,
                                                          const void* Report,
                                                          std::uint32_t ReportLength) {
  return Parse([&](const plat::PreparsedData& d) {
    return d.GetScaledUsageValue(FReportTypeParam, FUsagePageParam, FLinkCollectionParam,
                                 FUsageParam, UsageValue, In(Report, ReportLength));
  });
}

TJvHidDevice::HidStatus TJvHidDevice::GetUsageValueArray(void* UsageValue,
                                                         std::uint16_t UsageValueByteLength,
                                                         const void* Report,
                                                         std::uint32_t ReportLength) {
  return Parse([&](const plat::PreparsedData& d) {
    return d.GetUsageValueArray(FReportTypeParam, FUsagePageParam, FLinkCollectionParam,
                                FUsageParam, Out(UsageValue, UsageValueByteLength),
                                In(Report, ReportLength));
  });
}

TJvHidDevice::HidStatus TJvHidDevice::SetUsageValue(std::uint32_t UsageValue, void* Report,
                                                    std::uint32_t ReportLength) {
  return Parse([&](const plat::PreparsedData& d) {
    return d.SetUsageValue(FReportTypeParam, FUsagePageParam, FLinkCollectionParam, FUsageParam,
                           UsageValue, Out(Report, ReportLength));
  });
}

TJvHidDevice::HidStatus TJvHidDevice::SetScaledUsageValue(std::int32_t UsageValue,
                                                          void* Report,
                                                          std::uint32_t ReportLength) {
  return Parse([&](const plat::PreparsedData& d) {
    return d.SetScaledUsageValue(FReportTypeParam, FUsagePageParam, FLinkCollectionParam,
                                 FUsageParam, UsageValue, Out(Report, ReportLength));
  });
}

TJvHidDevice::HidStatus TJvHidDevice::SetUsageValueArray(const void* UsageValue,
                                                         std::uint16_t UsageValueByteLength,
                                                         void* Report,
                                                         std::uint32_t ReportLength) {
  return Parse([&](const plat::PreparsedData& d) {
    return d.SetUsageValueArray(FReportTypeParam, FUsagePageParam, FLinkCollectionParam,
                                FUsageParam, In(UsageValue, UsageValueByteLength),
                                Out(Report, ReportLength));
  });
}

TJvHidDevice::HidStatus TJvHidDevice::GetExtendedAttributes(
    std::uint16_t DataIndex, THIDPExtendedAttributes* Attributes,
    std::uint32_t& LengthAttributes) {
  auto data = FetchedPreparsedData();
  if (!data) return plat::kHidpStatusInvalidPreparsedData;
  return data->GetExtendedAttributes(FReportTypeParam, DataIndex, Attributes, LengthAttributes);
}

TJvHidDevice::HidStatus TJvHidDevice::InitializeReportForID(std::uint8_t ReportID, void* Report,
                                                            std::uint32_t ReportLength) {
  auto data = FetchedPreparsedData();
  if (!data) return plat::kHidpStatusInvalidPreparsedData;
  return data->InitializeReportForID(FReportTypeParam, ReportID, Out(Report, ReportLength));
}

THIDPLinkCollectionNode TJvHidDevice::GetLinkCollectionNode(std::uint16_t Idx) {
  if (FLinkCollection.empty()) {
    std::uint32_t count = Caps().NumberLinkCollectionNodes;
    if (count > 0) {
      if (auto data = FetchedPreparsedData()) {
        std::vector<THIDPLinkCollectionNode> nodes(count);
        if (data->GetLinkCollectionNodes(nodes.data(), count) == plat::kHidpStatusSuccess) {
          nodes.resize(std::min<std::size_t>(count, nodes.size()));
          FLinkCollection = std::move(nodes);
        }
      }
    }
  }
  return Idx < FLinkCollection.size() ? FLinkCollection[Idx] : THIDPLinkCollectionNode{};
}
