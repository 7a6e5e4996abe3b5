// System time with a test seam: one place decides between the real and a fake wall clock.
#include "ros2_compat/system_time.hpp"

#include <chrono>
#include <mutex>

#include "ros2_compat/testing/time_control.hpp"

namespace ros2_compat
{
namespace
{

struct FakeSystemTime
{
  std::mutex mutex;
  bool active = false;
  int64_t nanoseconds = 0;
};

FakeSystemTime & fake_system_time()
{
  // Never destroyed, so that code logging from static destructors finds it intact.
  static FakeSystemTime & instance = *new FakeSystemTime();
  return instance;
}

int64_t real_system_time_now()
{
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
           std::chrono::system_clock::now().time_since_epoch())
    .count();
}

}  // namespace

int64_t system_time_now()
{
  FakeSystemTime & fake = fake_system_time();
  std::lock_guard<std::mutex> lock(fake.mutex);
  return fake.active ? fake.nanoseconds : real_system_time_now();
}

namespace testing
{

void set_system_time(int64_t nanoseconds)
{
  FakeSystemTime & fake = fake_system_time();
  std::lock_guard<std::mutex> lock(fake.mutex);
  fake.active = true;
  fake.nanoseconds = nanoseconds;
}

void advance_system_time(int64_t nanoseconds)
{
  FakeSystemTime & fake = fake_system_time();
  std::lock_guard<std::mutex> lock(fake.mutex);
  if (!fake.active) {
    fake.active = true;
    fake.nanoseconds = real_system_time_now();
  }
  fake.nanoseconds += nanoseconds;
}

void use_real_system_time()
{
  FakeSystemTime & fake = fake_system_time();
  std::lock_guard<std::mutex> lock(fake.mutex);
  fake.active = false;
}

ScopedFakeSystemTime::ScopedFakeSystemTime(int64_t start_nanoseconds)
{
  FakeSystemTime & fake = fake_system_time();
  std::lock_guard<std::mutex> lock(fake.mutex);
  was_fake_ = fake.active;
  previous_nanoseconds_ = fake.nanoseconds;
  fake.active = true;
  fake.nanoseconds = start_nanoseconds;
}

ScopedFakeSystemTime::~ScopedFakeSystemTime()
{
  FakeSystemTime & fake = fake_system_time();
  std::lock_guard<std::mutex> lock(fake.mutex);
  fake.active = was_fake_;
  fake.nanoseconds = previous_nanoseconds_;
}

}  // namespace testing
}  // namespace ros2_compat
