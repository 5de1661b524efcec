# Product versions: MAJOR.MINOR.PATCH, which files carry as
# MAJOR.MINOR.0.PATCH and the update check compares by PATCH.

# Sets PREFIX_MAJOR, PREFIX_MINOR, PREFIX_PATCH and PREFIX_FILE (the file
# version) in the caller's scope; stops the configuration on a malformed
# version.
function(qp_split_version version prefix)
  string(REGEX MATCH "^(0|[1-9][0-9]*)\\.(0|[1-9][0-9]*)\\.(0|[1-9][0-9]*)$" parts "${version}")
  # Windows Installer reads versions up to 255.255.65535.
  if(NOT parts OR CMAKE_MATCH_1 GREATER 255 OR CMAKE_MATCH_2 GREATER 255
     OR CMAKE_MATCH_3 GREATER 65535)
    message(FATAL_ERROR "QP_VERSION must be MAJOR.MINOR.PATCH without leading zeros, "
                        "up to 255.255.65535, not '${version}'")
  endif()
  set(${prefix}_MAJOR ${CMAKE_MATCH_1} PARENT_SCOPE)
  set(${prefix}_MINOR ${CMAKE_MATCH_2} PARENT_SCOPE)
  set(${prefix}_PATCH ${CMAKE_MATCH_3} PARENT_SCOPE)
  set(${prefix}_FILE "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.0.${CMAKE_MATCH_3}" PARENT_SCOPE)
endfunction()

# Writes DIR/qp_version.h for the version, and DIR/qptn.manifest, the
# notifier's manifest, which carries it too (and the processor).
function(qp_version_header version dir)
  qp_split_version(${version} v)
  set(QP_VERSION ${version})
  set(QP_VERSION_MAJOR ${v_MAJOR})
  set(QP_VERSION_MINOR ${v_MINOR})
  set(QP_VERSION_PATCH ${v_PATCH})
  set(QP_FILE_VERSION ${v_FILE})
  # The manifest names the program's processor: the tree's width.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(QP_MANIFEST_ARCHITECTURE x86)
  else()
    set(QP_MANIFEST_ARCHITECTURE amd64)
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/cmake/qp_version.h.in ${dir}/qp_version.h @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/notifier/resources/qptn.manifest.in ${dir}/qptn.manifest @ONLY)
endfunction()
