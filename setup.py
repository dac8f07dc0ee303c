"""Builds the Python module for setuptools (pyproject.toml) through this
project's CMake: the extension _py_trv_api, its companion py_trv_api and the
libtrv_api it loads (found next to it through its run path) go into the wheel.

Only the library and the module are configured and built: no tests (so no
GoogleTest), no benchmarks, no fuzz targets. TRV_PIP_BUILD_DIR, when set, is
where setuptools and CMake build (default: build/python-package under this
tree); CMAKE_ARGS adds arguments to the CMake configuration,
CMAKE_BUILD_PARALLEL_LEVEL caps the number of build jobs (default: one per
CPU)."""
import os
import re
import shlex
import shutil
import subprocess
import sys
import sysconfig

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))
BUILD = os.path.abspath(os.environ.get("TRV_PIP_BUILD_DIR") or os.path.join(ROOT, "build", "python-package"))
os.makedirs(BUILD, exist_ok=True)


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt")) as cmake:
        return re.search(r"project\(trv_api VERSION ([0-9.]+)", cmake.read()).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        cmake_dir = os.path.join(BUILD, "cmake")
        configure = ["cmake", "-S", ROOT, "-B", cmake_dir, "-DCMAKE_BUILD_TYPE=Release", "-DBUILD_TESTING=OFF",
                     "-DTRV_BENCH=OFF", "-DTRV_PYTHON=" + sys.executable]
        if shutil.which("ninja"):
            configure += ["-G", "Ninja"]
        configure += shlex.split(os.environ.get("CMAKE_ARGS", ""))
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") or str(os.cpu_count() or 1)
        subprocess.check_call(configure)
        subprocess.check_call(["cmake", "--build", cmake_dir, "--target", "_py_trv_api", "-j", jobs])
        built = os.path.join(cmake_dir, "python")
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(os.path.join(built, ext.name + sysconfig.get_config_var("EXT_SUFFIX")), target)
        for name in ("py_trv_api.py", "libtrv_api.so.1"):
            shutil.copyfile(os.path.join(built, name), os.path.join(os.path.dirname(target), name))


setup(
    version=project_version(),
    ext_modules=[Extension("_py_trv_api", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    packages=[],
    py_modules=[],
    options={"build": {"build_base": BUILD}, "egg_info": {"egg_base": BUILD}},
    zip_safe=False,
)
