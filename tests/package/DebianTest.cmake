# Makes the Debian packages of a build tree (cpack -G DEB), unpacks them into a scratch
# root as dpkg would install them (dpkg-deb -x), and runs the tool and the Python module
# from there. Skipped when dpkg-deb is not installed.
# cmake -DBUILD_DIR=... -DWORK_DIR=... -DSAMPLE=... -DCPACK=... -DPYTHON=...
#       -DWITH_TOOL=0|1 -DWITH_PYTHON=0|1 -DWITH_GUI=0|1 -P DebianTest.cmake
function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGV}\n${out}\n${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

find_program(DPKG_DEB dpkg-deb)
if(NOT DPKG_DEB)
  message(STATUS "dpkg-deb is not installed: the Debian packages are not tested")
  return()
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
set(options "")
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NOT DPKG_SHLIBDEPS)
  message(STATUS "dpkg-shlibdeps (dpkg-dev) is not installed: packages made without shared-library dependencies")
  list(APPEND options -D CPACK_DEBIAN_PACKAGE_SHLIBDEPS=OFF)
endif()
# Uncompressed: what is tested is what the packages hold (compressing a debug build's
# programs costs CI seconds for nothing).
run("${CPACK}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}/packages"
  -D CPACK_DEBIAN_COMPRESSION_TYPE=none ${options})

set(packages libkvword-dev)
if(WITH_TOOL)
  list(APPEND packages kvword)
endif()
if(WITH_PYTHON)
  list(APPEND packages python3-kvword)
endif()
if(WITH_GUI)
  list(APPEND packages kvword-gui)
endif()
file(GLOB made RELATIVE "${WORK_DIR}/packages" "${WORK_DIR}/packages/*.deb")
list(LENGTH made made_count)
list(LENGTH packages expected_count)
if(NOT made_count EQUAL expected_count)
  message(FATAL_ERROR "expected the packages ${packages}, made: ${made}")
endif()
set(root "${WORK_DIR}/root")
foreach(package IN LISTS packages)
  file(GLOB deb "${WORK_DIR}/packages/${package}_*.deb")
  if(NOT deb)
    message(FATAL_ERROR "no package ${package} among ${made}")
  endif()
  run("${DPKG_DEB}" --field "${deb}" Package Version Architecture Depends)
  set(fields_${package} "${output}")
  message(STATUS "${deb}:\n${output}")
  run("${DPKG_DEB}" -x "${deb}" "${root}")
endforeach()

# Everything lies under /usr, as a package's files must.
file(GLOB top RELATIVE "${root}" "${root}/*")
if(NOT top STREQUAL "usr")
  message(FATAL_ERROR "the packages install outside /usr: ${top}")
endif()

# libkvword-dev: the headers, the static library, the CMake package and kvword.pc.
foreach(pattern include/msword/MSWord.h lib/libmsword.a lib/kvwordConfig.cmake lib/kvword.pc)
  file(GLOB_RECURSE found "${root}/usr/${pattern}")
  if(NOT found)
    message(FATAL_ERROR "libkvword-dev holds no usr/${pattern}")
  endif()
endforeach()

if(WITH_TOOL)
  if(NOT EXISTS "${root}/usr/share/man/man1/kvword.1")
    message(FATAL_ERROR "the package kvword holds no manual page")
  endif()
  run("${root}/usr/bin/kvword" "${SAMPLE}")
  if(NOT output MATCHES "kvword sample document")
    message(FATAL_ERROR "unexpected output of the packaged tool:\n${output}")
  endif()
endif()

if(WITH_GUI AND NOT EXISTS "${root}/usr/bin/kvword-gui")
  message(FATAL_ERROR "the package kvword-gui holds no usr/bin/kvword-gui")
endif()

if(WITH_PYTHON)
  if(NOT fields_python3-kvword MATCHES "Depends: [^\n]*python3 \\(>= 3")
    message(FATAL_ERROR "python3-kvword does not depend on python3:\n${fields_python3-kvword}")
  endif()
  # The interpreter's own search path, each folder moved into the scratch root: the
  # module must be where the interpreter looks once the package is installed.
  set(ENV{PYTHONNOUSERSITE} 1)
  set(ENV{PYTHONDONTWRITEBYTECODE} 1)
  unset(ENV{PYTHONPATH})
  execute_process(COMMAND "${PYTHON}" -c [=[
import sys
root = sys.argv[1]
sys.path[:0] = [root + p for p in sys.path if p.startswith("/")]
import kvword
if not kvword.__file__.startswith(root):
    sys.exit("kvword imported from " + kvword.__file__)
print(kvword.read(sys.argv[2]).text)
]=] "${root}" "${SAMPLE}"
    WORKING_DIRECTORY "${WORK_DIR}"
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE error)
  if(NOT status EQUAL 0 OR NOT output MATCHES "kvword sample document")
    message(FATAL_ERROR "the packaged Python module does not read the sample (${status}):\n${output}\n${error}")
  endif()
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
message(STATUS "the Debian packages ${packages} install and run")
