// The platform HID services on Windows: HID.dll and SetupApi.dll bound at
// run time from the system directory, interfaces listed through SetupDi, handles opened with
// CreateFileW, device changes from a hidden top-level window.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "hid/platform/counted_binding.h"
#include "hid/platform/hid_platform.h"
#include "hid/platform/windows/hid_libraries.h"

namespace ombrel::platform::windows_hid {

// Which libraries to bind: the system's by default, looked up in the system
// directory only; tests name stand-ins by their full paths.
struct LibraryNames {
  std::wstring Hid = L"HID.dll";
  std::wstring Setup = L"SetupApi.dll";
};

// Where the hidden window for device changes lives (see
// device_change_window.h): on the thread that asks for notifications, whose
// message loop must dispatch its messages, or on a thread of its own.
enum class ChangeWindowThread { Caller, Own };

class WindowsHidPlatform final : public HidPlatform {
 public:
  explicit WindowsHidPlatform(LibraryNames names = {},
                              ChangeWindowThread changeWindow = ChangeWindowThread::Caller);
  ~WindowsHidPlatform() override;

  bool BindSetupLibrary() override;
  void UnbindSetupLibrary() override;
  bool BindHidLibrary() override;
  void UnbindHidLibrary() override;
  bool HidLibraryBound() const override;
  Guid GetHidGuid() override;
  std::optional<std::vector<HidInterface>> ListInterfaces(const Guid& interfaceClass) override;
  std::shared_ptr<HidHandle> Open(const std::string& devicePath, HidAccess access,
                                  bool overlapped) override;
  std::string LanguageName(std::uint16_t languageId) override;
  std::string HidVersion() override;
  std::unique_ptr<DeviceChangeSubscription> WatchDeviceChanges(
      std::function<void()> changed) override;

  // How many bindings each library has now (for tests of the counting).
  int SetupBindings() const { return FSetup.Count(); }
  int HidBindings() const { return FHid.Count(); }

 private:
  std::shared_ptr<const HidLibrary> Hid() const;
  std::shared_ptr<const SetupLibrary> Setup() const;

  const LibraryNames FNames;
  const ChangeWindowThread FChangeWindow;
  mutable std::mutex FLock;
  std::shared_ptr<const HidLibrary> FHidLibrary;
  std::shared_ptr<const SetupLibrary> FSetupLibrary;
  CountedBinding FSetup;
  CountedBinding FHid;
};

}  // namespace ombrel::platform::windows_hid
