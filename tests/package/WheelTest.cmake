# Builds the Python package's wheel as pip builds it from a checkout (pyproject.toml,
# setup.py), taking the module from this build tree (KVWORD_BUILD_DIR) rather than
# compiling the library again, installs it into a fresh virtual environment and reads
# the sample from another folder. The wheel must hold the whole package and an
# extension that needs nothing of the build tree.
# cmake -DSOURCE_DIR=... -DBUILD_DIR=... -DWORK_DIR=... -DSAMPLE=... -DPYTHON=...
#       -DWITH_PYTHON=0|1 [-DTOOL=kvword] -P WheelTest.cmake
function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGV}\n${out}\n${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

if(NOT WITH_PYTHON)
  message(STATUS "the Python module is not built: no wheel to test")
  return()
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
# What pip needs of the checkout, copied: setuptools leaves its build folders beside
# setup.py, and they are to stay out of the source tree.
file(COPY "${SOURCE_DIR}/pyproject.toml" "${SOURCE_DIR}/setup.py" "${SOURCE_DIR}/MANIFEST.in"
  "${SOURCE_DIR}/README.md" "${SOURCE_DIR}/CMakeLists.txt" DESTINATION "${WORK_DIR}/src")
file(COPY "${SOURCE_DIR}/python/kvword" DESTINATION "${WORK_DIR}/src/python")

set(ENV{PIP_DISABLE_PIP_VERSION_CHECK} 1)
set(ENV{PIP_NO_INDEX} 1)
set(ENV{PIP_NO_CACHE_DIR} 1)
set(ENV{PYTHONDONTWRITEBYTECODE} 1)
set(ENV{PYTHONNOUSERSITE} 1)
unset(ENV{PYTHONPATH})
set(ENV{KVWORD_BUILD_DIR} "${BUILD_DIR}")
run("${PYTHON}" -m venv --system-site-packages "${WORK_DIR}/venv")
set(venv_python "${WORK_DIR}/venv/bin/python")
run("${venv_python}" -m pip wheel --no-build-isolation --no-deps -w "${WORK_DIR}/dist" "${WORK_DIR}/src")
unset(ENV{KVWORD_BUILD_DIR})

file(GLOB wheels "${WORK_DIR}/dist/*.whl")
list(LENGTH wheels count)
if(NOT count EQUAL 1 OR NOT wheels MATCHES "/kvword-[0-9.]+-cp3[0-9]+-cp3[0-9]+-linux_[a-z0-9_]+\\.whl$")
  message(FATAL_ERROR "expected one kvword wheel for this interpreter, found: ${wheels}")
endif()
run("${venv_python}" -c [=[
import sys, zipfile
names = set(zipfile.ZipFile(sys.argv[1]).namelist())
wanted = ["kvword/__init__.py", "kvword/__init__.pyi", "kvword/dask.py", "kvword/py.typed"]
missing = [n for n in wanted if n not in names]
if not any(n.startswith("kvword/_kvword.") and n.endswith(".so") for n in names):
    missing.append("kvword/_kvword.*.so")
if missing:
    sys.exit("the wheel lacks " + ", ".join(missing))
]=] "${wheels}")

run("${venv_python}" -m pip install --no-deps "${wheels}")
file(GLOB extension "${WORK_DIR}/venv/lib/python3*/site-packages/kvword/_kvword.*.so")
if(NOT extension)
  message(FATAL_ERROR "the wheel installed no extension into the virtual environment")
endif()
# Only the system's shared libraries, found without a search path of the build's.
run(readelf -d "${extension}")
if(output MATCHES "RPATH|RUNPATH")
  message(FATAL_ERROR "the extension carries a library search path:\n${output}")
endif()
run(ldd "${extension}")
string(FIND "${output}" "${BUILD_DIR}" build_at)
string(FIND "${output}" "${SOURCE_DIR}" source_at)
if(output MATCHES "not found" OR NOT build_at EQUAL -1 OR NOT source_at EQUAL -1
   OR NOT output MATCHES "libc\\.so")
  message(FATAL_ERROR "the extension needs libraries the system does not give:\n${output}")
endif()

run("${venv_python}" -c [=[
import os, sys
os.chdir(sys.argv[2])  # away from any folder holding a kvword
import kvword
if not kvword.__file__.startswith(sys.prefix):
    sys.exit("kvword imported from " + kvword.__file__)
print(kvword.read(sys.argv[1]).text)
]=] "${SAMPLE}" "${WORK_DIR}")
if(NOT output MATCHES "kvword sample document")
  message(FATAL_ERROR "the installed wheel does not read the sample:\n${output}")
endif()
# The text is the tool's, its lines ended by LF (print adds one more); so is the Markdown.
if(TOOL)
  set(python_text "${output}")
  run("${TOOL}" --lf "${SAMPLE}")
  if(NOT python_text STREQUAL "${output}\n")
    message(FATAL_ERROR "the installed wheel's text is not the tool's:\n${python_text}\n---\n${output}")
  endif()
  run("${venv_python}" -c [=[
import sys, kvword
sys.stdout.write(kvword.read(sys.argv[1], format="markdown").text)
]=] "${SAMPLE}")
  set(python_markdown "${output}")
  run("${TOOL}" --format=markdown --lf "${SAMPLE}")
  if(NOT python_markdown STREQUAL output)
    message(FATAL_ERROR "the installed wheel's Markdown is not the tool's:\n${python_markdown}\n---\n${output}")
  endif()
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
message(STATUS "the wheel installs into a virtual environment and reads the sample")
