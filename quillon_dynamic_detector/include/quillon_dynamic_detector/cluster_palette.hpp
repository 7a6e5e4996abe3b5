#ifndef QUILLON_DYNAMIC_DETECTOR__CLUSTER_PALETTE_HPP_
#define QUILLON_DYNAMIC_DETECTOR__CLUSTER_PALETTE_HPP_

#include <array>
#include <cstddef>
#include <cstdint>

namespace quillon_dynamic_detector
{

struct PaletteColour
{
  uint8_t r;
  uint8_t g;
  uint8_t b;
};

// Colours of the clusters in the debug clouds: cluster colour index i uses entry i % 80. A few
// entries repeat earlier ones; the table keeps all 80 so that indices stay stable.
extern const std::array<PaletteColour, 80> CLUSTER_PALETTE;

inline const PaletteColour & paletteColour(std::size_t index)
{
  return CLUSTER_PALETTE[index % CLUSTER_PALETTE.size()];
}

}  // namespace quillon_dynamic_detector

#endif  // QUILLON_DYNAMIC_DETECTOR__CLUSTER_PALETTE_HPP_
