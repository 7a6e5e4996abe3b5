# The shipped parameter file against both programs' declared parameters (links both programs'
# libraries; builds in both builds).
list(APPEND CONFIG_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/parameter_file_test.cpp
)
