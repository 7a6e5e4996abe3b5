// Moves the calling process into a fresh network namespace that has only the loopback
// interface, up (what `unshare -n` and `ip link set lo up` do, or `unshare -rn` without root).
// Processes started afterwards inherit it, so DDS traffic of a test cannot reach any other
// interface nor meet another test's participants.
#ifndef NETWORK_NAMESPACE_HPP_
#define NETWORK_NAMESPACE_HPP_

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace network_namespace
{

inline std::string loopback_up()
{
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return std::string("socket: ") + std::strerror(errno);
  }
  ifreq request{};
  std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
  std::string error;
  if (ioctl(fd, SIOCGIFFLAGS, &request) != 0) {
    error = std::string("reading the flags of lo: ") + std::strerror(errno);
  } else {
    request.ifr_flags |= IFF_UP;
    if (ioctl(fd, SIOCSIFFLAGS, &request) != 0) {
      error = std::string("bringing lo up: ") + std::strerror(errno);
    }
  }
  close(fd);
  return error;
}

// Empty on success, else why not. Without root a user namespace is needed too, which the
// kernel grants only to a process with a single thread: call this before starting any.
inline std::string enter_fresh()
{
  const int flags = geteuid() == 0 ? CLONE_NEWNET : CLONE_NEWUSER | CLONE_NEWNET;
  if (unshare(flags) != 0) {
    return std::string("unshare: ") + std::strerror(errno);
  }
  return loopback_up();
}

}  // namespace network_namespace

#endif  // NETWORK_NAMESPACE_HPP_
