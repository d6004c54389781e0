# The API reference: target docs runs Doxygen over the installed headers as
# docs/Doxyfile describes, into docs/html of the build tree, and the test
# docs_reference fails when Doxygen warns about anything in them.
find_package(Doxygen QUIET)
if(NOT DOXYGEN_FOUND)
  return()
endif()

# The settings stay in docs/Doxyfile, which also works on its own; only the
# output moves into the build tree.
set(ZEV_DOXYFILE ${PROJECT_BINARY_DIR}/Doxyfile)
file(WRITE ${ZEV_DOXYFILE}
  "@INCLUDE = ${PROJECT_SOURCE_DIR}/docs/Doxyfile\n"
  "OUTPUT_DIRECTORY = ${PROJECT_BINARY_DIR}/docs\n")
add_custom_target(docs
  COMMAND ${DOXYGEN_EXECUTABLE} ${ZEV_DOXYFILE}
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  COMMENT "Building the API reference in ${PROJECT_BINARY_DIR}/docs/html"
  VERBATIM)
if(ZEV_BUILD_TESTS)
  add_test(NAME docs_reference COMMAND ${DOXYGEN_EXECUTABLE} ${ZEV_DOXYFILE}
           WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
endif()
