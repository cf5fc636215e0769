# Run by ctest: install the built library, then configure, build and run a
# client project that only knows the installed package.
set(prefix ${MX_WORK_DIR}/prefix)
set(build ${MX_WORK_DIR}/build)
file(REMOVE_RECURSE ${MX_WORK_DIR})

function(run_step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "step failed (${rc}): ${ARGN}")
  endif()
endfunction()

run_step(${CMAKE_COMMAND} --install ${MX_BUILD_DIR} --prefix ${prefix})
run_step(${CMAKE_COMMAND} -S ${MX_CONSUMER_DIR} -B ${build} -G ${MX_GENERATOR}
  -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_CXX_COMPILER=${MX_CXX_COMPILER}
  "-DCMAKE_CXX_FLAGS=${MX_CXX_FLAGS}"
  "-DCMAKE_EXE_LINKER_FLAGS=${MX_LINKER_FLAGS}")
run_step(${CMAKE_COMMAND} --build ${build})
run_step(${build}/mx_consumer)
