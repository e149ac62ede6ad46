#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTimer>

#include "tests/app/unit_fixture.h"

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

// While the start is being decided nothing may reach a unit: the service
// program may be using it.
class StartDecisionTest : public UnitFixture {
 protected:
  // What the window had done to the unit while the real message box was
  // open, seen after every event queued before the box ran.
  struct WhileTheBoxWasOpen {
    QString text;
    std::size_t opens = 0;
    std::size_t writes = 0;
    bool pollRunning = false;
  };

  // Runs FormCreate with the real message box, which is dismissed once
  // what was queued before it has run.
  TForm1::StartDecision StartWithRealBox(WhileTheBoxWasOpen& seen, ombrel::sim::SimulatedUnit& unit) {
    TForm1& f = MakeForm();
    const MessageBoxHook recorder = SetMessageBoxHook({});
    QTimer finder;
    finder.setInterval(10);
    QObject::connect(&finder, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      finder.stop();
      seen.text = box->text();
      QMetaObject::invokeMethod(
          box,
          [&, box] {
            seen.opens = unit.Device().OpenCount();
            seen.writes = unit.Device().OutputReportCount();
            seen.pollRunning = f.Timer3->isActive();
            box->accept();
          },
          Qt::QueuedConnection);
    });
    finder.start();
    const TForm1::StartDecision decision = f.FormCreate();
    SetMessageBoxHook(recorder);
    return decision;
  }
};

TEST_F(StartDecisionTest, NothingReachesTheUnitBehindTheServiceProgramMessage) {
  auto& unit = PlugUnit("Pendra DUO");
  heldMutexes = {kServiceMutexName};
  WhileTheBoxWasOpen seen;
  EXPECT_EQ(StartWithRealBox(seen, unit), TForm1::StartDecision::EndProcess);
  EXPECT_EQ(seen.text, QStringLiteral("Please close \"Service Kolvmark Tovra\""));
  EXPECT_EQ(seen.opens, 0u);
  EXPECT_EQ(seen.writes, 0u);
  EXPECT_FALSE(seen.pollRunning);
  EXPECT_EQ(form->ComboBox_Choose_device->count(), 0);
  // The process ends: the window goes with its controller.
  form.reset();
  EXPECT_EQ(unit.Device().OpenCount(), 0u);
  EXPECT_EQ(unit.Device().OutputReportCount(), 0u);
}

TEST_F(StartDecisionTest, SecondCopyNeverTouchesTheUnit) {
  auto& unit = PlugUnit("Pendra");
  heldMutexes = {kInstanceMutexName};
  EXPECT_EQ(MakeForm().FormCreate(), TForm1::StartDecision::EndProcess);
  Settle();
  EXPECT_FALSE(form->Timer3->isActive());
  form.reset();
  EXPECT_EQ(unit.Device().OpenCount(), 0u);
  EXPECT_EQ(unit.Device().OutputReportCount(), 0u);
}

TEST_F(StartDecisionTest, DecidedStartListsTheUnitAndPolls) {
  auto& unit = PlugUnit("Pendra", "PA7");
  TForm1& f = MakeForm();
  EXPECT_FALSE(f.Timer3->isActive());
  Settle();
  EXPECT_EQ(unit.Device().OpenCount(), 0u);
  ASSERT_EQ(f.FormCreate(), TForm1::StartDecision::Run);
  EXPECT_TRUE(f.Timer3->isActive());
  ASSERT_TRUE(WaitForEntries(1));
  EXPECT_TRUE(WaitFor([&] { return f.Label_Serial_number->text() == QStringLiteral("PA7"); }));
}

}  // namespace
