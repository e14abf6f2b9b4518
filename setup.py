"""Builds the Python package kvword with the project's own CMake build.

pip runs this through pyproject.toml. The extension kvword._kvword is the CMake target
_kvword, configured in Release with everything else left out (tests, benchmarks, the
tool, the desktop program); the library is linked into it statically, so the module
needs only system shared libraries (the C and C++ runtimes, zlib, libdeflate, libcrypto;
ICU is loaded when first needed) and no file of the build tree.

Environment: CMAKE_BUILD_PARALLEL_LEVEL caps the build's jobs (default: one per core),
KVWORD_CMAKE_ARGS adds arguments to the CMake configuration (split as a shell would),
KVWORD_BUILD_DIR names a build tree of this checkout to take the module from as it is
configured (build/release: no second build of the library).
"""

import os
import re
import shlex
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    match = re.search(r"project\(\s*kvword\s+VERSION\s+([0-9.]+)", text)
    if not match:
        raise RuntimeError("CMakeLists.txt names no project version")
    return match.group(1)


class CMakeExtension(Extension):
    def __init__(self, name, target):
        super().__init__(name, sources=[])
        self.target = target


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        if os.environ.get("KVWORD_BUILD_DIR"):
            build_dir = Path(os.environ["KVWORD_BUILD_DIR"]).resolve()
        else:
            build_dir = Path(self.build_temp).resolve() / "cmake"
            self.configure(build_dir)
        build = ["cmake", "--build", str(build_dir), "--target", ext.target]
        if self.parallel:
            build += ["--parallel", str(self.parallel)]
        elif "CMAKE_BUILD_PARALLEL_LEVEL" not in os.environ:
            build += ["--parallel", str(os.cpu_count() or 1)]
        subprocess.run(build, check=True)

        suffix = subprocess.run(
            [sys.executable, "-c", "import sysconfig; print(sysconfig.get_config_var('EXT_SUFFIX'))"],
            check=True, capture_output=True, text=True).stdout.strip()
        built = build_dir / "python" / "kvword" / f"{ext.target}{suffix}"
        if not built.is_file():
            raise RuntimeError(f"CMake built no {built}: are pybind11, fmt and nlohmann-json (pybind11-dev,"
                               " libfmt-dev, nlohmann-json3-dev) installed, and the tree configured for this"
                               " interpreter?")
        destination = Path(self.get_ext_fullpath(ext.name))
        destination.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, destination)

    def configure(self, build_dir):
        build_dir.mkdir(parents=True, exist_ok=True)
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(build_dir),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DKVWORD_BUILD_TESTS=OFF", "-DKVWORD_BUILD_BENCH=OFF", "-DKVWORD_BUILD_GUI=OFF",
            "-DKVWORD_BUILD_CLI=OFF", "-DKVWORD_BUILD_FUZZ=OFF", "-DKVWORD_BUILD_PYTHON=ON",
            "-DCMAKE_SKIP_RPATH=ON",
            f"-DPython_EXECUTABLE={sys.executable}",
        ]
        if not (build_dir / "CMakeCache.txt").exists() and shutil.which("ninja"):
            configure += ["-G", "Ninja"]
        try:  # pybind11 from pip (an isolated build) or python3-pybind11
            import pybind11

            configure.append(f"-Dpybind11_DIR={pybind11.get_cmake_dir()}")
        except ImportError:
            pass  # pybind11-dev's CMake package, found in /usr
        configure += shlex.split(os.environ.get("KVWORD_CMAKE_ARGS", ""))
        subprocess.run(configure, check=True)


setup(
    version=project_version(),
    ext_modules=[CMakeExtension("kvword._kvword", target="_kvword")],
    cmdclass={"build_ext": CMakeBuild},
)
