# Installs the addon under a staging directory, checks that every file lands
# where Fcitx5 looks for it, then loads the installed addon in a real
# instance and types through it.
file(REMOVE_RECURSE "${STAGE}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE}
          ${CMAKE_COMMAND} --install ${BUILD_DIR} --component fcitx5
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${out}")
endif()

set(expected
  "${ADDON_DIR}/libquorvel.so"
  "${PKGDATA_DIR}/addon/quorvel.conf"
  "${PKGDATA_DIR}/inputmethod/quorvel.conf"
  "${DATA_DIR}/icons/hicolor/scalable/apps/quorvel.svg")
foreach(size IN ITEMS 16 22 24 32 48 64 128 256)
  list(APPEND expected "${DATA_DIR}/icons/hicolor/${size}x${size}/apps/quorvel.png")
endforeach()
foreach(f IN LISTS expected)
  if(NOT EXISTS "${STAGE}${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

file(READ "${STAGE}${PKGDATA_DIR}/addon/quorvel.conf" addon)
foreach(line IN ITEMS "Category=InputMethod" "Type=SharedLibrary" "Library=libquorvel")
  string(FIND "${addon}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "addon description lacks ${line}:\n${addon}")
  endif()
endforeach()

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env
          QUORVEL_TEST_ADDON_DIR=${STAGE}${ADDON_DIR}
          QUORVEL_TEST_DATA_DIR=${STAGE}${PKGDATA_DIR}
          ${TEST_PROGRAM} --gtest_filter=AddonTest.*
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the installed addon does not work:\n${out}")
endif()
