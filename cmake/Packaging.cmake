# Debian packages, one for each install component that this build has:
#
#   kvword          tool      the command-line tool and its manual page
#   libkvword-dev   library   the static library, its headers, CMake package and kvword.pc
#   python3-kvword  python    the Python package kvword
#   kvword-gui      gui       the desktop program
#
#   cmake --preset release -DCMAKE_INSTALL_PREFIX=/usr && cmake --build --preset release
#   cd build/release && cpack -G DEB
#
# The packages install under /usr whatever prefix the build was configured for; the
# Python package goes where /usr's interpreter looks (python/InstallPackage.cmake).
# Their dependencies on shared libraries are found by dpkg-shlibdeps (dpkg-dev).
set(KVWORD_PACKAGE_MAINTAINER "kvword developers <kvword@localhost>" CACHE STRING
    "The Maintainer of the Debian packages")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kvword)
set(CPACK_PACKAGE_VENDOR kvword)
set(CPACK_PACKAGE_CONTACT "${KVWORD_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "The text of Microsoft Word documents")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# Installed with DESTDIR, so that install rules see the packages' own prefix.
set(CPACK_SET_DESTDIR ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(kvword_formats ".doc (Word 97-2003, Word 6/95 and the oldest plain Word files),\n.docx, and the RTF, web-page and Word XML files Word also opens, with their\nnotes, headers, footers, comments, text boxes, summary information and VBA\nmacro source.")
# ICU is loaded when the library first needs it (case mapping, collation): not a
# dependency the packages' files show.
string(REGEX MATCH "^[0-9]+" icu_major "${ICU_VERSION}")

set(CPACK_COMPONENTS_ALL "")
if(TARGET kvword)
  list(APPEND CPACK_COMPONENTS_ALL tool)
  set(CPACK_DEBIAN_TOOL_PACKAGE_NAME kvword)
  set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION text)
  set(CPACK_DEBIAN_TOOL_DESCRIPTION "extract the text of Microsoft Word documents\nkvword prints the text of ${kvword_formats}\nIt reads many documents on worker threads, in the order given, and writes\nplain text, JSON Lines, RTF or HTML.")
endif()

list(APPEND CPACK_COMPONENTS_ALL library)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libkvword-dev)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_DEPENDS "zlib1g-dev, libdeflate-dev, libssl-dev (>= 3)")
if(icu_major)
  set(CPACK_DEBIAN_LIBRARY_PACKAGE_RECOMMENDS "libicu${icu_major}")
endif()
set(CPACK_DEBIAN_LIBRARY_DESCRIPTION "C++ library to extract the text of Microsoft Word documents\nThe static library msword, its headers, its CMake package (find_package(kvword))\nand its pkg-config file (kvword.pc). It reads ${kvword_formats}")

if(TARGET _kvword)
  list(APPEND CPACK_COMPONENTS_ALL python)
  get_target_property(python_version _kvword KVWORD_PYTHON_VERSION)
  string(REGEX MATCH "^([0-9]+)\\.([0-9]+)$" version "${python_version}")
  math(EXPR next_minor "${CMAKE_MATCH_2} + 1")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-kvword)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
      "python3 (>= ${python_version}), python3 (<< ${CMAKE_MATCH_1}.${next_minor})")
  if(icu_major)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_RECOMMENDS "libicu${icu_major}")
  endif()
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS "python3-distributed")
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION "Python module to extract the text of Microsoft Word documents\nimport kvword reads ${kvword_formats}\nread_many reads many documents on worker threads; kvword.dask reads them\non a Dask cluster.")
endif()

if(TARGET kvword-gui)
  list(APPEND CPACK_COMPONENTS_ALL gui)
  set(CPACK_DEBIAN_GUI_PACKAGE_NAME kvword-gui)
  set(CPACK_DEBIAN_GUI_PACKAGE_SECTION text)
  set(CPACK_DEBIAN_GUI_DESCRIPTION "desktop program showing the text of Microsoft Word documents\nA window in which to open a .doc or .docx file and read its text.")
endif()

include(CPack)
