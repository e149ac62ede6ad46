#include <cstdio>
#include <ostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "protocol/status_poll.h"

namespace ombrel::cli {
namespace {

using Clock = UnitSession::Clock;

std::string Missing(const UnitStatus& status) {
  std::string what;
  const auto add = [&what](bool missing, std::string_view name) {
    if (missing) what += (what.empty() ? "" : ", ") + std::string(name);
  };
  add(!status.wifiConnected, "the Wi-Fi state");
  add(!status.masterConnected, "the master state");
  add(!status.filterRunSeconds, "the filter run time");
  return what;
}

// One round of the poll, the filter run time included. Empty after saying
// on `err` that the unit did not answer, or when stopped (`interruptible`:
// a watch lets a round it began end, so Ctrl-C never cuts one in half).
std::optional<UnitStatus> Poll(UnitSession& session, bool interruptible, std::ostream& err) {
  WriteStatusRequests(session.Link(), true);
  UnitStatus status;
  const auto deadline = Clock::now() + session.Environment().answerLimit;
  while (!status.wifiConnected || !status.masterConnected || !status.filterRunSeconds) {
    const auto answer = session.NextAnswer(deadline, interruptible);
    if (!answer && interruptible && session.Interrupted()) return std::nullopt;
    if (!answer) {
      err << kProgram << SilenceText(session, "the request for " + Missing(status), session.Environment().answerLimit) << "\n";
      return std::nullopt;
    }
    TakeStatusAnswer(status, *answer);
  }
  return status;
}

// With `json` one object on one line: wifi, master ("connected" or
// "disconnected"), filter_run_time, filter_run_seconds.
void Print(const UnitStatus& status, bool json, std::ostream& out) {
  const FilterTimeParts t = SplitFilterTime(*status.filterRunSeconds);
  char filter[64];
  std::snprintf(filter, sizeof filter, "%ud %02u:%02u:%02u", static_cast<unsigned>(t.days),
                static_cast<unsigned>(t.hours), static_cast<unsigned>(t.minutes), static_cast<unsigned>(t.seconds));
  if (json) {
    out << "{\"wifi\": \"" << (*status.wifiConnected ? "connected" : "disconnected") << "\", \"master\": \""
        << (*status.masterConnected ? "connected" : "disconnected") << "\", \"filter_run_time\": \"" << filter
        << "\", \"filter_run_seconds\": " << *status.filterRunSeconds << "}\n";
    out.flush();
    return;
  }
  out << "wifi = " << (*status.wifiConnected ? "connected" : "disconnected") << "\n"
      << "master = " << (*status.masterConnected ? "connected" : "disconnected") << "\n"
      << "filter_run_time = " << filter << "\n"
      << "filter_run_seconds = " << *status.filterRunSeconds << "\n";
  out.flush();
}

}  // namespace

int StatusCommand(const UnitEnvironment& env, const Invocation& how, Streams io) {
  auto session = OpenUnit(env, how.unit, io.err);
  if (!session) return kExitUnit;
  auto next = Clock::now();
  for (bool first = true;; first = false) {
    const auto status = Poll(*session, !how.watch, io.err);
    if (!status && session->Interrupted() && !how.watch) {
      io.err << kProgram << "interrupted while asking " << UnitName(session->Selected()) << "\n";
      return kExitInterrupted;
    }
    if (!CheckWrites(*session, io.err) || !status) return kExitUnit;
    if (!first && !how.json) io.out << "\n";
    Print(*status, how.json, io.out);
    if (!how.watch) return kExitOk;
    // Nobody reads any more (a full disk, a closed pipe): the caller says so.
    if (!io.out) return kExitOutput;
    // The poll's own beat: once a second from the first poll on.
    next += std::chrono::milliseconds(kStatusPollIntervalMs);
    while (Clock::now() < next) {
      if (session->Interrupted()) return kExitOk;
      session->NextAnswer(std::min(next, Clock::now() + std::chrono::milliseconds(50)));
    }
    if (session->Interrupted()) return kExitOk;
  }
}

}  // namespace ombrel::cli
