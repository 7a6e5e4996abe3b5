# The fusion node trailmerge (links no library of the system's own).
list(APPEND TRAILMERGE_LIBRARY_SOURCES
)
set(TRAILMERGE_MAIN_SOURCE)
list(APPEND TRAILMERGE_TEST_SOURCES
)
