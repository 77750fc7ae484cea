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
    pack_module.py place PROGRAM STAGED_DIR BIN_DIR SYMBOLS_DIR OBJCOPY
        Windows: puts the linked PROGRAM in BIN_DIR under the module's file
        name, stripped of its symbols and debugging data, which go to
        SYMBOLS_DIR/<name>.debug for gdb and addr2line.
    pack_module.py package ZIP_FILE SYMBOLS_ZIP GUIDE SAMPLE_HOST_DIR
                           FOLDER=BIN_DIR,SYMBOLS_DIR... [--sign PKCS12]
                           [--sign-password-file FILE] [--sign-timestamp URL]
        Windows: the deliverable, a ZIP holding one folder named as the ZIP
        file: the host guide, the sample host's sources, and one FOLDER of
        module executables per architecture, each signed with the PKCS12
        certificate when one is given (osslsigncode); their symbols go to
        SYMBOLS_ZIP, in the same folders.

STAGED_DIR is what qz_stage_resources wrote: manifest.txt (the module's file
name, then a line per resource: its TYPE/NAME key and its name as the module
writes it) and one file per key. Both packers keep the manifest's order, and
the ZIP entries are dated 1980-01-01, so builds are repeatable (a signature
is not: it holds the time it was made).
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
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
    text = (staged / "VERSION/1").read_text(encoding="utf-8")
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
        # The titles' accents ("clé", "œuvres"), in the version record's code page.
        "#pragma code_page(1252)",
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
    rc_file.write_text("\n".join(lines) + "\n", encoding="cp1252")


def place(program: Path, staged: Path, bin_dir: Path, symbols_dir: Path, objcopy: Path) -> None:
    literal, _ = read_manifest(staged)
    output = bin_dir / literal
    symbols = symbols_dir / (Path(literal).stem + ".debug")
    symbols_dir.mkdir(parents=True, exist_ok=True)
    subprocess.run([str(objcopy), "--only-keep-debug", str(program), str(symbols)], check=True)
    temporary = output.with_name(output.name + ".tmp")
    subprocess.run([str(objcopy), "--strip-all", str(program), str(temporary)], check=True)
    os.chmod(temporary, 0o755)
    os.replace(temporary, output)


def add_file(archive: zipfile.ZipFile, name: str, data: bytes) -> None:
    entry = zipfile.ZipInfo(name, (1980, 1, 1, 0, 0, 0))
    entry.external_attr = 0o644 << 16
    archive.writestr(entry, data, compress_type=zipfile.ZIP_DEFLATED)


def signed(module: Path, signing, folder: Path) -> bytes:
    """The module's bytes with an Authenticode signature made by
    osslsigncode with the builder's certificate."""
    command = ["osslsigncode", "sign", "-pkcs12", str(signing.sign), "-h", "sha256",
               "-n", "Quiz musical", "-in", str(module), "-out", str(folder / module.name)]
    if signing.sign_password_file:
        command[4:4] = ["-readpass", str(signing.sign_password_file)]
    if signing.sign_timestamp:
        command[4:4] = ["-ts", signing.sign_timestamp]
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"pack_module.py: cannot sign {module.name}: {result.stdout}{result.stderr}")
    signed_module = folder / module.name
    data = signed_module.read_bytes()
    signed_module.unlink()
    return data


def package(arguments) -> None:
    zip_file = Path(arguments.zip_file)
    folder = zip_file.name.removesuffix(".zip")
    temporary = zip_file.with_name(zip_file.name + ".tmp")
    symbols_temporary = Path(arguments.symbols_zip + ".tmp")
    with zipfile.ZipFile(temporary, "w") as archive, \
            zipfile.ZipFile(symbols_temporary, "w") as symbols, \
            tempfile.TemporaryDirectory() as signing_folder:
        add_file(archive, f"{folder}/{Path(arguments.guide).name}",
                 Path(arguments.guide).read_bytes())
        for source in sorted(Path(arguments.sample_host).glob("*.[ch]")):
            add_file(archive, f"{folder}/sample-host/{source.name}", source.read_bytes())
        for modules in arguments.modules:
            name, dirs = modules.split("=", 1)
            bin_dir, symbols_dir = (Path(d) for d in dirs.split(","))
            for module in sorted(bin_dir.glob("*.exe")):
                data = signed(module, arguments, Path(signing_folder)) if arguments.sign \
                    else module.read_bytes()
                add_file(archive, f"{folder}/{name}/{module.name}", data)
            for debug in sorted(symbols_dir.glob("*.debug")):
                add_file(symbols, f"{folder}/{name}/{debug.name}", debug.read_bytes())
    os.replace(temporary, zip_file)
    os.replace(symbols_temporary, arguments.symbols_zip)


def main() -> None:
    if len(sys.argv) >= 2 and sys.argv[1] == "package":
        parser = argparse.ArgumentParser(prog="pack_module.py package", usage=__doc__)
        for name in ("zip_file", "symbols_zip", "guide", "sample_host"):
            parser.add_argument(name)
        parser.add_argument("modules", nargs="+")
        parser.add_argument("--sign")
        parser.add_argument("--sign-password-file")
        parser.add_argument("--sign-timestamp")
        package(parser.parse_args(sys.argv[2:]))
        return
    commands = {"zip": (pack_zip, 3), "rc": (write_rc, 3), "place": (place, 5)}
    if len(sys.argv) < 2 or sys.argv[1] not in commands or \
            len(sys.argv) != 2 + commands[sys.argv[1]][1]:
        sys.exit(__doc__)
    action, _ = commands[sys.argv[1]]
    action(*(Path(a) for a in sys.argv[2:]))


if __name__ == "__main__":
    main()
