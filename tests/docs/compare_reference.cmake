# Renders the reference again and fails when a rendering committed under
# docs/ is not what the code produces, printing the difference and how to
# bring the committed ones up to date.
#   cmake -DRENDER=pelt-reference -DSOURCE_DIR=DIR -DVERSION=0.1 -DBUILD_DIR=DIR
#         -P compare_reference.cmake
set(rendered "${BUILD_DIR}/reference-rendered")
file(MAKE_DIRECTORY "${rendered}")
execute_process(COMMAND "${RENDER}" "${SOURCE_DIR}/docs/expressions.ref" "${SOURCE_DIR}" "${VERSION}"
                        "${rendered}/expressions.md" "${rendered}/pelt-expressions.7"
                        "${rendered}/help_topics.cpp"
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "pelt-reference could not render docs/expressions.ref (its problems are above)")
endif()
set(stale "")
foreach(name expressions.md pelt-expressions.7)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${SOURCE_DIR}/docs/${name}"
                          "${rendered}/${name}"
                  RESULT_VARIABLE different)
  if(different)
    execute_process(COMMAND diff -u "${SOURCE_DIR}/docs/${name}" "${rendered}/${name}")
    list(APPEND stale "docs/${name}")
  endif()
endforeach()
if(stale)
  string(REPLACE ";" " and " stale "${stale}")
  message(FATAL_ERROR "not what the code renders: ${stale} (the difference is above); "
          "bring the committed renderings up to date with\n"
          "  cmake --build ${BUILD_DIR} --target update-reference-docs")
endif()
