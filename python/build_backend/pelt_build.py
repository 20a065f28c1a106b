"""The build backend of the peltexpressions package (PEP 517 and PEP 660).

It needs nothing but the standard library (and tomli before Python 3.11),
so that ``pip install .`` works without a package index: it builds the
extension module with the project's CMake (PELT_BUILD_PYTHON) and zips it
with the package's Python files. The metadata is pyproject.toml's [project]
table; the version is the CMake project's. PELT_PYTHON_BUILD_DIR names a
build tree to reuse, such as the one the project's check has just built.
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
import tarfile
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
NAME = "peltexpressions"
PACKAGE = ROOT / "python" / NAME
# What an sdist holds: all that CMake reads to build the module.
SDIST_PATHS = ("CMakeLists.txt", "README.md", "pyproject.toml", "cmake", "data", "docs",
               "examples", "include", "python", "src", "tools")
# The package's files besides the extension module.
PACKAGE_FILES = ("*.py", "*.pyi", "py.typed")
_EPOCH = (1980, 1, 1, 0, 0, 0)  # the earliest date a zip can hold: the same wheel each time


def _toml_loads(text):
    try:
        import tomllib
    except ImportError:  # before Python 3.11
        import tomli as tomllib
    return tomllib.loads(text)


def _version():
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(\w+\s+VERSION\s+([0-9.]+)", text).group(1)


def _project():
    return _toml_loads((ROOT / "pyproject.toml").read_text(encoding="utf-8"))["project"]


def _metadata():
    """The core metadata (PKG-INFO, METADATA) from the [project] table."""
    project = _project()
    lines = ["Metadata-Version: 2.1", f"Name: {project['name']}", f"Version: {_version()}",
             f"Summary: {project['description']}"]
    if "text" in project.get("license", {}):
        lines.append(f"License: {project['license']['text']}")
    lines += [f"Classifier: {c}" for c in project.get("classifiers", [])]
    lines.append(f"Requires-Python: {project['requires-python']}")
    lines += [f"Requires-Dist: {r}" for r in project.get("dependencies", [])]
    for extra, requirements in project.get("optional-dependencies", {}).items():
        lines.append(f"Provides-Extra: {extra}")
        lines += [f'Requires-Dist: {r}; extra == "{extra}"' for r in requirements]
    readme = project.get("readme")
    if readme:
        lines.append("Description-Content-Type: text/markdown")
        body = (ROOT / readme).read_text(encoding="utf-8")
        return "\n".join(lines) + "\n\n" + body
    return "\n".join(lines) + "\n"


def _tag():
    python = f"cp{sys.version_info.major}{sys.version_info.minor}"
    platform = re.sub(r"[-.]", "_", sysconfig.get_platform())
    return f"{python}-{python}-{platform}"


def _build_extension():
    """Builds the module with CMake and returns its path."""
    build = Path(os.environ.get("PELT_PYTHON_BUILD_DIR") or ROOT / "build-python")
    run = lambda *args: subprocess.run(args, check=True, stdout=sys.stderr)  # noqa: E731
    if (build / "CMakeCache.txt").exists():
        # The tree keeps its own source directory, which may be another
        # checkout than this one (an unpacked sdist building with the
        # check's release tree).
        run("cmake", str(build), "-DPELT_BUILD_PYTHON=ON")
    else:
        options = [
            "-DPELT_BUILD_PYTHON=ON",
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
        run("cmake", "-S", str(ROOT), "-B", str(build), *options)
    run("cmake", "--build", str(build), "--target", "peltexpressions_core",
        "-j", str(os.cpu_count() or 1))
    suffix = sysconfig.get_config_var("EXT_SUFFIX")
    module = build / "python" / NAME / f"_core{suffix}"
    if not module.exists():
        raise RuntimeError(f"the build did not make {module}")
    return module


def _dist_info():
    return f"{NAME}-{_version()}.dist-info"


def _record_hash(data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=")
    return "sha256=" + digest.decode()


def _write_wheel(wheel_directory, files):
    """Zips files (archive path: bytes) with their dist-info; the wheel's name."""
    info = _dist_info()
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
            entry = zipfile.ZipInfo(path, date_time=_EPOCH)
            entry.external_attr = (0o755 if path.endswith(".so") else 0o644) << 16
            wheel.writestr(entry, data, zipfile.ZIP_DEFLATED)
    return name


def _requires(config_settings=None):
    return [] if sys.version_info >= (3, 11) else ["tomli"]


get_requires_for_build_wheel = _requires
get_requires_for_build_sdist = _requires
get_requires_for_build_editable = _requires


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    info = Path(metadata_directory) / _dist_info()
    info.mkdir(parents=True, exist_ok=True)
    (info / "METADATA").write_text(_metadata(), encoding="utf-8")
    return info.name


prepare_metadata_for_build_editable = prepare_metadata_for_build_wheel


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    module = _build_extension()
    files = {f"{NAME}/{p.name}": p.read_bytes()
             for pattern in PACKAGE_FILES for p in sorted(PACKAGE.glob(pattern))}
    files[f"{NAME}/{module.name}"] = module.read_bytes()
    return _write_wheel(wheel_directory, files)


def build_editable(wheel_directory, config_settings=None, metadata_directory=None):
    """A wheel that imports the package from this checkout.

    The built module is linked into the package's source directory (which
    git ignores), so that a rebuild with CMake is seen at the next import;
    a .pth file puts a directory with only the package on sys.path.
    """
    module = _build_extension()
    link = PACKAGE / module.name
    if link.is_symlink() or link.exists():
        link.unlink()
    link.symlink_to(module)
    path_entry = module.parent.parent / "editable"
    path_entry.mkdir(exist_ok=True)
    package_link = path_entry / NAME
    if package_link.is_symlink() or package_link.exists():
        package_link.unlink()
    package_link.symlink_to(PACKAGE, target_is_directory=True)
    return _write_wheel(wheel_directory, {f"{NAME}.pth": f"{path_entry}\n".encode()})


def _sdist_files():
    for top in SDIST_PATHS:
        path = ROOT / top
        found = [path] if path.is_file() else sorted(p for p in path.rglob("*") if p.is_file())
        for file in found:
            parts = file.relative_to(ROOT).parts
            # Caches, editors' files, built modules and their links stay out.
            skipped = any(part.startswith(".") or part == "__pycache__" for part in parts)
            if not skipped and file.suffix not in (".pyc", ".so") and not file.is_symlink():
                yield file


def build_sdist(sdist_directory, config_settings=None):
    base = f"{NAME}-{_version()}"
    name = f"{base}.tar.gz"

    def add(archive, arcname, data, mode=0o644):
        entry = tarfile.TarInfo(f"{base}/{arcname}")
        entry.size, entry.mode, entry.mtime = len(data), mode, 315532800  # 1980-01-01
        archive.addfile(entry, io.BytesIO(data))

    with tarfile.open(Path(sdist_directory) / name, "w:gz", format=tarfile.PAX_FORMAT) as archive:
        add(archive, "PKG-INFO", _metadata().encode())
        for file in _sdist_files():
            executable = os.access(file, os.X_OK)
            add(archive, file.relative_to(ROOT).as_posix(), file.read_bytes(),
                0o755 if executable else 0o644)
    return name
