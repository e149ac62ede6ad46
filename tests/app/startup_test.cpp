#include <gtest/gtest.h>

#include "tests/app/form_fixture.h"

namespace {

class StartupTest : public FormFixture {};

struct LanguageCase {
  const char* locale;
  std::optional<std::int64_t> stored;
  std::uint8_t expected;
};

void PrintTo(const LanguageCase& c, std::ostream* os) {
  *os << "locale \"" << c.locale << "\", stored " << (c.stored ? std::to_string(*c.stored) : "none");
}

class StartupLanguageTest : public FormFixture, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(StartupLanguageTest, PicksTheColumn) {
  localeCode = GetParam().locale;
  storedLanguage = GetParam().stored;
  TForm1& f = StartForm();
  EXPECT_EQ(LanguageIndex, GetParam().expected);
  EXPECT_EQ(f.ComboBox_Language->currentIndex(), GetParam().expected);
  EXPECT_EQ(f.Label_Choose_device->text(), Utf8(LangStrings[0][GetParam().expected]));
}

INSTANTIATE_TEST_SUITE_P(
    LocaleAndStoredValue, StartupLanguageTest,
    ::testing::Values(LanguageCase{"de", std::nullopt, LangDeu},  // first start, German desktop
                      LanguageCase{"en", 2, LangZh},              // the stored choice wins
                      LanguageCase{"ru", 1, LangEng},
                      LanguageCase{"fr", std::nullopt, LangEng},  // a language without a column
                      LanguageCase{"", std::nullopt, LangEng},    // no locale service
                      LanguageCase{"no", 0, LangRus},
                      LanguageCase{"da", 8, LangDan},             // outside the table: the locale's
                      LanguageCase{"pl", -1, LangPol},            // low byte 255
                      LanguageCase{"uk", 256 + 6, LangPol},       // only the low 8 bits count
                      LanguageCase{"DE", std::nullopt, LangEng}   // codes compare exactly
                      ));

TEST_F(StartupTest, FirstStartWritesNoSetting) {
  localeCode = "de";
  StartForm();
  EXPECT_FALSE(settings->stored.has_value());
  EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(StartupTest, SecondCopyEndsSilently) {
  heldMutexes = {kInstanceMutexName};
  TForm1& f = MakeForm();
  EXPECT_EQ(f.FormCreate(), TForm1::StartDecision::EndProcess);
  EXPECT_TRUE(messages.boxes.empty());
  EXPECT_TRUE(mutexes->created.empty());
  EXPECT_FALSE(f.isVisible());
}

TEST_F(StartupTest, RunningServiceProgramIsReportedInTheStoredLanguage) {
  heldMutexes = {kServiceMutexName};
  storedLanguage = LangRus;
  TForm1& f = MakeForm();
  EXPECT_EQ(f.FormCreate(), TForm1::StartDecision::EndProcess);
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(messages.boxes[0].first, MessageKind::Plain);
  EXPECT_EQ(messages.boxes[0].second, QStringLiteral("Пожалуйста, закройте \"Service Kolvmark Tovra\""));
  // Its own mutex is never created, so a later start succeeds.
  EXPECT_TRUE(mutexes->created.empty());
}

TEST_F(StartupTest, CreatesTheInstanceMutex) {
  StartForm();
  EXPECT_EQ(mutexes->created, std::set<std::string>{kInstanceMutexName});
}

TEST_F(StartupTest, VersionShowsThreeOfItsFourNumbers) {
  fileVersion = FileVersion{2, 5, 7, 9};
  TForm1& f = StartForm();
  EXPECT_EQ(ProgramVersion, "2.5.7");
  EXPECT_EQ(f.Label_Versio_of_program->text(), QStringLiteral("Version: 2.5.7"));
}

TEST_F(StartupTest, WithoutVersionInformationTheLabelShowsTheWordAlone) {
  fileVersion.reset();
  storedLanguage = LangNor;
  TForm1& f = StartForm();
  EXPECT_EQ(ProgramVersion, "");
  EXPECT_EQ(f.Label_Versio_of_program->text(), QStringLiteral("Versjon: "));
}

}  // namespace
