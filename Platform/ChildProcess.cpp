#include "Platform/ChildProcess.h"

#include "Support/FileDescriptor.h"

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <future>
#include <mutex>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tavro::platform {
namespace {

[[noreturn]] void fail(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

// What the child does between fork and exec. Only async-signal-safe calls:
// the parent may have other threads, whose locks the child inherits held.
// How the child's standard descriptors are set: a descriptor of the
// parent's, or the null device (-1). Standard input may also be inherited.
struct ChildSetup {
  static constexpr int inherit = -2;
  int standardInput = inherit;
  int standardOutput = -1;
  bool newSession = false;
};

// Makes `target` a copy of `source`, or of the null device for -1.
int setDescriptor(int target, int source, int flags) {
  if (source == ChildSetup::inherit) return 0;
  if (source < 0) {
    source = ::open("/dev/null", flags | O_CLOEXEC);
    if (source < 0) return errno;
  }
  return ::dup2(source, target) < 0 ? errno : 0;
}

[[noreturn]] void becomeProgram(const char* program, char* const* argv, char* const* envp, const ChildSetup& setup,
                                int failureReport) {
  // A clean slate for the program: no blocked signals, no ignored ones, no
  // handlers. The caller's mask and dispositions are its own business.
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction defaults {};
  defaults.sa_handler = SIG_DFL;
  sigemptyset(&defaults.sa_mask);
  for (int signal = 1; signal < NSIG; ++signal) {
    if (signal != SIGKILL && signal != SIGSTOP) sigaction(signal, &defaults, nullptr);
  }

  int error = setup.newSession && ::setsid() < 0 ? errno : 0;
  if (error == 0) error = setDescriptor(STDIN_FILENO, setup.standardInput, O_RDONLY);
  if (error == 0) error = setDescriptor(STDOUT_FILENO, setup.standardOutput, O_WRONLY);
  if (error == 0) error = setDescriptor(STDERR_FILENO, -1, O_WRONLY);
  if (error == 0) {
    // Descriptors the host left open without close-on-exec are none of the
    // program's business. The failure report closes itself on exec.
    if (failureReport > 3) ::close_range(3, static_cast<unsigned>(failureReport) - 1, 0);
    ::close_range(static_cast<unsigned>(failureReport) + 1, ~0u, 0);
    ::execve(program, argv, envp);
    error = errno;
  }
  while (::write(failureReport, &error, sizeof error) < 0 && errno == EINTR) {
  }
  ::_exit(127);
}

// Forks and execs `program`; returns the child's id, or throws when it
// could not be started (a failed exec included).
pid_t startProgram(const char* program, char* const* argv, char* const* envp, const ChildSetup& setup) {
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) fail(errno, "Cannot create a pipe");
  FileDescriptor readEnd(report[0]);
  FileDescriptor writeEnd(report[1]);
  pid_t pid = ::fork();
  if (pid < 0) fail(errno, std::string("Cannot start ") + program);
  if (pid == 0) becomeProgram(program, argv, envp, setup, writeEnd.get());
  writeEnd.close();
  int error = 0;
  ssize_t count;
  while ((count = ::read(readEnd.get(), &error, sizeof error)) < 0 && errno == EINTR) {
  }
  if (count == static_cast<ssize_t>(sizeof error)) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    fail(error, std::string("Cannot start ") + program);
  }
  return pid;
}

// A thread that starts children at the priority it was created with. A
// child inherits the nice value of the thread that forks it, and lowering
// a nice value again takes privileges the installer does not have, so a
// thread that runs at a lowered priority hands its forks to this one.
class Launcher {
 public:
  Launcher() { std::thread([this] { serve(); }).detach(); }

  pid_t start(const std::function<pid_t()>& job) {
    std::packaged_task<pid_t()> task(job);
    std::future<pid_t> started = task.get_future();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      pending_ = &task;
    }
    ready_.notify_all();
    pid_t pid = started.get();
    return pid;
  }

  // One job at a time: callers queue on this lock.
  std::mutex callers;

 private:
  void serve() {
    for (;;) {
      std::packaged_task<pid_t()>* task = nullptr;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return pending_ != nullptr; });
        task = pending_;
        pending_ = nullptr;
      }
      (*task)();
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::packaged_task<pid_t()>* pending_ = nullptr;
};

std::mutex launcherLock;
// Never destroyed: its thread runs until the process ends.
Launcher* launcher = nullptr;

Launcher* currentLauncher() {
  std::lock_guard<std::mutex> lock(launcherLock);
  return launcher;
}

}  // namespace

void startChildrenAtCurrentPriority() {
  std::lock_guard<std::mutex> lock(launcherLock);
  if (launcher == nullptr) launcher = new Launcher();
}

ChildProcessResult runChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
  // Close-on-exec, so that a child started at the same moment by another
  // thread cannot inherit the write end and keep the pipe open.
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) fail(errno, "Cannot create a pipe");
  FileDescriptor readEnd(ends[0]);
  FileDescriptor writeEnd(ends[1]);

  // Everything the child needs is built before the fork.
  std::vector<std::string> storage;
  storage.reserve(arguments.size() + 1);
  storage.push_back(program.string());
  storage.insert(storage.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(storage.size() + 1);
  for (std::string& argument : storage) argv.push_back(argument.data());
  argv.push_back(nullptr);
  char** envp = environ;
  ChildSetup setup;
  setup.standardOutput = writeEnd.get();
  auto start = [&] { return startProgram(program.c_str(), argv.data(), envp, setup); };

  pid_t pid = 0;
  if (Launcher* shared = currentLauncher()) {
    std::lock_guard<std::mutex> lock(shared->callers);
    pid = shared->start(start);
  } else {
    pid = start();
  }
  writeEnd.close();

  ChildProcessResult result;
  char buffer[65536];
  int readError = 0;
  for (;;) {
    ssize_t count = ::read(readEnd.get(), buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      readError = errno;
      break;
    }
    if (count == 0) break;
    result.standardOutput.append(buffer, static_cast<std::size_t>(count));
  }
  readEnd.close();

  // Always reap the child, even when reading failed, so no zombie is left.
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) fail(errno, "Cannot wait for a child process");
  }
  if (readError != 0) fail(readError, "Cannot read a child process's output");
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  return result;
}

void startDetachedProcess(const std::filesystem::path& program) {
  std::string path = program.string();
  char* argv[] = {path.data(), nullptr};
  ChildSetup setup;
  setup.standardInput = -1;
  setup.newSession = true;
  // Its exit is never waited for here: the process outlives its starter,
  // whose end hands it to init.
  startProgram(path.c_str(), argv, environ, setup);
}

}  // namespace tavro::platform
