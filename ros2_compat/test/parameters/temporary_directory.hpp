// A directory under /tmp for the parameter files a test writes; removed with its contents.
#ifndef PARAMETERS__TEMPORARY_DIRECTORY_HPP_
#define PARAMETERS__TEMPORARY_DIRECTORY_HPP_

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

class TemporaryDirectory
{
public:
  TemporaryDirectory()
  {
    std::string pattern =
      (std::filesystem::temp_directory_path() / "ros2_compat_params_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot create a temporary directory");
    }
    path_ = pattern;
  }

  ~TemporaryDirectory()
  {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  TemporaryDirectory(const TemporaryDirectory &) = delete;
  TemporaryDirectory & operator=(const TemporaryDirectory &) = delete;

  /// Writes `text` to the file `name` in the directory and returns the file's path.
  std::string write(const std::string & name, const std::string & text) const
  {
    const std::string file = (path_ / name).string();
    std::ofstream(file) << text;
    return file;
  }

  std::string path_of(const std::string & name) const { return (path_ / name).string(); }

private:
  std::filesystem::path path_;
};

#endif  // PARAMETERS__TEMPORARY_DIRECTORY_HPP_
