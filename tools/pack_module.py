#!/usr/bin/env python3
"""Build step: a module executable with its resources, for each platform.

    pack_module.py zip PROGRAM STAGED_DIR BIN_DIR
        Linux: copies PROGRAM to BIN_DIR under the module's file name and
        appends the staged resources as an uncompressed ZIP archive whose
        offsets count from the start of the file, as self-extracting archives
        do, so that `unzip -l` and any ZIP reader open it.
    pack_module.py rc STAGED_DIR RC_FILE APP_MANIFEST
        Windows: writes the resource script that windres compiles into the
        executable: the pictures and sounds as IMAGES and DMSEG resources,
        the icon, the version record and the application manifest.
    pack_module.py place PROGRAM STAGED_DIR BIN_DIR
        Windows: copies the linked PROGRAM to BIN_DIR under the module's
        file name.
    pack_module.py package ZIP_FILE BIN_DIR GUIDE
        Windows: the deliverable, a ZIP of the module files of BIN_DIR and
        the host guide in one folder named as the ZIP file.

STAGED_DIR is what qz_stage_resources wrote: manifest.txt (the module's file
name, then a line per resource: its TYPE/NAME key and its name as the module
writes it) and one file per key. Both packers keep the manifest's order, and
the ZIP entries are dated 1980-01-01, so builds are repeatable.
"""

import os
import shutil
import sys
import zipfile
from pathlib import Path

# Resources of these types are not a module's own pictures and sounds: the
# resource script turns them into the Windows records of the same meaning.
RECORD_TYPES = {"ICON", "VERSION"}


def read_manifest(staged: Path):
    """The module's file name and its (key, name) pairs."""
    literal, *lines = (staged / "manifest.txt").read_text(encoding="ascii").splitlines()
    return literal, [tuple(line.split(" ", 1)) for line in lines]


def copy_executable(program: Path, output: Path) -> Path:
    output.parent.mkdir(parents=True, exist_ok=True)
    temporary = output.with_name(output.name + ".tmp")
    shutil.copyfile(program, temporary)
    os.chmod(temporary, 0o755)
    return temporary


def pack_zip(program: Path, staged: Path, bin_dir: Path) -> None:
    literal, resources = read_manifest(staged)
    output = bin_dir / literal
    temporary = copy_executable(program, output)
    with zipfile.ZipFile(temporary, "a", compression=zipfile.ZIP_STORED) as archive:
        for key, _ in resources:
            entry = zipfile.ZipInfo(key, (1980, 1, 1, 0, 0, 0))
            entry.external_attr = 0o644 << 16
            archive.writestr(entry, (staged / key).read_bytes(), compress_type=zipfile.ZIP_STORED)
    os.replace(temporary, output)


def version_fields(staged: Path) -> dict:
    """The version record's fields ("FileVersion=3.0.0.0" lines)."""
    text = (staged / "VERSION/1").read_text(encoding="ascii")
    return dict(line.split("=", 1) for line in text.splitlines() if "=" in line)


def rc_string(text: str) -> str:
    return '"' + text.replace('"', '""') + '"'


def write_rc(staged: Path, rc_file: Path, app_manifest: Path) -> None:
    _, resources = read_manifest(staged)
    fields = version_fields(staged)
    language = int(fields.pop("Language"))
    version = fields["FileVersion"].replace(".", ",")
    lines = [
        "// Made by tools/pack_module.py from the staged resources; do not edit.",
        # French (France), the language of every resource.
        f"LANGUAGE {language & 0x3FF:#x}, {language >> 10:#x}",
        "1 ICON ICON/1",
    ]
    for key, _ in resources:
        type_, name = key.split("/", 1)
        if type_ in RECORD_TYPES:
            continue
        # Names are stored in capitals; a name of digits is an integer
        # identifier and stays unquoted. File names stay unquoted: windres
        # joins a quoted string to a quoted name on the next line.
        identifier = name if name.isdigit() else rc_string(name)
        lines.append(f"{identifier} {type_} {key}")
    lines += [
        # The application manifest; the next line must not begin with a quote.
        f"1 24 {rc_string(app_manifest.as_posix())}",
        "1 VERSIONINFO",
        f"FILEVERSION {version}",
        f"PRODUCTVERSION {fields['ProductVersion'].replace('.', ',')}",
        "FILEOS 0x40004",  # VOS_NT_WINDOWS32
        "FILETYPE 0x1",  # VFT_APP
        "BEGIN",
        '  BLOCK "StringFileInfo"',
        "  BEGIN",
        f'    BLOCK "{language:04X}04E4"',  # code page 1252
        "    BEGIN",
        *[f"      VALUE {rc_string(k)}, {rc_string(v)}" for k, v in fields.items()],
        "    END",
        "  END",
        '  BLOCK "VarFileInfo"',
        "  BEGIN",
        f'    VALUE "Translation", {language:#x}, 1252',
        "  END",
        "END",
    ]
    rc_file.write_text("\n".join(lines) + "\n", encoding="ascii")


def place(program: Path, staged: Path, bin_dir: Path) -> None:
    literal, _ = read_manifest(staged)
    output = bin_dir / literal
    os.replace(copy_executable(program, output), output)


def package(zip_file: Path, bin_dir: Path, guide: Path) -> None:
    folder = zip_file.name.removesuffix(".zip")
    temporary = zip_file.with_name(zip_file.name + ".tmp")
    with zipfile.ZipFile(temporary, "w", compression=zipfile.ZIP_DEFLATED) as archive:
        for path in [*sorted(bin_dir.glob("*.exe")), guide]:
            entry = zipfile.ZipInfo(f"{folder}/{path.name}", (1980, 1, 1, 0, 0, 0))
            entry.external_attr = 0o644 << 16
            archive.writestr(entry, path.read_bytes(), compress_type=zipfile.ZIP_DEFLATED)
    os.replace(temporary, zip_file)


def main() -> None:
    commands = {"zip": (pack_zip, 3), "rc": (write_rc, 3), "place": (place, 3),
                "package": (package, 3)}
    if len(sys.argv) < 2 or sys.argv[1] not in commands or \
            len(sys.argv) != 2 + commands[sys.argv[1]][1]:
        sys.exit(__doc__)
    action, _ = commands[sys.argv[1]]
    action(*(Path(a) for a in sys.argv[2:]))


if __name__ == "__main__":
    main()
