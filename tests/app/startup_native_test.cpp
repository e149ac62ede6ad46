// The window's start on the platform's own start-up services: the per-user
// setting where the platform keeps it, and the named mutexes the system
// holds. They share the user's setting and mutexes with anything else that
// runs, so CTest runs them one at a time with the programs' own tests.
#include <gtest/gtest.h>

#include "tests/app/form_fixture.h"
#include "tests/app/native_setting.h"

namespace {

using NativeStartupTest = NativeSettingFixture;

TEST_F(NativeStartupTest, FirstStartCreatesTheSettingsStoreWithoutTheValue) {
  realSettings = true;
  localeCode = "de";
  ASSERT_FALSE(native_setting::StoreExists());
  StartForm();
  EXPECT_TRUE(native_setting::StoreExists());
  EXPECT_EQ(native_setting::StoredLanguage(), std::nullopt);
  EXPECT_EQ(LanguageIndex, LangDeu);
}

TEST_F(NativeStartupTest, AStoredLanguageIsUsed) {
  realSettings = true;
  native_setting::Store(LangUkr);
  localeCode = "de";
  TForm1& f = StartForm();
  EXPECT_EQ(LanguageIndex, LangUkr);
  EXPECT_EQ(f.ComboBox_Language->currentIndex(), LangUkr);
}

TEST_F(NativeStartupTest, DemoRunsBesideTheProgramAndKeepsItsOwnLanguage) {
  // The program runs: it holds its mutex.
  StartupServices program = MakeNativeStartupServices();
  ASSERT_FALSE(program.mutexes->Exists(kInstanceMutexName)) << "another copy runs in this session";
  program.mutexes->Create(kInstanceMutexName);
  {
    TForm1 demo(MakeNativeStartupServices(kDemoProgramNames));
    ASSERT_EQ(demo.FormCreate(), TForm1::StartDecision::Run);
    // A second demo ends, as a second program does.
    TForm1 secondDemo(MakeNativeStartupServices(kDemoProgramNames));
    EXPECT_EQ(secondDemo.FormCreate(), TForm1::StartDecision::EndProcess);
    demo.ComboBox_Language->setCurrentIndex(LangDan);
    emit demo.ComboBox_Language->activated(LangDan);
  }
  EXPECT_EQ(native_setting::StoredLanguage(NATIVE_SETTING_NAME("User Program Demo")), LangDan);
  EXPECT_EQ(native_setting::StoredLanguage(), std::nullopt);
  EXPECT_TRUE(messages.boxes.empty());
}

}  // namespace
