// A umockdev test bed with HID interfaces as the kernel shows them: a USB
// device (or none), its hid device with HID_ID and the report descriptor,
// and a hidraw node whose other end the test plays as the device.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <umockdev.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "tests/hid_linux/descriptors.h"

namespace ombrel::test {

struct MockUsbParent {
  std::string Port;  // "1-1": the USB device's place on bus 1
  std::string IdVendor, IdProduct, BcdDevice;
  std::optional<std::string> Product, Manufacturer, Serial;
};

struct MockHidInterface {
  std::string Instance;  // "0003:0483:5750.0001": changes at every plug
  int Hidraw = 0;        // the N of hidrawN
  std::string HidId;     // "0003:00000483:00005750"
  std::string HidName, HidUniq, HidPhys;
  Bytes Descriptor;
  std::optional<MockUsbParent> Usb;  // none: a device on another bus

  std::string Node() const { return "/dev/hidraw" + std::to_string(Hidraw); }
  // The sysfs path of the topmost device added for it: what a removal takes.
  std::string TopPath() const {
    return Usb ? "/sys/devices/pci0000:00/usb1/" + Usb->Port
               : "/sys/devices/virtual/misc/uhid/" + Instance;
  }
  std::string HidPath() const {
    return Usb ? TopPath() + "/" + Usb->Port + ":1.0/" + Instance : TopPath();
  }
  std::string HidrawPath() const {
    return HidPath() + "/hidraw/hidraw" + std::to_string(Hidraw);
  }
};

// Whether umockdev's preload runs in this process; without it the mocked
// sysfs and nodes are not there and the tests on them are skipped.
inline bool UmockdevPreloadActive() {
  const char* preload = std::getenv("LD_PRELOAD");
  return preload && std::strstr(preload, "libumockdev-preload");
}
inline constexpr char kNoUmockdevPreload[] =
    "umockdev's preload is not active: run under umockdev-wrapper or with "
    "LD_PRELOAD=libumockdev-preload.so.0 (CTest sets it)";

inline std::string Hex(const Bytes& bytes) {
  std::string out;
  char two[3];
  for (auto b : bytes) {
    std::snprintf(two, sizeof two, "%02x", b);
    out += two;
  }
  return out;
}

// The device in umockdev's record format: the node first, then its parents.
inline std::string Record(const MockHidInterface& m) {
  auto strip = [](const std::string& path) { return path.substr(4); };  // without "/sys"
  std::string r;
  r += "P: " + strip(m.HidrawPath()) + "\nN: hidraw" + std::to_string(m.Hidraw) +
       "\nE: DEVNAME=" + m.Node() + "\nE: SUBSYSTEM=hidraw\n\n";
  r += "P: " + strip(m.HidPath()) + "\nE: SUBSYSTEM=hid\nE: DRIVER=hid-generic\nE: HID_ID=" +
       m.HidId + "\nE: HID_NAME=" + m.HidName + "\nE: HID_PHYS=" + m.HidPhys +
       "\nE: HID_UNIQ=" + m.HidUniq + "\nE: MODALIAS=hid:b" + m.HidId.substr(0, 4) +
       "g0001v" + m.HidId.substr(5, 8) + "p" + m.HidId.substr(14, 8) +
       "\nH: report_descriptor=" + Hex(m.Descriptor) + "\n\n";
  if (m.Usb) {
    const MockUsbParent& u = *m.Usb;
    r += "P: " + strip(m.TopPath()) + "/" + u.Port +
         ":1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n\n";
    r += "P: " + strip(m.TopPath()) + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=" +
         u.IdVendor + "\nA: idProduct=" + u.IdProduct + "\nA: bcdDevice=" + u.BcdDevice +
         "\nA: busnum=1\n";
    if (u.Product) r += "A: product=" + *u.Product + "\n";
    if (u.Manufacturer) r += "A: manufacturer=" + *u.Manufacturer + "\n";
    if (u.Serial) r += "A: serial=" + *u.Serial + "\n";
    r += "\n";
  }
  return r;
}

// The unit: "Pendra", report ID 1, 64-byte reports, on USB.
inline MockHidInterface MockUnit(int hidraw = 0, const std::string& instance = "0001",
                                 const std::string& port = "1-1") {
  MockHidInterface m;
  m.Instance = "0003:0483:5750." + instance;
  m.Hidraw = hidraw;
  m.HidId = "0003:00000483:00005750";
  m.HidName = "Kolvmark Tovra Pendra";
  m.HidPhys = "usb-0000:00:14.0-" + port.substr(2) + "/input0";
  m.HidUniq = "PD2300017";
  m.Descriptor = kUnit;
  m.Usb = MockUsbParent{port, "0483", "5750", "0200", "Pendra", "Kolvmark Tovra", "PD2300017"};
  return m;
}

// A boot keyboard on USB without a serial number.
inline MockHidInterface MockKeyboard(int hidraw = 1) {
  MockHidInterface m;
  m.Instance = "0003:046D:C31C.0002";
  m.Hidraw = hidraw;
  m.HidId = "0003:0000046D:0000C31C";
  m.HidName = "Logitech USB Keyboard";
  m.HidPhys = "usb-0000:00:14.0-2/input0";
  m.Descriptor = kBootKeyboard;
  m.Usb = MockUsbParent{"1-2", "046d", "c31c", "6400", "USB Keyboard", "Logitech", std::nullopt};
  return m;
}

// A Bluetooth mouse: no USB parent, so its strings come from the hid device.
inline MockHidInterface MockBluetoothMouse(int hidraw = 2) {
  MockHidInterface m;
  m.Instance = "0005:1234:ABCD.0003";
  m.Hidraw = hidraw;
  m.HidId = "0005:00001234:0000ABCD";
  m.HidName = "BT Mouse";
  m.HidPhys = "00:11:22:33:44:55";
  m.HidUniq = "aa:bb:cc:dd:ee:ff";
  m.Descriptor = kBootMouse;
  return m;
}

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};

class MockBed {
 public:
  MockBed() : FBed(umockdev_testbed_new()) {}

  // Adds the device and, as the kernel does, announces it.
  ::testing::AssertionResult Add(const MockHidInterface& m) { return AddRecord(Record(m)); }
  ::testing::AssertionResult AddRecord(const std::string& record) {
    GError* error = nullptr;
    if (umockdev_testbed_add_from_string(FBed.get(), record.c_str(), &error))
      return ::testing::AssertionSuccess();
    std::string why = error ? error->message : "unknown";
    if (error) g_error_free(error);
    return ::testing::AssertionFailure() << "umockdev refused the device: " << why;
  }

  // Announces the removal first: umockdev announces nothing itself. The
  // class link and the node go too, as the kernel's do (umockdev leaves
  // them), so the node name can be handed to the next device.
  void Remove(const MockHidInterface& m) {
    umockdev_testbed_uevent(FBed.get(), m.HidrawPath().c_str(), "remove");
    umockdev_testbed_remove_device(FBed.get(), m.TopPath().c_str());
    std::error_code ignored;
    std::filesystem::remove(Root() + "/sys/class/hidraw/hidraw" + std::to_string(m.Hidraw),
                            ignored);
    std::filesystem::remove(Root() + m.Node(), ignored);
  }

  // Hands the node's ioctls to `handler` (its "handle-ioctl" signal) from
  // now on, on a worker thread of the bed.
  ::testing::AssertionResult AttachIoctl(const MockHidInterface& m, UMockdevIoctlBase* handler) {
    GError* error = nullptr;
    if (umockdev_testbed_attach_ioctl(FBed.get(), m.Node().c_str(), handler, &error))
      return ::testing::AssertionSuccess();
    std::string why = error ? error->message : "unknown";
    if (error) g_error_free(error);
    return ::testing::AssertionFailure() << "umockdev refused the handler: " << why;
  }

  // The device's end of the node; owned by the bed.
  int DeviceEnd(const MockHidInterface& m) {
    return umockdev_testbed_get_dev_fd(FBed.get(), m.Node().c_str());
  }

  std::string Root() {
    std::unique_ptr<gchar, decltype(&g_free)> root(umockdev_testbed_get_root_dir(FBed.get()),
                                                   &g_free);
    return root.get();
  }

 private:
  std::unique_ptr<UMockdevTestbed, GObjectUnref> FBed;
};

// Reads exactly `length` bytes from the device's end; what came when the
// safety limit ran out (a hang, not a pace).
inline Bytes ReadFromDeviceEnd(int fd, std::size_t length,
                               std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  Bytes out(length);
  std::size_t got = 0;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (got < length && std::chrono::steady_clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    ssize_t n = ::read(fd, out.data() + got, length - got);
    if (n > 0) got += static_cast<std::size_t>(n);
    else if (n < 0 && errno != EINTR && errno != EAGAIN) break;
  }
  out.resize(got);
  return out;
}

inline bool WriteToDeviceEnd(int fd, const Bytes& report) {
  std::size_t done = 0;
  while (done < report.size()) {
    ssize_t n = ::write(fd, report.data() + done, report.size() - done);
    if (n > 0) done += static_cast<std::size_t>(n);
    else if (n < 0 && errno != EINTR && errno != EAGAIN) return false;
  }
  return true;
}

}  // namespace ombrel::test
