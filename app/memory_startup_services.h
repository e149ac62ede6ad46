#pragma once

#include <map>
#include <set>
#include <string>

#include "app/setting_write_error.h"
#include "app/startup_services.h"

// Start-up services held in memory: for tools that render the window and for
// tests. Each keeps its state in public members that the owner sets and reads.

class FixedLocaleService : public LocaleService {
 public:
  explicit FixedLocaleService(std::string code = "en") : code(std::move(code)) {}
  std::string LanguageCode() const override { return code; }
  std::string code;
};

class MemorySettingStore : public UserSettingStore {
 public:
  std::optional<std::int64_t> ReadLanguage() override { return stored; }
  void WriteLanguage(std::int64_t value) override {
    if (failWrites) throw SettingWriteError("Number of language");
    stored = value;
  }
  std::optional<std::int64_t> stored;
  bool failWrites = false;
};

class MemoryMutexService : public NamedMutexService {
 public:
  bool Exists(std::string_view name) override { return existing.count(std::string(name)) != 0; }
  void Create(std::string_view name) override {
    existing.insert(std::string(name));
    created.insert(std::string(name));
  }
  std::set<std::string> existing;  // held by anyone
  std::set<std::string> created;   // created through this service
};

class FixedVersionService : public VersionService {
 public:
  explicit FixedVersionService(std::optional<FileVersion> version) : version(version) {}
  std::optional<FileVersion> ReadFileVersion() override { return version; }
  std::optional<FileVersion> version;
};
