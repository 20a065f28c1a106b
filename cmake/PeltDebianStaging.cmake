# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) on the staged files of each
# component before the Debian packages are made from them: compresses the
# manual pages and adds the copyright file, the changelog and the lintian
# overrides under the package's own name, as Debian's tools would.

if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

find_program(PELT_GZIP gzip REQUIRED)

# Folders and files made here get the modes a package needs, whatever the
# umask.
function(pelt_make_folder folder)
  if(NOT IS_DIRECTORY "${folder}")
    get_filename_component(parent "${folder}" DIRECTORY)
    pelt_make_folder("${parent}")
    file(MAKE_DIRECTORY "${folder}")
    file(CHMOD "${folder}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                       WORLD_READ WORLD_EXECUTE)
  endif()
endfunction()

function(pelt_stage_file source destination)
  get_filename_component(folder "${destination}" DIRECTORY)
  pelt_make_folder("${folder}")
  file(COPY_FILE "${source}" "${destination}")
  file(CHMOD "${destination}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()

# -n leaves the name and time out of the header, so that the same page
# compresses to the same bytes.
function(pelt_gzip file)
  execute_process(COMMAND "${PELT_GZIP}" -9nf "${file}" COMMAND_ERROR_IS_FATAL ANY)
endfunction()

string(TIMESTAMP PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(PACKAGE_VERSION "${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
set(PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")

foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER "${component}" upper)
  set(PACKAGE_NAME "${CPACK_DEBIAN_${upper}_PACKAGE_NAME}")
  set(usr "${CPACK_TEMPORARY_DIRECTORY}/${component}${CPACK_PACKAGING_INSTALL_PREFIX}")

  file(GLOB_RECURSE pages "${usr}/share/man/*.[1-9]")
  foreach(page IN LISTS pages)
    pelt_gzip("${page}")
  endforeach()

  set(doc "${usr}/share/doc/${PACKAGE_NAME}")
  pelt_stage_file("${CPACK_PELT_DEBIAN_FILES}/copyright" "${doc}/copyright")
  configure_file("${CPACK_PELT_DEBIAN_FILES}/changelog.in" "${doc}/changelog.Debian" @ONLY)
  file(CHMOD "${doc}/changelog.Debian" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  pelt_gzip("${doc}/changelog.Debian")

  set(overrides "${CPACK_PELT_DEBIAN_FILES}/${PACKAGE_NAME}.lintian-overrides")
  if(EXISTS "${overrides}")
    pelt_stage_file("${overrides}" "${usr}/share/lintian/overrides/${PACKAGE_NAME}")
  endif()
endforeach()
