// A forked child for what a test cannot do to itself: be killed, or write under a file size
// limit. The child reports lines of text through a pipe and ends with _exit, so it runs no
// exit handlers of the test program.
#ifndef FORKED_CHILD_HPP_
#define FORKED_CHILD_HPP_

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

namespace bag_test
{

class ForkedChild
{
public:
  // Runs `body` in a child; `report` sends one line to the parent. An exception escaping the
  // body is reported as "uncaught: <what>".
  using Report = std::function<void(const std::string & line)>;
  explicit ForkedChild(const std::function<void(const Report & report)> & body)
  {
    int fds[2];
    if (pipe(fds) != 0) {
      throw std::runtime_error("pipe failed");
    }
    std::fflush(nullptr);  // nothing buffered is written twice
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const Report report = [fd = fds[1]](const std::string & line) {
        const std::string text = line + "\n";
        [[maybe_unused]] const auto n = write(fd, text.data(), text.size());
      };
      try {
        body(report);
      } catch (const std::exception & e) {
        report(std::string("uncaught: ") + e.what());
      }
      _exit(0);
    }
    close(fds[1]);
    from_child_ = fds[0];
  }

  ~ForkedChild()
  {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(from_child_);
  }

  ForkedChild(const ForkedChild &) = delete;
  ForkedChild & operator=(const ForkedChild &) = delete;

  // The next line the child reported, without its newline; empty once the child is gone.
  std::string nextLine()
  {
    std::string line;
    char c = 0;
    while (read(from_child_, &c, 1) == 1 && c != '\n') {
      line += c;
    }
    return line;
  }

  // Kills the child with SIGKILL (as a power cut would stop it) and waits for it.
  void killHard() { waitAfter(SIGKILL); }
  // Waits until the child ends by itself.
  void join() { waitAfter(0); }

private:
  void waitAfter(int signal)
  {
    if (pid_ <= 0) {
      return;
    }
    if (signal != 0) {
      kill(pid_, signal);
    }
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  pid_t pid_ = -1;
  int from_child_ = -1;
};

}  // namespace bag_test

#endif  // FORKED_CHILD_HPP_
