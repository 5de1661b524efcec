# expat compiled in the tree from its Debian source package, for the trees
# where the system's libexpat does not fit: the fuzz tree (the parser with
# coverage instrumentation) and the 32-bit native tree (Debian's libexpat is
# 64-bit). scripts/expat-source.sh fetches and unpacks the package once into
# QP_EXPAT_SOURCE_CACHE.

set(QP_EXPAT_SOURCE_CACHE "${CMAKE_SOURCE_DIR}/build/expat-src" CACHE PATH
  "Where scripts/expat-source.sh keeps expat's unpacked Debian source package")

# qp_expat_from_source(TARGET)
# Makes the static library TARGET from the package's sources and puts it in
# place of the system's expat where notifier_service_expat links it. Sets
# QP_EXPAT_SOURCE (the unpacked sources) in the caller's scope, empty when
# the package could not be fetched; TARGET does not exist then.
function(qp_expat_from_source target)
  execute_process(
    COMMAND "${CMAKE_SOURCE_DIR}/scripts/expat-source.sh" "${QP_EXPAT_SOURCE_CACHE}"
    OUTPUT_VARIABLE source OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE fetched
    TIMEOUT 900)
  if(NOT fetched EQUAL 0 OR NOT EXISTS "${source}/lib/xmlparse.c")
    set(QP_EXPAT_SOURCE "" PARENT_SCOPE)
    return()
  endif()
  # The library as the package builds it (its configure script, not the
  # CMake files, whose expat_config.h does not suit the package's patches):
  # the three sources and the configuration the package's build ends up with
  # on Linux, namespaces and DTDs included.
  if(CMAKE_C_BYTE_ORDER STREQUAL "BIG_ENDIAN")
    set(byteorder 4321)
  else()
    set(byteorder 1234)
  endif()
  set(config "${CMAKE_CURRENT_BINARY_DIR}/${target}-config")
  file(WRITE "${config}/expat_config.h"
    "#define BYTEORDER ${byteorder}\n"
    "#define HAVE_GETRANDOM 1\n"
    "#define HAVE_SYSCALL_GETRANDOM 1\n"
    "#define XML_DEV_URANDOM 1\n"
    "#define XML_NS 1\n"
    "#define XML_DTD 1\n"
    "#define XML_CONTEXT_BYTES 1024\n")
  add_library(${target} STATIC EXCLUDE_FROM_ALL
    "${source}/lib/xmlparse.c"
    "${source}/lib/xmlrole.c"
    "${source}/lib/xmltok.c")
  target_include_directories(${target} PUBLIC "${source}/lib" PRIVATE "${config}")
  target_compile_options(${target} PRIVATE -fno-strict-aliasing)

  # notifier/service links notifier_service_expat with the system's expat;
  # it takes this one, library and headers, in place of it.
  set(swapped FALSE)
  foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
    get_target_property(libs notifier_service_expat ${property})
    if("EXPAT::EXPAT" IN_LIST libs)
      list(TRANSFORM libs REPLACE "^EXPAT::EXPAT$" ${target})
      set_property(TARGET notifier_service_expat PROPERTY ${property} "${libs}")
      set(swapped TRUE)
    endif()
  endforeach()
  if(NOT swapped)
    message(FATAL_ERROR "notifier_service_expat no longer links EXPAT::EXPAT; "
      "update cmake/expat-source.cmake")
  endif()
  set(QP_EXPAT_SOURCE "${source}" PARENT_SCOPE)
endfunction()
