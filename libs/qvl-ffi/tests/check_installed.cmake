# Installs the project into a temporary prefix and builds a C program
# against it through pkg-config.
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
                        --component Unspecified
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "install failed")
endif()
file(GLOB_RECURSE pc_files "${WORK_DIR}/prefix/*/qvl.pc")
list(LENGTH pc_files n)
if(NOT n EQUAL 1)
  message(FATAL_ERROR "expected one installed qvl.pc, found: ${pc_files}")
endif()
get_filename_component(pc_dir "${pc_files}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} "${pc_dir}")
execute_process(COMMAND pkg-config --cflags --libs qvl
  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "pkg-config does not find qvl")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
string(REGEX MATCH "-L[^ ;]*" libdir_flag "${flags}")
string(SUBSTRING "${libdir_flag}" 2 -1 libdir)
# Sanitizer builds need their runtime in the program too.
set(extra)
if(SANITIZE)
  set(extra -fsanitize=${SANITIZE})
endif()
execute_process(COMMAND ${CC} -std=c99 -Wall -Wextra -Werror ${extra} ${SOURCE} ${flags}
                        -Wl,-rpath,${libdir} -o ${WORK_DIR}/program
  RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the C program does not build against the installed package:\n${errors}")
endif()
execute_process(COMMAND ${WORK_DIR}/program RESULT_VARIABLE status OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the C program failed: ${out}${err}")
endif()
