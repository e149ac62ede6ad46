#include "pipe_unit.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <string>

#include "test_folders.h"

namespace ombrel::test {

namespace {

constexpr DWORD kPipeBuffer = 64 * 1024;
constexpr int kListening = 16;  // instances waiting, so quick opens never find the pipe busy

// A process-wide count: records and pipes of different units never share a name.
std::atomic<unsigned> gRecords{0};
std::atomic<unsigned> gUnits{0};

bool WriteFileWhole(const std::wstring& path, const std::string& text) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
  return ok && written == text.size();
}

}  // namespace

struct PipeUnit::Connection {
  HANDLE Pipe = INVALID_HANDLE_VALUE;
  HANDLE WriteEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::mutex WriteLock;
  // A read of what the handle writes may be pending (or about to be).
  std::atomic<bool> Reading{false};
  ~Connection() {
    if (Pipe != INVALID_HANDLE_VALUE) ::CloseHandle(Pipe);
    ::CloseHandle(WriteEvent);
  }
};

StandinRecord::StandinRecord()
    : FPath(TempFolder() + L"ombrel-standin-unit-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++gRecords) + L".txt") {
  ::SetEnvironmentVariableW(L"OMBREL_STANDIN_UNIT", FPath.c_str());
}

StandinRecord::~StandinRecord() { ::DeleteFileW(FPath.c_str()); }

unsigned StandinRecord::Join(const PipeUnit* unit) {
  std::lock_guard lock(FLock);
  Entry entry;
  entry.Unit = unit;
  FUnits.push_back(std::move(entry));
  return FJoined++;
}

void StandinRecord::Leave(const PipeUnit* unit) {
  std::lock_guard lock(FLock);
  std::erase_if(FUnits, [unit](const Entry& e) { return e.Unit == unit; });
  Save();  // a unit going away leaves the others listed even if this fails
}

void StandinRecord::Plugged(const PipeUnit* unit, std::wstring devicePath, std::uint32_t devInst,
                            std::string product, std::string serial) {
  std::lock_guard lock(FLock);
  for (Entry& e : FUnits) {
    if (e.Unit != unit) continue;
    e = Entry{unit, true, std::move(devicePath), devInst, std::move(product), std::move(serial)};
  }
  if (!Save()) throw std::runtime_error("cannot write the unit record");
}

void StandinRecord::Unplugged(const PipeUnit* unit) {
  std::lock_guard lock(FLock);
  for (Entry& e : FUnits)
    if (e.Unit == unit) e.Plugged = false;
  Save();
}

bool StandinRecord::Save() {
  std::string text;
  for (const Entry& e : FUnits) {
    if (!e.Plugged) continue;
    for (wchar_t c : e.DevicePath) text.push_back(static_cast<char>(c));
    for (const std::string& line : {std::to_string(e.DevInst), e.Product, e.Serial}) {
      text += '\n';
      text += line;
    }
    text += '\n';
  }
  if (text.empty()) return ::DeleteFileW(FPath.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
  // Written beside and moved over the record in one step, so a program
  // reading it meanwhile sees the units before or after, never half a list.
  const std::wstring next = FPath + L".new";
  if (!WriteFileWhole(next, text)) return false;
  for (int i = 0; i < 50; ++i) {
    if (::MoveFileExW(next.c_str(), FPath.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    ::Sleep(10);  // a reader of the record may hold it for a moment
  }
  ::DeleteFileW(next.c_str());
  return false;
}

PipeUnit::PipeUnit(sim::UnitModelConfig config, Intake intake)
    : PipeUnit(std::make_shared<StandinRecord>(), std::move(config), intake) {}

PipeUnit::PipeUnit(std::shared_ptr<StandinRecord> record, sim::UnitModelConfig config, Intake intake)
    : FModel(std::move(config)),
      FIntake(intake),
      FRecord(std::move(record)),
      FPlace(FRecord->Join(this)),
      FNumber(++gUnits) {
  FModel.SetAnswerSink([this](std::span<const std::uint8_t> report) { Broadcast(report); });
}

PipeUnit::~PipeUnit() {
  Unplug();
  FRecord->Leave(this);
  FModel.SetAnswerSink(nullptr);
  ::CloseHandle(FHolding);
  ::CloseHandle(FTaking);
}

void PipeUnit::StopTaking() {
  ::ResetEvent(FTaking);
  ::SetEvent(FHolding);
  // Each connection sees the hold before its next read, or cancels the read
  // it has pending.
  const ULONGLONG deadline = ::GetTickCount64() + 10000;
  for (;;) {
    bool reading = false;
    {
      std::lock_guard lock(FLock);
      for (const auto& connection : FOpen) reading = reading || connection->Reading;
    }
    if (!reading) return;
    if (::GetTickCount64() >= deadline) throw std::runtime_error("the unit's reads did not stop");
    ::Sleep(2);
  }
}

void PipeUnit::TakeAgain() {
  ::ResetEvent(FHolding);
  ::SetEvent(FTaking);
}

std::wstring PipeUnit::DevicePath() const { return FPipeName; }

void PipeUnit::Plug() {
  Unplug();
  ++FGeneration;
  FPipeName = L"\\\\.\\pipe\\ombrel-unit-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
              std::to_wstring(FNumber) + L"-" + std::to_wstring(FGeneration);
  FStop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  FAccepted = 0;
  FAcceptedAtAnswer = 0;
  HANDLE stop = FStop;
  FServer = std::jthread([this, stop] { Serve(stop); });
  // The record names the pipe only once it can be opened.
  for (int i = 0; i < 500 && !::WaitNamedPipeW(FPipeName.c_str(), 1); ++i) ::Sleep(2);
  FRecord->Plugged(this, FPipeName, DevInst(), FModel.ProductName(), FModel.SerialNumber());
}

void PipeUnit::Unplug() {
  FRecord->Unplugged(this);
  if (!FStop) return;
  ::SetEvent(FStop);
  FServer.join();  // no connection starts after this
  std::list<std::jthread> threads;
  {
    std::lock_guard lock(FLock);
    threads.swap(FThreads);
  }
  threads.clear();  // joins every connection
  {
    std::lock_guard lock(FLock);
    FOpen.clear();  // closes every pipe end still open
  }
  ::CloseHandle(FStop);
  FStop = nullptr;
  FConnections = 0;
}

void PipeUnit::Serve(HANDLE stop) {
  struct Waiting {
    HANDLE Pipe = INVALID_HANDLE_VALUE;
    HANDLE Event = nullptr;
    OVERLAPPED Overlapped{};
  };
  std::vector<std::unique_ptr<Waiting>> waiting;
  auto listen = [&]() -> std::unique_ptr<Waiting> {
    auto w = std::make_unique<Waiting>();
    // No room for what handles write: a write completes once read.
    const DWORD inBuffer = FIntake == Intake::OneAtATime ? 0 : kPipeBuffer;
    w->Pipe = ::CreateNamedPipeW(FPipeName.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                 PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                 PIPE_UNLIMITED_INSTANCES, kPipeBuffer, inBuffer, 0, nullptr);
    w->Event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    w->Overlapped.hEvent = w->Event;
    if (!::ConnectNamedPipe(w->Pipe, &w->Overlapped)) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_PIPE_CONNECTED) ::SetEvent(w->Event);
    }
    return w;
  };
  for (int i = 0; i < kListening; ++i) waiting.push_back(listen());
  for (;;) {
    std::vector<HANDLE> events{stop};
    for (auto& w : waiting) events.push_back(w->Event);
    const DWORD which = ::WaitForMultipleObjects(static_cast<DWORD>(events.size()), events.data(),
                                                 FALSE, INFINITE);
    if (which == WAIT_OBJECT_0 || which >= WAIT_OBJECT_0 + events.size()) break;
    std::unique_ptr<Waiting> connected = std::move(waiting[which - WAIT_OBJECT_0 - 1]);
    waiting[which - WAIT_OBJECT_0 - 1] = listen();
    DWORD ignored = 0;
    ::GetOverlappedResult(connected->Pipe, &connected->Overlapped, &ignored, FALSE);
    auto connection = std::make_shared<Connection>();
    connection->Pipe = connected->Pipe;
    ::CloseHandle(connected->Event);
    {
      std::lock_guard lock(FLock);
      FOpen.push_back(connection);
      ++FConnections;
      ++FAccepted;
      FThreads.emplace_back([this, connection, stop] { ServeConnection(connection, stop); });
    }
  }
  for (auto& w : waiting) {
    ::CancelIo(w->Pipe);
    ::CloseHandle(w->Pipe);
    ::CloseHandle(w->Event);
  }
}

void PipeUnit::ServeConnection(std::shared_ptr<Connection> connection, HANDLE stop) {
  HANDLE readEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::vector<std::uint8_t> buffer(1024);
  for (;;) {
    // Reading is set before the hold is looked at, so StopTaking() either
    // sees it or this thread sees the hold.
    connection->Reading = true;
    if (::WaitForSingleObject(FHolding, 0) == WAIT_OBJECT_0) {
      connection->Reading = false;
      HANDLE events[] = {stop, FTaking};
      if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0) break;
      continue;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = readEvent;
    ::ResetEvent(readEvent);
    DWORD n = 0;
    BOOL ok = ::ReadFile(connection->Pipe, buffer.data(), static_cast<DWORD>(buffer.size()), &n,
                         &overlapped);
    if (!ok && ::GetLastError() == ERROR_IO_PENDING) {
      HANDLE events[] = {stop, readEvent, FHolding};
      const DWORD which = ::WaitForMultipleObjects(3, events, FALSE, INFINITE);
      if (which != WAIT_OBJECT_0 + 1) {
        ::CancelIo(connection->Pipe);
        // A report read in the moment before the cancel is taken all the same.
        ok = ::GetOverlappedResult(connection->Pipe, &overlapped, &n, TRUE);
        if (which == WAIT_OBJECT_0) break;
        connection->Reading = false;
        if (ok && n > 0) FModel.HandleOutputReport(std::span(buffer.data(), n));
        if (ok || ::GetLastError() == ERROR_OPERATION_ABORTED) continue;
        break;
      }
      ok = ::GetOverlappedResult(connection->Pipe, &overlapped, &n, FALSE);
    }
    if (!ok) break;  // the handle was closed: this connection ends
    if (n > 0) FModel.HandleOutputReport(std::span(buffer.data(), n));
  }
  connection->Reading = false;
  ::CloseHandle(readEvent);
  std::lock_guard lock(FLock);
  auto it = std::find(FOpen.begin(), FOpen.end(), connection);
  if (it != FOpen.end()) {
    ::DisconnectNamedPipe(connection->Pipe);
    FOpen.erase(it);
    --FConnections;
  }
}

void PipeUnit::Broadcast(std::span<const std::uint8_t> report) {
  // A report reaches the handles open when it is sent, as a HID device's
  // does. A program opens its read handle before its first request; the
  // wait gives this server's own loop the moment to take in every handle
  // that program opened before its first answer goes out (a real unit's
  // answer takes a few milliseconds over USB). Each program run that
  // opened handles gets the wait, not only the first since the plug.
  if (const unsigned accepted = FAccepted.load(); FAcceptedAtAnswer.exchange(accepted) != accepted) ::Sleep(300);
  std::vector<std::shared_ptr<Connection>> open;
  {
    std::lock_guard lock(FLock);
    open = FOpen;
  }
  for (auto& connection : open) {
    std::lock_guard lock(connection->WriteLock);
    OVERLAPPED overlapped{};
    overlapped.hEvent = connection->WriteEvent;
    ::ResetEvent(connection->WriteEvent);
    DWORD n = 0;
    if (::WriteFile(connection->Pipe, report.data(), static_cast<DWORD>(report.size()), &n,
                    &overlapped))
      continue;
    if (::GetLastError() != ERROR_IO_PENDING) continue;
    // A handle that reads nothing fills up; like a full HID queue it loses
    // the report rather than hold up the unit.
    if (::WaitForSingleObject(connection->WriteEvent, 200) != WAIT_OBJECT_0) {
      ::CancelIo(connection->Pipe);
    }
    ::GetOverlappedResult(connection->Pipe, &overlapped, &n, TRUE);
  }
}

}  // namespace ombrel::test
