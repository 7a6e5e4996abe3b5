// rcutils logging: severities, logger levels with '.' hierarchy, and rcutils_log(), which writes
// "[{severity}] [{time}] [{name}]: {message}" lines to the console (see src/time_logging).
#ifndef RCUTILS__LOGGING_H_
#define RCUTILS__LOGGING_H_

#include <stdbool.h>
#include <stddef.h>

#include "rcutils/macros.h"
#include "rcutils/time.h"
#include "rcutils/types/rcutils_ret.h"

#ifdef __cplusplus
extern "C" {
#endif

#define RCUTILS_LOGGING_SEPARATOR_CHAR '.'
#define RCUTILS_LOGGING_SEPARATOR_STRING "."

typedef struct rcutils_log_location_s
{
  const char * function_name;
  const char * file_name;
  size_t line_number;
} rcutils_log_location_t;

enum RCUTILS_LOG_SEVERITY
{
  RCUTILS_LOG_SEVERITY_UNSET = 0,
  RCUTILS_LOG_SEVERITY_DEBUG = 10,
  RCUTILS_LOG_SEVERITY_INFO = 20,
  RCUTILS_LOG_SEVERITY_WARN = 30,
  RCUTILS_LOG_SEVERITY_ERROR = 40,
  RCUTILS_LOG_SEVERITY_FATAL = 50,
};

#define RCUTILS_DEFAULT_LOGGER_DEFAULT_LEVEL RCUTILS_LOG_SEVERITY_INFO

// Reads RCUTILS_CONSOLE_OUTPUT_FORMAT, RCUTILS_COLORIZED_OUTPUT and RCUTILS_LOGGING_USE_STDOUT.
// Logging initialises itself on first use; calling this again is a no-op until shutdown.
RCUTILS_WARN_UNUSED
rcutils_ret_t rcutils_logging_initialize(void);

// Forgets all logger levels and the console settings; the next use initialises again.
RCUTILS_WARN_UNUSED
rcutils_ret_t rcutils_logging_shutdown(void);

RCUTILS_WARN_UNUSED
int rcutils_logging_get_default_logger_level(void);

// UNSET restores the default level (INFO).
void rcutils_logging_set_default_logger_level(int level);

// The level set for exactly this logger (UNSET if none); "" gives the default level, NULL -1.
RCUTILS_WARN_UNUSED
int rcutils_logging_get_logger_level(const char * name);

// "" sets the default level. Levels other than the six severities are refused.
RCUTILS_WARN_UNUSED
rcutils_ret_t rcutils_logging_set_logger_level(const char * name, int level);

// The level of the logger, else of its nearest ancestor ("a.b" -> "a"), else the default.
RCUTILS_WARN_UNUSED
int rcutils_logging_get_logger_effective_level(const char * name);

RCUTILS_WARN_UNUSED
bool rcutils_logging_logger_is_enabled_for(const char * name, int severity);

// Logs the printf-formatted message if the logger is enabled for the severity.
void rcutils_log(
  const rcutils_log_location_t * location, int severity, const char * name, const char * format,
  ...) __attribute__((format(printf, 4, 5)));

#ifdef __cplusplus
}
#endif

#endif  // RCUTILS__LOGGING_H_
