#pragma once
// Other processes of the tests: a forked child running a function (with or without
// pipes to talk to it), and this test program run again for one of its tests.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <string>
#include <vector>

namespace proctest {

// Runs `body` in a forked child that ends with its result: the child's pid.
inline pid_t Fork(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  return pid;
}

// Waits for the child: its exit code, 128 + the signal that ended it, or -1.
inline int Wait(pid_t pid) {
  int status = 0;
  if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs each body in a child of its own, all at once: their exit codes, in order.
inline std::vector<int> RunTogether(const std::vector<std::function<int()>>& bodies) {
  std::vector<int> codes;
  for (const auto& body : bodies) codes.push_back(Fork(body));
  for (int& code : codes) code = Wait(code);
  return codes;
}

// This test program run again for `test` ("Suite.Name") alone, `job` ("NAME=value") added to
// its environment, its output dropped: its pid. The fork only execs (a forked Qt copy cannot paint).
inline pid_t RunTest(const char* test, std::string job) {
  std::vector<char*> envp{job.data()};
  for (char** e = environ; *e != nullptr; ++e) envp.push_back(*e);
  envp.push_back(nullptr);
  std::string name = "test", filter = std::string("--gtest_filter=") + test;
  char* argv[] = {name.data(), filter.data(), nullptr};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);
    execve("/proc/self/exe", argv, envp.data());
    _exit(127);
  }
  return pid;
}

// A child process running `body` with a pipe from the test (`in`) and one to it (`out`),
// sent `endSignal` (when not 0) before it is waited for at the end of the object.
class Child {
 public:
  explicit Child(const std::function<int(int in, int out)>& body, int endSignal = 0) : end_(endSignal) {
    if (pipe(to_) != 0 || pipe(from_) != 0) return;
    if ((pid_ = fork()) == 0) {
      close(to_[1]);
      close(from_[0]);
      _exit(body(to_[0], from_[1]));
    }
    close(to_[0]);
    close(from_[1]);
  }
  ~Child() {
    if (pid_ > 0 && end_ != 0) kill(pid_, end_);
    Finish();
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  pid_t pid() const { return pid_; }
  // True until the child ends (it is left to Finish to wait for).
  bool Running() const {
    siginfo_t info{};
    return pid_ > 0 && waitid(P_PID, pid_, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
  }
  void Send(char c) { (void)!write(to_[1], &c, 1); }
  // The child's next byte; '?' when it ended without one.
  char Receive() {
    char c = '?';
    return read(from_[0], &c, 1) == 1 ? c : '?';
  }
  // What the child writes until it ends, or up to `end`.
  std::string ReceiveAll(char end = '\0') {
    std::string all;
    for (char c; read(from_[0], &c, 1) == 1 && (end == '\0' || c != end);) all += c;
    return all;
  }
  // Closes the pipe to the child (its read sees the end) and waits: its exit code.
  int Finish() {
    if (pid_ <= 0) return exit_;
    close(to_[1]);
    exit_ = Wait(pid_);
    pid_ = -1;
    close(from_[0]);
    return exit_;
  }

 private:
  int to_[2] = {-1, -1}, from_[2] = {-1, -1}, exit_ = -1, end_;
  pid_t pid_ = -1;
};

}  // namespace proctest
