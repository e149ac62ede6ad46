#include "pipe_unit.h"

#include <algorithm>
#include <stdexcept>

#include "test_folders.h"

namespace ombrel::test {

namespace {

constexpr DWORD kPipeBuffer = 64 * 1024;
constexpr int kListening = 16;  // instances waiting, so quick opens never find the pipe busy

void WriteRecord(const std::wstring& path, const std::wstring& devicePath, std::uint32_t devInst,
                 const std::string& product, const std::string& serial) {
  std::string text;
  for (wchar_t c : devicePath) text.push_back(static_cast<char>(c));
  for (const std::string& line : {std::to_string(devInst), product, serial}) {
    text += '\n';
    text += line;
  }
  text += '\n';
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write the unit record");
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
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

PipeUnit::PipeUnit(sim::UnitModelConfig config, Intake intake)
    : FModel(std::move(config)), FIntake(intake) {
  FRecordPath =
      TempFolder() + L"ombrel-standin-unit-" + std::to_wstring(::GetCurrentProcessId()) + L".txt";
  ::SetEnvironmentVariableW(L"OMBREL_STANDIN_UNIT", FRecordPath.c_str());
  FModel.SetAnswerSink([this](std::span<const std::uint8_t> report) { Broadcast(report); });
}

PipeUnit::~PipeUnit() {
  Unplug();
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
              std::to_wstring(FGeneration);
  FStop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  FAccepted = 0;
  FAcceptedAtAnswer = 0;
  HANDLE stop = FStop;
  FServer = std::jthread([this, stop] { Serve(stop); });
  // The record names the pipe only once it can be opened.
  for (int i = 0; i < 500 && !::WaitNamedPipeW(FPipeName.c_str(), 1); ++i) ::Sleep(2);
  WriteRecord(FRecordPath, FPipeName, FGeneration, FModel.ProductName(), "PD2300017");
}

void PipeUnit::Unplug() {
  ::DeleteFileW(FRecordPath.c_str());
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
