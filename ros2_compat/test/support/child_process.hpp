// Runs a program as a separate process for tests that need several: its stdout and stderr are
// collected, it can be signalled and awaited with a timeout, and it is killed if the test ends
// while it still runs.
#ifndef CHILD_PROCESS_HPP_
#define CHILD_PROCESS_HPP_

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char ** environ;

class ChildProcess
{
public:
  // `environment` entries are added to (or replace those of) this process's environment.
  ChildProcess(
    const std::vector<std::string> & arguments,
    const std::map<std::string, std::string> & environment = {})
  {
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
      throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDERR_FILENO);
    const std::vector<std::string> env_strings = merged_environment(environment);
    const int error = posix_spawn(
      &pid_, arguments.at(0).c_str(), &actions, nullptr, pointers(arguments).data(),
      pointers(env_strings).data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    if (error != 0) {
      close(pipe_fds[0]);
      throw std::runtime_error("cannot start " + arguments[0] + ": " + std::strerror(error));
    }
    reader_ = std::thread([this, fd = pipe_fds[0]] { collect_output(fd); });
  }

  ~ChildProcess()
  {
    if (exit_status_ < 0) {
      kill(pid_, SIGKILL);
      wait_for_exit(std::chrono::seconds(10));
    }
    reader_.join();
  }

  ChildProcess(const ChildProcess &) = delete;
  ChildProcess & operator=(const ChildProcess &) = delete;

  // True once the output contains `text`; false if the timeout or the end of output comes first.
  bool wait_for_output(const std::string & text, std::chrono::milliseconds timeout)
  {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
      return output_.find(text) != std::string::npos || output_closed_;
    }) && output_.find(text) != std::string::npos;
  }

  std::string output() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return output_;
  }

  void send_signal(int signum) { kill(pid_, signum); }

  // The exit status (128 + signal number if killed by one), or -1 if it still runs at the
  // timeout. Once it has exited, output() holds everything it wrote.
  int wait_for_exit(std::chrono::milliseconds timeout)
  {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (exit_status_ < 0) {
      int raw = 0;
      if (waitpid(pid_, &raw, WNOHANG) == pid_) {
        exit_status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
      } else if (std::chrono::steady_clock::now() >= deadline) {
        return -1;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    // The exit may be seen before the reader has taken the last lines from the pipe: wait for the
    // end of output (bounded, should a process the child started still hold the pipe open).
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_until(
      lock, std::max(deadline, std::chrono::steady_clock::now() + std::chrono::seconds(5)),
      [this] { return output_closed_; });
    return exit_status_;
  }

private:
  static std::vector<std::string> merged_environment(
    const std::map<std::string, std::string> & overrides)
  {
    std::vector<std::string> merged;
    for (char ** entry = environ; *entry != nullptr; ++entry) {
      const std::string text(*entry);
      if (overrides.count(text.substr(0, text.find('='))) == 0) {
        merged.push_back(text);
      }
    }
    for (const auto & [name, value] : overrides) {
      merged.push_back(name + "=" + value);
    }
    return merged;
  }

  // posix_spawn takes char * const[] but does not write through it.
  static std::vector<char *> pointers(const std::vector<std::string> & strings)
  {
    std::vector<char *> result;
    for (const auto & s : strings) {
      result.push_back(const_cast<char *>(s.c_str()));
    }
    result.push_back(nullptr);
    return result;
  }

  void collect_output(int fd)
  {
    char buffer[4096];
    ssize_t count = 0;
    while ((count = read(fd, buffer, sizeof(buffer))) > 0 || (count < 0 && errno == EINTR)) {
      if (count > 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        output_.append(buffer, static_cast<size_t>(count));
      }
      changed_.notify_all();
    }
    close(fd);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      output_closed_ = true;
    }
    changed_.notify_all();
  }

  pid_t pid_ = -1;
  int exit_status_ = -1;
  std::thread reader_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::string output_;
  bool output_closed_ = false;
};

#endif  // CHILD_PROCESS_HPP_
