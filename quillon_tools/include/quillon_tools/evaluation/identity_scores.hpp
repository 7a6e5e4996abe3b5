#ifndef QUILLON_TOOLS__EVALUATION__IDENTITY_SCORES_HPP_
#define QUILLON_TOOLS__EVALUATION__IDENTITY_SCORES_HPP_

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace quillon_tools
{

// Identity measures of one gate over a whole run (IDF1): each true person is given, for the whole
// run, the one output id with which the most of their frames matched within the gate, one-to-one.
// The frames a person spent with that id are identity true positives (IDTP); their other frames
// are identity misses (IDFN); every counted detection not so paired is an identity false
// positive (IDFP). IDTP and IDFN are split by each frame's kind of person.
struct IdentityScores
{
  int64_t idtp = 0;
  int64_t idfn = 0;
  int64_t idfp = 0;
  int64_t idtp_walking = 0;
  int64_t idfn_walking = 0;
  int64_t idtp_standing = 0;
  int64_t idfn_standing = 0;
  double idf1 = 0.0;  // 2 IDTP / (2 IDTP + IDFP + IDFN); NaN without truth and detections
};

// One scored list as the identity measures see it.
struct IdentityFrame
{
  struct Person
  {
    int32_t id = 0;
    bool standing = false;
  };
  std::vector<Person> people;          // the scored people
  std::vector<int32_t> detection_ids;  // the counted detections; a negative id is unknown
  // (person, detection) index pairs within the gate.
  std::vector<std::pair<std::size_t, std::size_t>> within_gate;
};

class IdentityTally
{
public:
  void add(const IdentityFrame & frame);
  IdentityScores summarise() const;

private:
  struct Together
  {
    int64_t walking = 0;
    int64_t standing = 0;
  };
  // Frames each (true person, output id) pair matched within the gate, by kind of person.
  std::map<std::pair<int32_t, int32_t>, Together> together_;
  std::map<int32_t, Together> person_frames_;
  int64_t detections_ = 0;
};

// The one-to-one pairing of rows and columns with the greatest total weight (weights >= 0; a
// pair of weight 0 is as good as none). Returns each row's column or -1.
std::vector<int> heaviestAssignment(const std::vector<std::vector<int64_t>> & weights);

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__EVALUATION__IDENTITY_SCORES_HPP_
