#ifndef QUILLON_TOOLS__SIMULATION__SEEDED_NOISE_HPP_
#define QUILLON_TOOLS__SIMULATION__SEEDED_NOISE_HPP_

#include <cstdint>
#include <random>

namespace quillon_tools
{

// The simulator's only source of randomness. The engine's output sequence is fixed by the
// standard; the conversions to uniform and Gaussian values are our own (Box-Muller), so that
// the same seed gives bit-identical results with any standard library.
class SeededNoise
{
public:
  explicit SeededNoise(uint64_t seed) : engine_(seed) {}

  // Uniform in [0, 1), 53 random bits.
  double uniform();
  // Standard normal.
  double gaussian();

private:
  std::mt19937_64 engine_;
  bool has_spare_ = false;
  double spare_ = 0.0;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__SIMULATION__SEEDED_NOISE_HPP_
