// Renders the window offscreen in each language, once per page, to PNG files:
//   ombrel-screenshots <folder>
// window-eng.png is the English window as it opens, window-eng-fan.png the
// same with the Fan page showing, window-eng-slave-router.png the Wi-Fi page
// of a slave with a router, and so on; window-eng-unit*.png show the demo's
// simulated unit after its settings were read.

#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QThread>
#include <QRadioButton>

#include <cstdio>

#include "app/app_style.h"
#include "app/demo_unit.h"
#include "app/guarded_application.h"
#include "app/jv_ip_address.h"
#include "app/lang_qt.h"
#include "app/main_window.h"
#include "app/memory_startup_services.h"
#include "hid/platform/virtual_bus.h"
#include "sim/simulated_unit.h"

namespace {

constexpr const char* kFileNames[LangColumnCount] = {"rus", "eng", "zh", "ukr", "deu", "dan", "pol", "nor"};

StartupServices DemoServices(std::uint8_t column) {
  StartupServices services;
  services.locale = std::make_unique<FixedLocaleService>("en");
  auto settings = std::make_unique<MemorySettingStore>();
  settings->stored = column;
  services.settings = std::move(settings);
  services.mutexes = std::make_unique<MemoryMutexService>();
  services.version = std::make_unique<FixedVersionService>(FileVersion{1, 0, 0, 0});
  return services;
}

// Writes a picture of the window; 1 when it could not be written.
int Save(TForm1& form, const QString& path) {
  if (!form.grab().save(path)) {
    std::fprintf(stderr, "Cannot write %s\n", qPrintable(path));
    return 1;
  }
  std::printf("%s\n", qPrintable(path));
  return 0;
}

// Runs the event loop until `done` holds or `ms` have passed.
template <typename Predicate>
bool WaitUntil(Predicate done, int ms = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return true;
}

// The English window with the demo's unit, after its settings were read.
int RenderWithUnit(const QString& folder) {
  auto bus = std::make_shared<ombrel::platform::VirtualHidBus>();
  ombrel::sim::SimulatedUnit unit(*bus, ombrel::sim::DemoUnitConfig());
  ombrel::sim::ConfigureDemoUnit(unit.Model());
  unit.Model().SetWiFiState(1);
  TForm1 form(DemoServices(LangEng), bus);
  form.FormCreate();
  form.show();
  const QString serial = QString::fromStdString(ombrel::sim::DemoUnitConfig().serialNumber);
  bool ready = WaitUntil([&] { return form.Label_Serial_number->text() == serial; });
  form.Button_Get_current_parameters->click();
  ready = ready && WaitUntil([&] { return form.JvGateway->Text() == QStringLiteral("192.168.1.254"); });
  ready = ready && WaitUntil([&] { return form.Panel_Wi_Fi_State_connection->text() == LangQ(27); });
  if (!ready) {
    std::fprintf(stderr, "The simulated unit did not answer\n");
    return 1;
  }
  const QString stem = folder + QStringLiteral("/window-eng-unit");
  int failures = Save(form, stem + QStringLiteral(".png"));
  form.PageControl->setCurrentWidget(form.Fan);
  failures += Save(form, stem + QStringLiteral("-fan.png"));
  form.PageControl->setCurrentWidget(form.Filter);
  const QString zero = form.Label_Timer_filter->text();
  WaitUntil([&] { return form.Label_Timer_filter->text() != zero; }, 3000);
  failures += Save(form, stem + QStringLiteral("-filter.png"));
  return failures;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  GuardedApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Ombrel"));
  ApplyApplicationStyle(app);

  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "Cannot make the folder %s\n", qPrintable(folder));
    return 1;
  }
  int failures = 0;
  for (std::uint8_t column = 0; column < LangColumnCount; ++column) {
    // No unit plugged in: the window as the program shows it after its
    // first device pass found none.
    auto bus = std::make_shared<ombrel::platform::VirtualHidBus>();
    TForm1 form(DemoServices(column), bus);
    form.FormCreate();
    form.show();
    if (!WaitUntil([&] { return form.Label_Serial_number->text().isEmpty(); })) {
      std::fprintf(stderr, "The window's first device pass did not run\n");
      return 1;
    }
    const QString stem = folder + QStringLiteral("/window-") + QString::fromLatin1(kFileNames[column]);
    // The window as it opens, then once with each further page showing.
    for (int page = 0; page < form.PageControl->count(); ++page) {
      form.PageControl->setCurrentIndex(page);
      const QString suffix =
          page > 0 ? QLatin1Char('-') + form.PageControl->widget(page)->objectName().toLower() : QString();
      failures += Save(form, stem + suffix + QStringLiteral(".png"));
    }
    // The Wi-Fi page in the three further modes of role and connection.
    form.PageControl->setCurrentWidget(form.Wi_Fi);
    const struct {
      QRadioButton* role;
      QRadioButton* connection;
      const char* name;
    } modes[] = {{form.RadioButton_master, form.RadioButton_with_router, "-master-router"},
                 {form.RadioButton_slave, form.RadioButton_without_router, "-slave"},
                 {form.RadioButton_slave, form.RadioButton_with_router, "-slave-router"}};
    for (const auto& mode : modes) {
      mode.role->setChecked(true);
      mode.connection->setChecked(true);
      failures += Save(form, stem + QString::fromLatin1(mode.name) + QStringLiteral(".png"));
    }
  }
  failures += RenderWithUnit(folder);
  return failures == 0 ? 0 : 1;
}
