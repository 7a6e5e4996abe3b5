// Replays every stored input of one fuzz harness (its seed corpus and every input that once
// broke it) through the harness's own entry point, so that a normal build keeps them fixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size);

namespace
{

std::vector<std::filesystem::path> storedInputs(const std::filesystem::path & folder)
{
  std::vector<std::filesystem::path> files;
  if (std::filesystem::is_directory(folder)) {
    for (const auto & entry : std::filesystem::directory_iterator(folder)) {
      if (entry.is_regular_file() && entry.path().filename().string().front() != '.') {
        files.push_back(entry.path());
      }
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

void replay(const std::filesystem::path & file)
{
  SCOPED_TRACE(file.string());
  std::ifstream stream(file, std::ios::binary);
  ASSERT_TRUE(stream.good());
  const std::vector<uint8_t> bytes(
    (std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  // A broken invariant aborts the process; getting here with 0 means the input was handled.
  EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0);
}

}  // namespace

// The seed corpus must exist (an empty one would make this test pass vacuously); the recorded
// regressions of a harness that never failed may be none.
// The suite is named after the harness, so that the four replay programs register apart.
TEST(QUILLON_FUZZ_SUITE, EverySeedAndRecordedRegressionRunsClean)
{
  const auto seeds = storedInputs(QUILLON_FUZZ_CORPUS_DIR);
  ASSERT_FALSE(seeds.empty()) << "no seed inputs for " << QUILLON_FUZZ_HARNESS;
  for (const auto & file : seeds) {
    replay(file);
  }
  for (const auto & file : storedInputs(QUILLON_FUZZ_REGRESSIONS_DIR)) {
    replay(file);
  }
}
