"""The build backend of the peltexpressions wheel (PEP 517).

It needs nothing but the standard library, so that ``pip install .`` works
without a package index: it builds the extension module with the project's
CMake (PELT_BUILD_PYTHON) and zips it with the package's Python files.
PELT_PYTHON_BUILD_DIR names a build tree to reuse, such as the one the
project's check has just built.
"""

import base64
import csv
import hashlib
import io
import os
import re
import shutil
import subprocess
import sys
import sysconfig
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
NAME = "peltexpressions"
SUMMARY = "Label expressions over pandas, GeoPandas, Dask and GDAL layers"
REQUIRES = ["numpy", "pandas"]
EXTRAS = {"dask": ["dask", "distributed"], "geo": ["geopandas"]}


def _version():
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(\w+\s+VERSION\s+([0-9.]+)", text).group(1)


def _tag():
    python = f"cp{sys.version_info.major}{sys.version_info.minor}"
    platform = re.sub(r"[-.]", "_", sysconfig.get_platform())
    return f"{python}-{python}-{platform}"


def _build_extension():
    """Builds the module with CMake and returns its path."""
    build = Path(os.environ.get("PELT_PYTHON_BUILD_DIR") or ROOT / "build-python")
    options = ["-DPELT_BUILD_PYTHON=ON"]
    if not (build / "CMakeCache.txt").exists():
        options += [
            f"-DPython3_EXECUTABLE={sys.executable}",
            "-DCMAKE_BUILD_TYPE=Release",
            "-DPELT_BUILD_TESTS=OFF",
            "-DPELT_BUILD_BENCHMARKS=OFF",
            "-DPELT_BUILD_BUILDER=OFF",
            "-DPELT_INSTALL=OFF",
        ]
        if shutil.which("ninja"):
            options += ["-G", "Ninja"]
        if shutil.which("ccache"):
            options += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"]
    run = lambda *args: subprocess.run(args, check=True, stdout=sys.stderr)  # noqa: E731
    run("cmake", "-S", str(ROOT), "-B", str(build), *options)
    run("cmake", "--build", str(build), "--target", "peltexpressions_core",
        "-j", str(os.cpu_count() or 1))
    suffix = sysconfig.get_config_var("EXT_SUFFIX")
    module = build / "python" / NAME / f"_core{suffix}"
    if not module.exists():
        raise RuntimeError(f"the build did not make {module}")
    return module


def _metadata():
    lines = ["Metadata-Version: 2.1", f"Name: {NAME}", f"Version: {_version()}",
             f"Summary: {SUMMARY}", "Requires-Python: >=3.9"]
    lines += [f"Requires-Dist: {r}" for r in REQUIRES]
    for extra, requirements in EXTRAS.items():
        lines.append(f"Provides-Extra: {extra}")
        lines += [f'Requires-Dist: {r}; extra == "{extra}"' for r in requirements]
    return "\n".join(lines) + "\n"


def _record_hash(data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=")
    return "sha256=" + digest.decode()


def get_requires_for_build_wheel(config_settings=None):
    return []


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    module = _build_extension()
    files = {f"{NAME}/{p.name}": p.read_bytes() for p in (ROOT / "python" / NAME).glob("*.py")}
    files[f"{NAME}/{module.name}"] = module.read_bytes()
    info = f"{NAME}-{_version()}.dist-info"
    files[f"{info}/METADATA"] = _metadata().encode()
    files[f"{info}/WHEEL"] = (
        f"Wheel-Version: 1.0\nGenerator: pelt_build\nRoot-Is-Purelib: false\nTag: {_tag()}\n"
    ).encode()
    record = io.StringIO()
    writer = csv.writer(record, lineterminator="\n")
    for path, data in files.items():
        writer.writerow([path, _record_hash(data), len(data)])
    writer.writerow([f"{info}/RECORD", "", ""])
    files[f"{info}/RECORD"] = record.getvalue().encode()
    name = f"{NAME}-{_version()}-{_tag()}.whl"
    with zipfile.ZipFile(Path(wheel_directory) / name, "w", zipfile.ZIP_DEFLATED) as wheel:
        for path, data in files.items():
            info_entry = zipfile.ZipInfo(path, date_time=(1980, 1, 1, 0, 0, 0))
            info_entry.external_attr = 0o755 << 16 if path.endswith(".so") else 0o644 << 16
            wheel.writestr(info_entry, data, zipfile.ZIP_DEFLATED)
    return name
