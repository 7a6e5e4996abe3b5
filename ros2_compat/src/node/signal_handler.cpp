// SIGINT/SIGTERM handling: the handler only writes the signal number into a pipe (the one
// async-signal-safe way to hand it on); a watcher thread reads it, logs as Humble does and
// shuts down every context initialised with shutdown_on_signal.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "rclcpp/context.hpp"
#include "rclcpp/logging.hpp"
#include "rclcpp/utilities.hpp"

namespace rclcpp
{

namespace
{

// Byte that tells the watcher to stop; signal numbers are never 0.
constexpr unsigned char stop_watching = 0;

std::atomic<int> signal_write_fd{-1};
struct sigaction old_sigint_action;
struct sigaction old_sigterm_action;

void call_old_handler(const struct sigaction & old, int signum, siginfo_t * info, void * context)
{
  if (old.sa_flags & SA_SIGINFO) {
    if (old.sa_sigaction != nullptr) {
      old.sa_sigaction(signum, info, context);
    }
  } else if (old.sa_handler != SIG_DFL && old.sa_handler != SIG_IGN && old.sa_handler != nullptr) {
    old.sa_handler(signum);
  }
}

void on_signal(int signum, siginfo_t * info, void * context)
{
  const int saved_errno = errno;
  call_old_handler(
    signum == SIGINT ? old_sigint_action : old_sigterm_action, signum, info, context);
  const unsigned char byte = static_cast<unsigned char>(signum);
  const int fd = signal_write_fd.load();
  if (fd >= 0) {
    // A full pipe means a shutdown is already pending; dropping the byte is harmless.
    [[maybe_unused]] ssize_t written = write(fd, &byte, 1);
  }
  errno = saved_errno;
}

void set_action(int signum, const struct sigaction & action, struct sigaction * old)
{
  if (sigaction(signum, &action, old) == -1) {
    const int error = errno;
    throw std::runtime_error(
      "Failed to set signal handler (" + std::to_string(error) + "): " + std::strerror(error));
  }
}

bool covers(SignalHandlerOptions options, int signum)
{
  if (options == SignalHandlerOptions::All) {
    return true;
  }
  return (options == SignalHandlerOptions::SigInt && signum == SIGINT) ||
         (options == SignalHandlerOptions::SigTerm && signum == SIGTERM);
}

class SignalWatcher
{
public:
  bool install(SignalHandlerOptions options)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (installed_) {
      return false;
    }
    installed_ = true;
    options_ = options;
    if (options == SignalHandlerOptions::None) {
      return true;
    }
    open_pipe();
    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    sigemptyset(&action.sa_mask);
    action.sa_sigaction = &on_signal;
    action.sa_flags = SA_SIGINFO;
    if (covers(options, SIGINT)) {
      set_action(SIGINT, action, &old_sigint_action);
    }
    if (covers(options, SIGTERM)) {
      set_action(SIGTERM, action, &old_sigterm_action);
    }
    watcher_ = std::thread([this, read_fd = pipe_read_fd_] { watch(read_fd); });
    return true;
  }

  bool uninstall()
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!installed_) {
      return false;
    }
    installed_ = false;
    if (options_ == SignalHandlerOptions::None) {
      return true;
    }
    if (covers(options_, SIGINT)) {
      set_action(SIGINT, old_sigint_action, nullptr);
    }
    if (covers(options_, SIGTERM)) {
      set_action(SIGTERM, old_sigterm_action, nullptr);
    }
    options_ = SignalHandlerOptions::None;
    stop_watcher();
    return true;
  }

  bool installed() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return installed_;
  }

  SignalHandlerOptions options() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return options_;
  }

private:
  void open_pipe()
  {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) == -1) {
      throw std::runtime_error(std::string("pipe2() failed: ") + std::strerror(errno));
    }
    fcntl(fds[1], F_SETFL, O_NONBLOCK);
    pipe_read_fd_ = fds[0];
    signal_write_fd = fds[1];
  }

  void stop_watcher()
  {
    const int write_fd = signal_write_fd.exchange(-1);
    [[maybe_unused]] ssize_t written = write(write_fd, &stop_watching, 1);
    // A shutdown callback may call rclcpp::shutdown() on the watcher thread itself.
    if (watcher_.get_id() == std::this_thread::get_id()) {
      watcher_.detach();
    } else {
      watcher_.join();
    }
    close(write_fd);
  }

  static void watch(int read_fd)
  {
    unsigned char byte = stop_watching;
    for (;;) {
      const ssize_t got = read(read_fd, &byte, 1);
      if (got == -1 && errno == EINTR) {
        continue;
      }
      if (got != 1 || byte == stop_watching) {
        break;
      }
      shut_down_contexts(byte);
    }
    close(read_fd);
  }

  static void shut_down_contexts(int signum)
  {
    RCLCPP_INFO(rclcpp::get_logger("rclcpp"), "signal_handler(signum=%d)", signum);
    for (const auto & context : get_contexts()) {
      if (context->get_init_options().shutdown_on_signal) {
        context->shutdown("signal handler");
      }
    }
  }

  mutable std::mutex mutex_;
  bool installed_ = false;
  SignalHandlerOptions options_ = SignalHandlerOptions::None;
  int pipe_read_fd_ = -1;
  std::thread watcher_;
};

// Never destroyed, so a signal during exit finds it intact.
SignalWatcher & watcher()
{
  static auto * instance = new SignalWatcher();
  return *instance;
}

}  // namespace

bool install_signal_handlers(SignalHandlerOptions signal_handler_options)
{
  return watcher().install(signal_handler_options);
}

bool signal_handlers_installed() { return watcher().installed(); }

SignalHandlerOptions get_current_signal_handler_options() { return watcher().options(); }

bool uninstall_signal_handlers() { return watcher().uninstall(); }

}  // namespace rclcpp
