# Run by ctest, once for each way a client gets the library (MX_WAY):
#   package       installed into a scratch prefix, found by a client project
#   pkg-config    the same, the client built by plain make with pkg-config
#   subdirectory  the source tree added to a client project with add_subdirectory
#   FetchContent  the same through FetchContent from the local path
#   deb           the Debian package cpack makes, checked by its file list
set(prefix ${MX_WORK_DIR}/prefix)
set(build ${MX_WORK_DIR}/build)
file(REMOVE_RECURSE ${MX_WORK_DIR})

function(run_step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "step failed (${rc}): ${ARGN}")
  endif()
endfunction()

if(MX_WAY STREQUAL "deb")
  run_step(${CMAKE_CPACK_COMMAND} -G DEB --config ${MX_BUILD_DIR}/CPackConfig.cmake -B ${MX_WORK_DIR})
  file(GLOB deb ${MX_WORK_DIR}/*.deb)
  execute_process(COMMAND dpkg-deb --contents ${deb} OUTPUT_VARIABLE contents COMMAND_ERROR_IS_FATAL ANY)
  set(lib usr/${MX_LIBDIR})
  foreach(file IN ITEMS ${lib}/libmxfoundation.so.${MX_VERSION} ${lib}/libmxfoundation.so.${MX_SOVERSION}
      ${lib}/libmxfoundation.so usr/include/mxfoundation/mxfoundation.h
      usr/include/mxfoundation/protectedinterfaces/mxarray_t.h ${lib}/pkgconfig/mxfoundation.pc
      ${lib}/cmake/MxFoundation/MxFoundationConfigVersion.cmake ${MX_TOOLS})
    if(NOT contents MATCHES " \\./${file}( |\n)")
      message(FATAL_ERROR "${file} is not in the package:\n${contents}")
    endif()
  endforeach()
  return()
endif()

set(flags "-DCMAKE_CXX_FLAGS=${MX_CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${MX_LINKER_FLAGS}"
  -DCMAKE_CXX_COMPILER=${MX_CXX_COMPILER} -G ${MX_GENERATOR})
if(MX_WAY STREQUAL "subdirectory" OR MX_WAY STREQUAL "FetchContent")
  string(COMPARE EQUAL ${MX_WAY} FetchContent fetch)
  run_step(${CMAKE_COMMAND} -S ${MX_CONSUMER_DIR} -B ${build} ${flags}
    -DMX_SOURCE_DIR=${MX_SOURCE_DIR} -DMX_FETCHCONTENT=${fetch} -DCMAKE_BUILD_TYPE=${MX_BUILD_TYPE})
  run_step(${CMAKE_COMMAND} --build ${build})
  run_step(${build}/mx_consumer)
  return()
endif()

run_step(${CMAKE_COMMAND} --install ${MX_BUILD_DIR} --prefix ${prefix})
if(MX_WAY STREQUAL "pkg-config")
  # Headers that need no compiler extension: the client builds pedantically.
  run_step(${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/${MX_LIBDIR}/pkgconfig
    make -C ${MX_WORK_DIR} -f ${MX_CONSUMER_DIR}/Makefile SRC=${MX_CONSUMER_DIR} CXX=${MX_CXX_COMPILER}
    "CXXFLAGS=${MX_CXX_FLAGS} -Wall -Wextra -pedantic-errors -Werror" "LDFLAGS=${MX_LINKER_FLAGS}")
  run_step(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${prefix}/${MX_LIBDIR} ${MX_WORK_DIR}/mx_consumer)
  return()
endif()
run_step(${CMAKE_COMMAND} -S ${MX_CONSUMER_DIR} -B ${build} ${flags} -DCMAKE_PREFIX_PATH=${prefix})
run_step(${CMAKE_COMMAND} --build ${build})
run_step(${build}/mx_consumer)
