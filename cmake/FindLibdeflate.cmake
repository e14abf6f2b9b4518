# Finds libdeflate (Debian: libdeflate-dev), which ships neither a CMake package
# nor, in every version, a pkg-config file. Defines the imported target
# Libdeflate::Libdeflate and Libdeflate_FOUND. Installed beside kvword's package
# so that its users find the library the same way.
find_path(Libdeflate_INCLUDE_DIR libdeflate.h)
find_library(Libdeflate_LIBRARY NAMES deflate)
mark_as_advanced(Libdeflate_INCLUDE_DIR Libdeflate_LIBRARY)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Libdeflate
  REQUIRED_VARS Libdeflate_LIBRARY Libdeflate_INCLUDE_DIR
  REASON_FAILURE_MESSAGE "install Debian's libdeflate-dev (scripts/install-deps.sh does)")

if(Libdeflate_FOUND AND NOT TARGET Libdeflate::Libdeflate)
  add_library(Libdeflate::Libdeflate UNKNOWN IMPORTED)
  set_target_properties(Libdeflate::Libdeflate PROPERTIES
    IMPORTED_LOCATION "${Libdeflate_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${Libdeflate_INCLUDE_DIR}")
endif()
