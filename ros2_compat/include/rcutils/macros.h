// Compiler helpers of rcutils that the logging and time headers use.
#ifndef RCUTILS__MACROS_H_
#define RCUTILS__MACROS_H_

#define RCUTILS_WARN_UNUSED __attribute__((warn_unused_result))

#define RCUTILS_LIKELY(x) __builtin_expect((x), 1)
#define RCUTILS_UNLIKELY(x) __builtin_expect((x), 0)

#endif  // RCUTILS__MACROS_H_
