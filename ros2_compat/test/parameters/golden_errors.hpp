// The exception types and what() texts that Humble printed in golden/console/parameter_errors.txt.
#ifndef PARAMETERS__GOLDEN_ERRORS_HPP_
#define PARAMETERS__GOLDEN_ERRORS_HPP_

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <utility>

/// Pairs of (exception type, what()) from both the "exception <type> | ... | what()=<text>" lines
/// and the "terminate called after throwing ..." / "  what():  <text>" pairs. Texts are cut at the
/// first ", at " (rcl appends source locations of the Humble build there).
class GoldenErrors
{
public:
  GoldenErrors()
  {
    std::ifstream file(std::string(QUILLON_GOLDEN_DIR) + "/console/parameter_errors.txt");
    EXPECT_TRUE(file.good()) << "golden parameter_errors.txt is missing";
    std::string line;
    std::string uncaught_type;
    const std::string terminate = "terminate called after throwing an instance of '";
    while (std::getline(file, line)) {
      if (line.rfind("exception ", 0) == 0) {
        const size_t type_end = line.find(" | ");
        const size_t what = line.find("what()=");
        add(line.substr(10, type_end - 10), line.substr(what + 7));
      } else if (line.rfind(terminate, 0) == 0) {
        uncaught_type = line.substr(terminate.size(), line.size() - terminate.size() - 1);
      } else if (line.rfind("  what():  ", 0) == 0) {
        add(uncaught_type, line.substr(11));
      }
    }
  }

  bool contains(const std::string & type, const std::string & what) const
  {
    return errors_.count({type, what}) != 0;
  }

  size_t size() const { return errors_.size(); }

private:
  void add(const std::string & type, const std::string & what)
  {
    errors_.insert({type, what.substr(0, what.find(", at "))});
  }

  std::set<std::pair<std::string, std::string>> errors_;
};

/// The what() of the ExceptionT that `call` throws (another exception type fails the test).
template <typename ExceptionT, typename Callable>
std::string what_of(Callable && call)
{
  try {
    call();
  } catch (const ExceptionT & error) {
    return error.what();
  }
  ADD_FAILURE() << "nothing was thrown";
  return "";
}

#endif  // PARAMETERS__GOLDEN_ERRORS_HPP_
