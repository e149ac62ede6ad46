// Runs a program as a child process with its standard streams captured.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace ombrel::test {

struct ProgramRun {
  int code = -1;  // the exit status; -1 when it did not end by itself
  std::string out;
  std::string err;
  std::chrono::steady_clock::duration took{};
};

// What a test does beside the program.
struct ProgramHooks {
  // Standard output goes to this file instead of being captured.
  std::string stdoutPath;
  // Called with the program's process while it runs, every 100 ms or
  // sooner, until it returns true (e.g. once it has sent it a signal).
  std::function<bool(pid_t)> poke;
};

// `input` goes to the program's standard input. `environment` adds to (or
// replaces in) this process's environment. The limit is a guard against a
// hang, not a pace: a program still running then is killed.
inline ProgramRun RunProgram(const std::vector<std::string>& argv, const std::string& input = {},
                             const std::vector<std::string>& environment = {},
                             std::chrono::milliseconds limit = std::chrono::seconds(30),
                             const ProgramHooks& hooks = {}) {
  ProgramRun run;
  int in[2], out[2], err[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return run;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  if (hooks.stdoutPath.empty()) {
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, hooks.stdoutPath.c_str(), O_WRONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);

  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const std::string& add : environment)
      replaced |= entry.substr(0, entry.find('=') + 1) == add.substr(0, add.find('=') + 1);
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), environment.begin(), environment.end());
  std::vector<char*> envp, args;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argvCopy = argv;
  for (auto& a : argvCopy) args.push_back(a.data());
  args.push_back(nullptr);

  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  if (spawned != 0) {
    ::close(in[1]);
    ::close(out[0]);
    ::close(err[0]);
    return run;
  }
  // Small inputs fit the pipe: written whole, then closed for end of file.
  if (!input.empty()) [[maybe_unused]] auto n = ::write(in[1], input.data(), input.size());
  ::close(in[1]);

  const auto deadline = start + limit;
  std::array<pollfd, 2> fds{{{out[0], POLLIN, 0}, {err[0], POLLIN, 0}}};
  std::array<std::string*, 2> sinks{&run.out, &run.err};
  int open = 2;
  bool poked = !hooks.poke;
  if (!hooks.stdoutPath.empty()) {
    // Nothing comes through the pipe: it counts as closed at once.
    ::close(out[0]);
    fds[0].fd = -1;
    --open;
  }
  while (open > 0 && std::chrono::steady_clock::now() < deadline) {
    if (!poked) poked = hooks.poke(pid);
    if (::poll(fds.data(), fds.size(), poked ? 100 : 20) <= 0) continue;
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buffer[4096];
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (auto& p : fds)
    if (p.fd >= 0) ::close(p.fd);
  int status = 0;
  if (open > 0) ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  run.took = std::chrono::steady_clock::now() - start;
  if (open == 0 && WIFEXITED(status)) run.code = WEXITSTATUS(status);
  return run;
}

}  // namespace ombrel::test
