// A broken invariant stops the run as a crash, which the fuzzer records with its input.
#ifndef QUILLON_FUZZ__INVARIANT_HPP_
#define QUILLON_FUZZ__INVARIANT_HPP_

#include <cstdio>
#include <cstdlib>
#include <string>

namespace quillon_fuzz
{

[[noreturn]] inline void invariantBroken(const std::string & what)
{
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

}  // namespace quillon_fuzz

#endif  // QUILLON_FUZZ__INVARIANT_HPP_
