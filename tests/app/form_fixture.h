#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "app/memory_startup_services.h"
#include "app/qsettings_store.h"
#include "app/show_message.h"
#include "i18n/lang_strings.h"
#include "protocol/device_settings.h"
#include "tests/app/qt_printers.h"

// Records the message boxes instead of showing them.
class MessageBoxRecorder {
 public:
  MessageBoxRecorder() {
    previous_ = SetMessageBoxHook([this](MessageKind kind, const QString& text) { boxes.emplace_back(kind, text); });
  }
  ~MessageBoxRecorder() { SetMessageBoxHook(std::move(previous_)); }
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  std::vector<std::pair<MessageKind, QString>> boxes;

 private:
  MessageBoxHook previous_;
};

// A window on start-up services held in memory; the services stay reachable
// through the raw pointers after the window took them over.
class FormFixture : public ::testing::Test {
 protected:
  FormFixture() {
    LanguageIndex = LangEng;
    ProgramVersion.clear();
    CurrentDevice = nullptr;
    DeviceSettings = {};
  }

  // Builds the window; FormCreate is left to the test.
  TForm1& MakeForm() {
    StartupServices services;
    auto l = std::make_unique<FixedLocaleService>(localeCode);
    auto s = std::make_unique<MemorySettingStore>();
    s->stored = storedLanguage;
    settings = realSettings ? nullptr : s.get();
    if (realSettings) {
      services.settings = MakeNativeStartupServices().settings;
    } else {
      services.settings = std::move(s);
    }
    auto m = std::make_unique<MemoryMutexService>();
    m->existing = heldMutexes;
    auto v = std::make_unique<FixedVersionService>(fileVersion);
    mutexes = m.get();
    services.locale = std::move(l);
    services.mutexes = std::move(m);
    services.version = std::move(v);
    form = std::make_unique<TForm1>(std::move(services), platform);
    return *form;
  }

  // Builds the window and runs its creation handler, which must let it run.
  TForm1& StartForm() {
    MakeForm();
    EXPECT_EQ(form->FormCreate(), TForm1::StartDecision::Run);
    return *form;
  }

  std::string localeCode = "en";
  std::optional<std::int64_t> storedLanguage;
  std::set<std::string> heldMutexes;
  std::optional<FileVersion> fileVersion = FileVersion{1, 0, 0, 0};
  bool realSettings = false;  // the platform's own per-user setting instead of memory
  std::shared_ptr<ombrel::platform::HidPlatform> platform;  // none: the unbound platform

  MessageBoxRecorder messages;
  std::unique_ptr<TForm1> form;
  MemorySettingStore* settings = nullptr;  // meaningful unless realSettings
  MemoryMutexService* mutexes = nullptr;
};

inline QString Utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
