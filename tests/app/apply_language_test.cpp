#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "app/wrap_button.h"
#include "tests/app/form_fixture.h"

namespace {

class ApplyLanguageTest : public FormFixture {};

TEST_F(ApplyLanguageTest, EnglishStartWithoutUnit) {
  TForm1& f = StartForm();
  EXPECT_EQ(f.Button_Apply_Save_Wi_Fi->text(), QStringLiteral("Apply/Save"));
  EXPECT_EQ(f.Button_Apply_Save_Fan->text(), QStringLiteral("Apply/Save"));
  EXPECT_EQ(f.ComboBox_Choose_device->currentText(), QStringLiteral("   No devices"));
  EXPECT_EQ(f.Label_Timer_filter->text(), QStringLiteral("Days: 00    Hours: 00    Minutes: 00    Seconds: 00"));
  EXPECT_EQ(f.Label_Versio_of_program->text(), QStringLiteral("Version: 1.0.0"));
  EXPECT_EQ(f.Label_Humidity_sensor->text(), QStringLiteral("70 %RH"));
  EXPECT_EQ(f.Label_Password->text(), QStringLiteral("New Wi-Fi password (8 - 60 characters)"));
  EXPECT_EQ(f.Panel_Wi_Fi_State_connection->text(), QStringLiteral("Wi-Fi Disconnected"));
  EXPECT_EQ(f.Panel_Master_State_connection->text(), QStringLiteral("Master Disconnected"));
  EXPECT_EQ(f.PageControl->tabText(3), QStringLiteral("Information"));
  EXPECT_EQ(f.Button_Search_Wi_Fi->text(), QStringLiteral("Search Wi-Fi"));
  EXPECT_EQ(f.Label_Gateway->text(), QStringLiteral("Default Gateway"));
  // Not captioned from the table: the title, the lists' items, the serial
  // number and the second sensor's label.
  EXPECT_EQ(f.windowTitle(), QStringLiteral("Ombrel"));
  EXPECT_EQ(f.ComboBox_Security_WI_FI->itemText(0), QStringLiteral("OPEN"));
  EXPECT_EQ(f.Label_Serial_number->text(), QStringLiteral("FFFFFFFFFFFFFFFFFFFFFFFF"));
  EXPECT_EQ(f.Label_External_sensor2->text(), QStringLiteral("50 %"));
  EXPECT_TRUE(f.Label_User_Manual->isHidden());
}

TEST_F(ApplyLanguageTest, SwitchChangesTheUnitAfterTheHumidityNumberOnly) {
  TForm1& f = StartForm();
  f.TrackBar_Humidity_sensor->setValue(12);
  LanguageIndex = LangDeu;
  f.ApplyLanguage();
  EXPECT_EQ(f.Label_Humidity_sensor->text(), QStringLiteral("60 %RF"));
  LanguageIndex = LangEng;
  f.ApplyLanguage();
  EXPECT_EQ(f.Label_Humidity_sensor->text(), QStringLiteral("60 %RH"));
}

TEST_F(ApplyLanguageTest, FilterLabelWithoutColonsInDanish) {
  TForm1& f = StartForm();
  LanguageIndex = LangDan;
  f.ApplyLanguage();
  EXPECT_EQ(f.Label_Timer_filter->text(), QStringLiteral("Dage00    Timer00    Minutter00    Sekunder00"));
  EXPECT_EQ(f.Label_Versio_of_program->text(), QStringLiteral("Version: 1.0.0"));
}

TEST_F(ApplyLanguageTest, PasswordLabelAsksForANewPasswordOnlyForAMasterWithoutRouter) {
  const struct {
    bool master, withoutRouter;
    int row;
  } cases[] = {{true, true, 19}, {false, true, 20}, {true, false, 20}, {false, false, 20}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "master " << c.master << ", without router " << c.withoutRouter);
    TForm1& f = StartForm();
    (c.master ? f.RadioButton_master : f.RadioButton_slave)->setChecked(true);
    (c.withoutRouter ? f.RadioButton_without_router : f.RadioButton_with_router)->setChecked(true);
    LanguageIndex = LangPol;
    f.ApplyLanguage();
    EXPECT_EQ(f.Label_Password->text(), Utf8(LangStrings[c.row][LangPol]));
  }
}

TEST_F(ApplyLanguageTest, SelectedDeviceEntryKeepsItsText) {
  TForm1& f = StartForm();
  f.ComboBox_Choose_device->addItem(QStringLiteral("1. Pendra DUO"));
  f.ComboBox_Choose_device->setCurrentIndex(0);
  LanguageIndex = LangRus;
  f.ApplyLanguage();
  EXPECT_EQ(f.ComboBox_Choose_device->currentText(), QStringLiteral("1. Pendra DUO"));
  // Without a selection the box shows the no-device row of the new language.
  f.ComboBox_Choose_device->clear();
  f.ApplyLanguage();
  EXPECT_EQ(f.ComboBox_Choose_device->currentText(), QStringLiteral("   Нет устройств"));
}

// The width a caption needs inside its control.
int NeededWidth(QWidget* w, const QString& text) {
  const int textWidth = w->fontMetrics().horizontalAdvance(text);
  QStyle* style = w->style();
  if (qobject_cast<QRadioButton*>(w)) {
    return textWidth + style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, w) +
           style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, w);
  }
  if (qobject_cast<QCheckBox*>(w)) {
    return textWidth + style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
           style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
  }
  if (qobject_cast<QPushButton*>(w)) return textWidth + 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w) / 2;
  if (auto* label = qobject_cast<QLabel*>(w)) return textWidth + 2 * label->frameWidth();
  return textWidth;
}

// Every caption of every language fits its control: nothing is cut off.
TEST_F(ApplyLanguageTest, EveryCaptionFitsInEveryLanguage) {
  for (std::uint8_t column = 0; column < LangColumnCount; ++column) {
    SCOPED_TRACE(testing::Message() << "column " << int(column));
    storedLanguage = column;
    TForm1& f = StartForm();
    f.show();
    for (QWidget* w : f.findChildren<QWidget*>()) {
      QString text;
      if (auto* label = qobject_cast<QLabel*>(w)) text = label->text();
      else if (auto* button = qobject_cast<QAbstractButton*>(w)) text = button->text();
      if (text.isEmpty() || w->objectName().isEmpty()) continue;
      if (auto* wrap = qobject_cast<WrapButton*>(w)) {
        EXPECT_LE(wrap->sizeHint().height(), wrap->height()) << w->objectName().toStdString();
        continue;
      }
      const int available = w->property("sizesToText").toBool()
                                ? w->parentWidget()->width() - w->x()
                                : w->width();
      EXPECT_LE(NeededWidth(w, text), available)
          << w->objectName().toStdString() << ": \"" << text.toStdString() << "\"";
      // A caption that outgrew its box in the form must stay inside its container.
      const QVariant design = w->property("designGeometry");
      if (design.isValid() && design.toRect() != w->geometry()) {
        EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << w->objectName().toStdString();
      }
    }
    for (int page = 0; page < f.PageControl->count(); ++page) {
      EXPECT_FALSE(f.PageControl->tabText(page).isEmpty());
    }
  }
}

}  // namespace
