// The window's start on Windows: the start-up services it picks there, and
// the mutexes and the registry as the system holds them.
#include <gtest/gtest.h>

#include <windows.h>

#include "startup/windows/windows_startup_services.h"
#include "tests/app/form_fixture.h"
#include "tests/app/native_setting.h"

namespace {

using namespace ombrel::startup;

// A named mutex of this process, made as another program makes it; `deny`
// leaves every opener out, as a copy started elevated or under another
// account does.
class SessionMutex {
 public:
  explicit SessionMutex(const wchar_t* name, bool deny = false) {
    SECURITY_DESCRIPTOR descriptor;
    ACL empty;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    if (deny) {
      ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
      ::InitializeAcl(&empty, sizeof empty, ACL_REVISION);
      ::SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE);
      attributes.lpSecurityDescriptor = &descriptor;
    }
    FHandle = ::CreateMutexW(&attributes, FALSE, name);
    FExisted = ::GetLastError() == ERROR_ALREADY_EXISTS;
  }
  ~SessionMutex() {
    if (FHandle) ::CloseHandle(FHandle);
  }
  SessionMutex(const SessionMutex&) = delete;
  SessionMutex& operator=(const SessionMutex&) = delete;
  bool Made() const { return FHandle && !FExisted; }

 private:
  HANDLE FHandle = nullptr;
  bool FExisted = false;
};

class WindowsStartupTest : public NativeSettingFixture {
 protected:
  TForm1& MakeNativeForm() {
    form = std::make_unique<TForm1>(MakeNativeStartupServices());
    return *form;
  }
};

TEST_F(WindowsStartupTest, TheNativeServicesAreTheWindowsOnes) {
  StartupServices services = MakeNativeStartupServices();
  EXPECT_NE(dynamic_cast<WindowsLocaleService*>(services.locale.get()), nullptr);
  EXPECT_NE(dynamic_cast<RegistrySettingStore*>(services.settings.get()), nullptr);
  EXPECT_NE(dynamic_cast<WindowsMutexService*>(services.mutexes.get()), nullptr);
  EXPECT_NE(dynamic_cast<ResourceVersionService*>(services.version.get()), nullptr);
}

TEST_F(WindowsStartupTest, AFirstStartCreatesTheKeyAndTakesTheVersionFromTheProgramFile) {
  TForm1& f = MakeNativeForm();
  ASSERT_EQ(f.FormCreate(), TForm1::StartDecision::Run);
  EXPECT_TRUE(native_setting::StoreExists());
  EXPECT_EQ(native_setting::StoredLanguage(), std::nullopt);
  // This test program carries the programs' version resource.
  EXPECT_EQ(ProgramVersion, "1.0.0");
  EXPECT_TRUE(f.Label_Versio_of_program->text().endsWith(QStringLiteral("1.0.0")));
  EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(WindowsStartupTest, AStoredDwordPicksTheLanguage) {
  native_setting::Store(LangPol);
  TForm1& f = MakeNativeForm();
  ASSERT_EQ(f.FormCreate(), TForm1::StartDecision::Run);
  EXPECT_EQ(LanguageIndex, LangPol);
  EXPECT_EQ(f.ComboBox_Language->currentIndex(), LangPol);
  EXPECT_EQ(f.Label_Choose_device->text(), QStringLiteral("Wybierz urządzenie"));
}

TEST_F(WindowsStartupTest, ARunningCopyEndsTheStartSilently) {
  SessionMutex running(L"User_program_Kolvmark_Tovra");
  ASSERT_TRUE(running.Made()) << "another copy runs in this session";
  EXPECT_EQ(MakeNativeForm().FormCreate(), TForm1::StartDecision::EndProcess);
  EXPECT_TRUE(messages.boxes.empty());
}

struct ServiceCase {
  const char* name;
  bool deny;
};

class WindowsServiceProgramTest : public WindowsStartupTest,
                                  public ::testing::WithParamInterface<ServiceCase> {};

TEST_P(WindowsServiceProgramTest, TheServiceProgramIsNamedInTheStoredLanguageAndTheStartEnds) {
  native_setting::Store(LangDeu);
  SessionMutex service(L"Service_program_Kolvmark_Tovra", GetParam().deny);
  ASSERT_TRUE(service.Made());
  EXPECT_EQ(MakeNativeForm().FormCreate(), TForm1::StartDecision::EndProcess);
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(messages.boxes[0].second, QStringLiteral("Bitte \"Service Kolvmark Tovra\" schließen"));
  // Its own mutex was never made, so a start after the service program
  // has ended runs.
  HANDLE own = ::OpenMutexW(SYNCHRONIZE, FALSE, L"User_program_Kolvmark_Tovra");
  EXPECT_EQ(own, nullptr);
  if (own) ::CloseHandle(own);
}

INSTANTIATE_TEST_SUITE_P(OpenOrRefused, WindowsServiceProgramTest,
                         ::testing::Values(ServiceCase{"Open", false}, ServiceCase{"AccessDenied", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
