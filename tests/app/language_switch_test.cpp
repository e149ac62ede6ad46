#include <gtest/gtest.h>

#include <QTest>

#include "tests/app/form_fixture.h"
#include "tests/app/native_setting.h"

namespace {

class LanguageSwitchTest : public FormFixture {
 protected:
  void SetUp() override {
    realSettings = true;
    native_setting::RemoveAll();
  }
  void TearDown() override { native_setting::RemoveAll(); }

  static std::optional<int> StoredLanguage() { return native_setting::StoredLanguage(); }

  // A pick in the language box, as the user makes it.
  static void Pick(TForm1& f, int column) {
    f.ComboBox_Language->setCurrentIndex(column);
    emit f.ComboBox_Language->activated(column);
  }
};

TEST_F(LanguageSwitchTest, PickIsStoredAndInForceAtOnce) {
  TForm1& f = StartForm();
  EXPECT_EQ(StoredLanguage(), std::nullopt);
  Pick(f, LangDeu);
  EXPECT_EQ(StoredLanguage(), LangDeu);
  EXPECT_EQ(LanguageIndex, LangDeu);
  EXPECT_EQ(f.ComboBox_Choose_device->currentText(), QStringLiteral("   Keine Geräte"));
  EXPECT_EQ(f.Label_Humidity_sensor->text(), QStringLiteral("70 %RF"));
  EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(LanguageSwitchTest, KeyboardPickInTheBox) {
  TForm1& f = StartForm();
  f.show();
  f.ComboBox_Language->setFocus();
  QTest::keyClick(f.ComboBox_Language, Qt::Key_Down);
  EXPECT_EQ(f.ComboBox_Language->currentIndex(), LangZh);
  EXPECT_EQ(StoredLanguage(), LangZh);
  EXPECT_EQ(f.Label_Choose_device->text(), QStringLiteral("选择设备"));
}

TEST_F(LanguageSwitchTest, PickIsInForceAfterARestart) {
  {
    TForm1& f = StartForm();
    Pick(f, LangPol);
  }
  form.reset();
  localeCode = "de";
  TForm1& again = StartForm();
  EXPECT_EQ(LanguageIndex, LangPol);
  EXPECT_EQ(again.ComboBox_Language->currentIndex(), LangPol);
  EXPECT_EQ(again.Label_Choose_device->text(), QStringLiteral("Wybierz urządzenie"));
}

TEST_F(LanguageSwitchTest, FailedWriteIsReportedAndKeepsTheOldLanguage) {
  TForm1& f = StartForm();
  native_setting::BreakWrites();
  Pick(f, LangRus);
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(messages.boxes[0].first, MessageKind::Error);
  EXPECT_EQ(messages.boxes[0].second, QStringLiteral("Failed to set data for 'Number of language'"));
  EXPECT_EQ(LanguageIndex, LangEng);
  EXPECT_EQ(f.Label_Choose_device->text(), QStringLiteral("Select device"));
  EXPECT_EQ(f.ComboBox_Language->currentIndex(), LangRus);

  // The next pick tries again.
  native_setting::RemoveAll();
  Pick(f, LangRus);
  EXPECT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(StoredLanguage(), LangRus);
  EXPECT_EQ(f.Label_Choose_device->text(), QStringLiteral("Выберите устройство"));
}

TEST_F(LanguageSwitchTest, SelectionFromTheProgramWritesNothing) {
  storedLanguage.reset();
  localeCode = "uk";
  TForm1& f = StartForm();
  EXPECT_EQ(f.ComboBox_Language->currentIndex(), LangUkr);
  EXPECT_EQ(StoredLanguage(), std::nullopt);
}

}  // namespace
