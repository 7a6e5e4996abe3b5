// The one rcutils error helper the logging macros use.
#ifndef RCUTILS__ERROR_HANDLING_H_
#define RCUTILS__ERROR_HANDLING_H_

#include <stdio.h>
#include <string.h>

// Writes a message to stderr without going through the logging system.
#define RCUTILS_SAFE_FWRITE_TO_STDERR(msg)          \
  do {                                              \
    fwrite(msg, sizeof(char), strlen(msg), stderr); \
  } while (0)

#endif  // RCUTILS__ERROR_HANDLING_H_
