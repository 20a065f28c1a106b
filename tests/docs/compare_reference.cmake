# Fails when a rendering of the reference committed under docs/ is not what
# the code produces, printing the difference and how to bring it up to date.
#   cmake -DRENDERED="a.md;b.7" -DCOMMITTED=DOCS_DIR -DBUILD_DIR=DIR -P compare_reference.cmake
set(stale "")
foreach(rendered IN LISTS RENDERED)
  get_filename_component(name "${rendered}" NAME)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${COMMITTED}/${name}" "${rendered}"
                  RESULT_VARIABLE different)
  if(different)
    execute_process(COMMAND diff -u "${COMMITTED}/${name}" "${rendered}")
    list(APPEND stale "docs/${name}")
  endif()
endforeach()
if(stale)
  message(FATAL_ERROR "${stale} differ from what the code produces (the difference is above); "
          "bring them up to date with\n  cmake --build ${BUILD_DIR} --target update-reference-docs")
endif()
