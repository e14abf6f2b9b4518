# Run by `cmake --install` (and so by CPack): installs the package kvword, the module
# KVWORD_PYTHON_MODULE and the files KVWORD_PYTHON_FILES, where the interpreter
# KVWORD_PYTHON finds packages under the prefix being installed to (see CMakeLists.txt).
# file(INSTALL) honours DESTDIR and records what it installs.
execute_process(
  COMMAND "${KVWORD_PYTHON}" -c [=[
import os, sys, sysconfig
prefix = os.path.normpath(os.path.abspath(sys.argv[1]))
names = sysconfig.get_scheme_names()
default = sysconfig.get_default_scheme() if hasattr(sysconfig, "get_default_scheme") else sysconfig._get_default_scheme()
searched = {os.path.normpath(p) for p in sys.path if p}
for scheme in [default] + [s for s in ("deb_system", "posix_prefix") if s in names]:
    paths = sysconfig.get_paths(scheme)
    if os.path.normpath(paths["data"]) == prefix and os.path.normpath(paths["platlib"]) in searched:
        print(paths["platlib"])
        break
else:
    print(sysconfig.get_path("platlib", "posix_prefix", vars={"base": prefix, "platbase": prefix}))
]=] "${CMAKE_INSTALL_PREFIX}"
  RESULT_VARIABLE status OUTPUT_VARIABLE package_dir ERROR_VARIABLE error
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT status EQUAL 0 OR package_dir STREQUAL "")
  message(FATAL_ERROR "${KVWORD_PYTHON} could not tell where packages go under ${CMAKE_INSTALL_PREFIX}: ${error}")
endif()
file(INSTALL DESTINATION "${package_dir}/kvword" TYPE MODULE FILES "${KVWORD_PYTHON_MODULE}")
file(INSTALL DESTINATION "${package_dir}/kvword" TYPE FILE FILES ${KVWORD_PYTHON_FILES})
