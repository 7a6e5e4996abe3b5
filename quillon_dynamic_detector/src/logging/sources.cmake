# The process-wide logger "trailscan". The node wiring, the clustering and the geometric motion
# detector all log through it, so it is a library of its own that each of them links.
list(APPEND TRAILSCAN_LOGGER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/trailscan_logger.cpp
)
