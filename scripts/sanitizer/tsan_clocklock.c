/* Preloaded into ThreadSanitizer runs.
 *
 * libstdc++'s std::timed_mutex::try_lock_until on the steady clock calls
 * pthread_mutex_clocklock (glibc 2.30+), which neither GCC 12's nor clang 14's ThreadSanitizer
 * intercepts. Fast DDS locks its timed mutexes that way and unlocks them with the intercepted
 * pthread_mutex_unlock, so every such pair is reported as "unlock of an unlocked mutex" and the
 * happens-before edges those mutexes carry are lost. Forwarding to pthread_mutex_timedlock, which
 * both runtimes intercept, keeps the lock visible; the deadline is moved to the realtime clock
 * (a clock step during the wait shifts it, which a test cannot notice). */
#define _GNU_SOURCE
#include <errno.h>
#include <pthread.h>
#include <time.h>

static long long nanoseconds(const struct timespec* t) {
  return (long long)t->tv_sec * 1000000000LL + t->tv_nsec;
}

int pthread_mutex_clocklock(pthread_mutex_t* mutex, clockid_t clock, const struct timespec* deadline) {
  if (clock != CLOCK_REALTIME && clock != CLOCK_MONOTONIC) {
    return EINVAL;
  }
  struct timespec now_on_clock;
  struct timespec now_realtime;
  clock_gettime(clock, &now_on_clock);
  clock_gettime(CLOCK_REALTIME, &now_realtime);
  long long realtime_deadline =
      nanoseconds(&now_realtime) + (nanoseconds(deadline) - nanoseconds(&now_on_clock));
  struct timespec converted = {(time_t)(realtime_deadline / 1000000000LL),
                               (long)(realtime_deadline % 1000000000LL)};
  if (converted.tv_nsec < 0) {
    converted.tv_sec -= 1;
    converted.tv_nsec += 1000000000L;
  }
  return pthread_mutex_timedlock(mutex, &converted);
}
