// Scratch folders for the files a test writes: each test program gets a folder of its own under
// $TMPDIR (/tmp when unset), so that tests running side by side never share a file and nothing is
// left in the build folder. Set QUILLON_KEEP_TEST_FILES to keep the folders for a look after a run.
#ifndef SCRATCH_FOLDER_HPP_
#define SCRATCH_FOLDER_HPP_

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace quillon_test
{

// An empty folder made with mkdtemp, removed with its contents when the object goes.
class ScratchFolder
{
public:
  // Makes "quillon_test_XXXXXX" under the system's temporary folder; throws std::runtime_error
  // when that fails.
  ScratchFolder() : owner_(::getpid())
  {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillon_test_XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot create a scratch folder from " + pattern);
    }
    path_ = pattern;
  }

  // Removes the folder unless QUILLON_KEEP_TEST_FILES is set; a forked child never removes its
  // parent's folder.
  ~ScratchFolder()
  {
    if (std::getenv("QUILLON_KEEP_TEST_FILES") != nullptr || ::getpid() != owner_) {
      return;
    }
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  ScratchFolder(const ScratchFolder &) = delete;
  ScratchFolder & operator=(const ScratchFolder &) = delete;

  const std::filesystem::path & path() const { return path_; }

  // A path `name` (may contain folders) inside, where nothing exists yet but the parent folder.
  std::filesystem::path fresh(const std::string & name) const
  {
    const std::filesystem::path target = path_ / name;
    std::filesystem::remove_all(target);
    std::filesystem::create_directories(target.parent_path());
    return target;
  }

  // Writes `text` into the file `name` and returns its path; throws std::runtime_error when the
  // file cannot be written.
  std::string write(const std::string & name, const std::string & text) const
  {
    const std::string file = fresh(name).string();
    std::ofstream stream(file);
    stream << text;
    if (!stream) {
      throw std::runtime_error("cannot write " + file);
    }
    return file;
  }

private:
  std::filesystem::path path_;
  pid_t owner_;
};

// The test program's own scratch folder, made on first use and removed when the program ends
// (ctest runs every test case as a program of its own).
inline const ScratchFolder & scratchFolder()
{
  static const ScratchFolder folder;
  return folder;
}

// A fresh path `name` in the program's scratch folder (see ScratchFolder::fresh).
inline std::filesystem::path scratch(const std::string & name)
{
  return scratchFolder().fresh(name);
}

}  // namespace quillon_test

#endif  // SCRATCH_FOLDER_HPP_
