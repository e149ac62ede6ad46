// The real ombrel.exe under Wine on an X display, used as a person uses it:
// mouse clicks and key presses go in through the system's input queue, and
// what reaches the unit, played on a named pipe behind the stand-in HID.dll
// and SetupApi.dll, is compared byte for byte with what the window sends on
// Linux for the same read-back. The controls are found where the window's
// own form puts them, laid out in this process.
#include <gtest/gtest.h>

#include <windows.h>

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <map>
#include <string>

#include "app/guarded_application.h"
#include "app/main_window.h"
#include "app/memory_startup_services.h"
#include "app/program_start.h"
#include "message_pump.h"
#include "pipe_unit.h"
#include "tests/support/round_trip_cases.h"
#include "test_folders.h"

namespace {

using ombrel::test::PipeUnit;

// Centres of the controls in the window's client area.
std::map<std::string, POINT>& ControlCentres() {
  static std::map<std::string, POINT> centres;
  return centres;
}

void LayOutTheForm() {
  StartupServices services;
  services.locale = std::make_unique<FixedLocaleService>("en");
  services.settings = std::make_unique<MemorySettingStore>();
  services.mutexes = std::make_unique<MemoryMutexService>();
  services.version = std::make_unique<FixedVersionService>(std::nullopt);
  TForm1 form(std::move(services));
  form.show();
  for (const char* name : {"Button_Get_current_parameters", "Button_Apply_Save_Wi_Fi", "ComboBox_Language",
                           "ComboBox_Choose_device"}) {
    QWidget* control = form.findChild<QWidget*>(QString::fromLatin1(name));
    ASSERT_NE(control, nullptr) << name;
    const QPoint centre = control->mapTo(&form, control->rect().center());
    ControlCentres()[name] = POINT{centre.x(), centre.y()};
  }
}

// The program in its folder, started with the environment of this process
// (the stand-in unit's record and the library overrides the test runs with).
class WindowProgram {
 public:
  WindowProgram() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const std::wstring folder = ombrel::test::OwnFolder() + L"program\\";
    std::wstring command = L"\"" + folder + L"ombrel.exe\"";
    FStarted = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                &startup, &FProcess);
  }
  ~WindowProgram() {
    if (FStarted && ::WaitForSingleObject(FProcess.hProcess, 0) == WAIT_TIMEOUT) {
      if (HWND window = MainWindow(0)) ::PostMessageW(window, WM_CLOSE, 0, 0);
      if (::WaitForSingleObject(FProcess.hProcess, 20000) == WAIT_TIMEOUT) {
        ::TerminateProcess(FProcess.hProcess, 99);
        ::WaitForSingleObject(FProcess.hProcess, 10000);
      }
    }
    if (FStarted) {
      ::CloseHandle(FProcess.hProcess);
      ::CloseHandle(FProcess.hThread);
    }
  }
  WindowProgram(const WindowProgram&) = delete;
  WindowProgram& operator=(const WindowProgram&) = delete;

  bool Started() const { return FStarted; }

  // The visible top-level windows of the program.
  std::vector<HWND> Windows() const {
    struct Search {
      DWORD process;
      std::vector<HWND> found;
    } search{FProcess.dwProcessId, {}};
    ::EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
          auto* s = reinterpret_cast<Search*>(data);
          DWORD process = 0;
          ::GetWindowThreadProcessId(window, &process);
          if (process == s->process && ::IsWindowVisible(window)) s->found.push_back(window);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  // The main window, once it shows: the one with the form's client area.
  HWND MainWindow(DWORD limitMs = 60000) const {
    HWND found = nullptr;
    WaitFor(
        [&] {
          for (HWND window : Windows()) {
            RECT client{};
            ::GetClientRect(window, &client);
            if (client.right == 728 && client.bottom == 488) found = window;
          }
          return found != nullptr;
        },
        limitMs);
    return found;
  }

  // Waits for the end; the exit code, or none while it still runs.
  std::optional<DWORD> Ended(DWORD limitMs = 60000) const {
    if (!FStarted || ::WaitForSingleObject(FProcess.hProcess, limitMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(FProcess.hProcess, &code);
    return code;
  }

  static bool WaitFor(const std::function<bool()>& done, DWORD limitMs = 30000) {
    return ombrel::test::PumpMessagesUntil(done, limitMs);
  }

 private:
  PROCESS_INFORMATION FProcess{};
  BOOL FStarted = FALSE;
};

// A left click at a control's centre, through the input queue.
void Click(HWND window, const char* control) {
  POINT at = ControlCentres().at(control);
  ::ClientToScreen(window, &at);
  ::SetForegroundWindow(window);
  ::SetCursorPos(at.x, at.y);
  INPUT input[2]{};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(2, input, sizeof(INPUT));
}

void PressKey(WORD key) {
  INPUT input[2]{};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = key;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, input, sizeof(INPUT));
}

// The parameters the unit was asked for, in order.
std::vector<std::uint8_t> Requests(const std::vector<ombrel::sim::Report>& log) {
  std::vector<std::uint8_t> asked;
  for (const auto& report : log)
    if (report.size() > 3 && report[1] == 16) asked.push_back(report[3]);
  return asked;
}

bool Asked(const PipeUnit& unit, std::uint8_t parameter) {
  const auto asked = Requests(const_cast<PipeUnit&>(unit).Model().OutputLog());
  return std::find(asked.begin(), asked.end(), parameter) != asked.end();
}

// Everything but the read requests (the once-a-second poll's among them).
std::vector<ombrel::sim::Report> Writes(const std::vector<ombrel::sim::Report>& log) {
  std::vector<ombrel::sim::Report> writes;
  for (const auto& report : log)
    if (report.size() > 1 && report[1] != 16) writes.push_back(report);
  return writes;
}

std::optional<DWORD> StoredLanguage() {
  DWORD type = 0, value = 0, size = sizeof value;
  if (::RegGetValueW(HKEY_CURRENT_USER, L"SOFTWARE\\Kolvmark Tovra\\User Program", L"Number of language",
                     RRF_RT_ANY, &type, &value, &size) != ERROR_SUCCESS)
    return std::nullopt;
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << "Number of language is not a REG_DWORD";
  return value;
}

class WindowProgramTest : public ::testing::Test {
 protected:
  WindowProgramTest() {
    Config.productName = "Pendra DUO";
    Config.serialNumber = "PD2411093";
    Unit = std::make_unique<PipeUnit>(Config);
  }
  void SetUp() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Kolvmark Tovra");
    Unit->Plug();
  }
  void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Kolvmark Tovra"); }

  ombrel::sim::UnitModelConfig Config;
  std::unique_ptr<PipeUnit> Unit;
};

TEST_F(WindowProgramTest, ReadsTheUnitAndSendsTheWiFiPageAsTheWindowDoesOnLinux) {
  const ombrel::test::RoundTripCase c = ombrel::test::RoundTripCases().front();
  ombrel::test::Store(Unit->Model(), c.stored);
  WindowProgram program;
  ASSERT_TRUE(program.Started());
  const HWND window = program.MainWindow();
  ASSERT_NE(window, nullptr) << "no window";
  // The unit is listed, picked and asked for its serial number.
  ASSERT_TRUE(WindowProgram::WaitFor([&] { return Asked(*Unit, Param_Serial_number); }))
      << "the window never asked the unit for its serial number";

  Unit->Model().ClearOutputLog();
  Click(window, "Button_Get_current_parameters");
  ASSERT_TRUE(WindowProgram::WaitFor([&] { return Asked(*Unit, Param_Gateway); }))
      << "Receive current parameters did not walk the unit's settings";
  // The walk's last answer has filled the page once the poll runs again.
  WindowProgram::WaitFor([] { return false; }, 1500);

  Unit->Model().ClearOutputLog();
  Click(window, "Button_Apply_Save_Wi_Fi");
  const auto expected = ombrel::test::WindowWiFiUpload(c.wifiSent);
  ASSERT_TRUE(WindowProgram::WaitFor([&] { return Writes(Unit->Model().OutputLog()).size() >= expected.size(); }))
      << "Apply/Save sent " << Writes(Unit->Model().OutputLog()).size() << " of " << expected.size() << " writes";
  WindowProgram::WaitFor([] { return false; }, 500);
  EXPECT_EQ(Writes(Unit->Model().OutputLog()), expected) << "byte for byte, in order";
}

TEST_F(WindowProgramTest, UnpluggedAndPluggedAgainTheUnitIsTakenUpAgain) {
  WindowProgram program;
  const HWND window = program.MainWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WindowProgram::WaitFor([&] { return Unit->Connections() > 0; }));

  Unit->Unplug();
  ombrel::test::BroadcastDeviceChange();
  ASSERT_TRUE(WindowProgram::WaitFor([&] { return Unit->Connections() == 0; }));

  Unit->Model().ClearOutputLog();
  Unit->Plug();
  ombrel::test::BroadcastDeviceChange();
  ASSERT_TRUE(WindowProgram::WaitFor([&] { return Asked(*Unit, Param_Serial_number); }))
      << "the unit plugged in again was not taken up";
  Click(window, "Button_Get_current_parameters");
  EXPECT_TRUE(WindowProgram::WaitFor([&] { return Asked(*Unit, Param_Gateway); }));
  EXPECT_TRUE(program.Ended(0) == std::nullopt) << "the program ended";
}

TEST_F(WindowProgramTest, TheLanguagePickedGoesToTheRegistryAsADword) {
  WindowProgram program;
  const HWND window = program.MainWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(StoredLanguage(), std::nullopt) << "a start writes no language";
  // The box lists the languages in the table's order; English is picked on
  // an English system, Chinese is next.
  Click(window, "ComboBox_Language");
  WindowProgram::WaitFor([&] { return program.Windows().size() > 1; }, 5000);  // the list opens
  PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  ASSERT_TRUE(WindowProgram::WaitFor([] { return StoredLanguage().has_value(); }));
  EXPECT_EQ(StoredLanguage(), 2u);
}

TEST_F(WindowProgramTest, ASecondCopyEndsSilently) {
  WindowProgram first;
  ASSERT_NE(first.MainWindow(), nullptr);
  WindowProgram second;
  ASSERT_TRUE(second.Started());
  const auto code = second.Ended();
  ASSERT_TRUE(code.has_value()) << "the second copy runs on";
  EXPECT_EQ(*code, 0u);
  EXPECT_TRUE(second.Windows().empty());
  EXPECT_TRUE(first.Ended(0) == std::nullopt) << "the first copy ended";
}

TEST_F(WindowProgramTest, WithTheServiceProgramRunningTheMessageShowsAndTheProgramEnds) {
  // This process stands for the service program.
  HANDLE service = ::CreateMutexW(nullptr, FALSE, L"Service_program_Kolvmark_Tovra");
  ASSERT_NE(service, nullptr);
  Unit->Model().ClearOutputLog();
  {
    WindowProgram program;
    ASSERT_TRUE(program.Started());
    std::vector<HWND> shown;
    ASSERT_TRUE(WindowProgram::WaitFor([&] { return !(shown = program.Windows()).empty(); }, 60000))
        << "no message";
    ASSERT_EQ(shown.size(), 1u);
    RECT client{};
    ::GetClientRect(shown[0], &client);
    EXPECT_FALSE(client.right == 728 && client.bottom == 488) << "the window showed instead of the message";
    EXPECT_EQ(program.Ended(0), std::nullopt) << "ended before the message was read";
    HANDLE own = ::OpenMutexW(SYNCHRONIZE, FALSE, L"User_program_Kolvmark_Tovra");
    EXPECT_EQ(own, nullptr) << "the program took its mutex behind the message";
    if (own) ::CloseHandle(own);
    // OK, as the person reading it presses it.
    ::SetForegroundWindow(shown[0]);
    PressKey(VK_RETURN);
    const auto code = program.Ended();
    ASSERT_TRUE(code.has_value()) << "the program runs on after the message";
  }
  ::CloseHandle(service);
  EXPECT_EQ(Unit->Connections(), 0);
  EXPECT_TRUE(Unit->Model().OutputLog().empty()) << "the program talked to the unit";
}

}  // namespace

int main(int argc, char** argv) {
  // The form is laid out here offscreen; the program under test gets the
  // display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  GuardedApplication app(qtArgc, argv);
  PrepareApplication(app);  // the program's style and font, which the layout depends on
  LayOutTheForm();
  qunsetenv("QT_QPA_PLATFORM");
  ::SetEnvironmentVariableW(L"QT_QPA_PLATFORM", nullptr);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
