#!/usr/bin/env python3
"""Writes the compiled-in translation tables resources/lang/<form>.lang.

Each readable source tools/langtables/<form>.tsv holds one entry per line:

    section <TAB> key <TAB> "English" <TAB> "French"

Both texts are wrapped in double quotes so that leading and trailing blanks
survive editors; everything between the outer quotes is taken as it is
(backslash sequences such as \\n stay two characters). Blank lines and lines
starting with '#' are ignored. The order of entries inside a section is kept.

The table file that a window reads is Windows-1252 text with CRLF line ends;
a line that is exactly a section name starts that section, every other line
is key, \\x01, English, \\x01, French, \\x01. All sections of the table are
written in their fixed order, also when they hold no entry.

Usage: make_lang_tables.py [--check]
  --check  writes nothing; exits 1 when a generated file would differ.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
OUT_DIR = os.path.join(ROOT, "resources", "lang")

DELIM = "\x01"

ALL_SECTIONS = [
    "stCaptions",
    "stHints",
    "stDisplayLabels",
    "stFonts",
    "stMultiLines",
    "stDlgsCaptions",
    "stStrings",
    "stOtherStrings",
    "stLocales",
    "stCollections",
    "stCharSets",
]

# The main window's table carries every section; the tables linked to it have
# no dialog captions and no locales of their own.
LINKED_SECTIONS = [s for s in ALL_SECTIONS if s not in ("stDlgsCaptions", "stLocales")]

MAIN_FORM = "frmMain"
FORMS = [
    "frmMain",
    "frmAbout",
    "frmAnnoEdit",
    "frmGraph",
    "frmList",
    "frmOpenSave",
    "frmPanel",
    "frmScope",
    "frmSetupRealTime",
    "frmSetupScale",
    "frmArchive",
]


class SourceError(Exception):
    pass


def unquote(text, where):
    if len(text) < 2 or text[0] != '"' or text[-1] != '"':
        raise SourceError(f"{where}: text must be wrapped in double quotes: {text!r}")
    return text[1:-1]


def read_source(path, sections):
    """Returns {section: [(key, english, french), ...]} in source order."""
    table = {s: [] for s in sections}
    seen = set()
    with open(path, encoding="utf-8", newline="") as f:
        lines = f.read().split("\n")
    for number, raw in enumerate(lines, start=1):
        line = raw[:-1] if raw.endswith("\r") else raw
        where = f"{os.path.basename(path)}:{number}"
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        fields = line.split("\t")
        if len(fields) != 4:
            raise SourceError(f"{where}: expected 4 tab-separated fields, found {len(fields)}")
        section, key, english, french = fields
        if section not in sections:
            raise SourceError(f"{where}: section {section!r} does not belong in this table")
        if not key or key != key.strip():
            raise SourceError(f"{where}: bad key {key!r}")
        if key in ALL_SECTIONS:
            raise SourceError(f"{where}: a key may not be a section name")
        english = unquote(english, where)
        french = unquote(french, where)
        for text in (key, english, french):
            if DELIM in text or "\r" in text or "\n" in text:
                raise SourceError(f"{where}: control character in {text!r}")
            try:
                text.encode("cp1252")
            except UnicodeEncodeError as e:
                raise SourceError(f"{where}: not representable in Windows-1252: {text!r}") from e
        if (section, key) in seen:
            raise SourceError(f"{where}: duplicate key {key!r} in {section}")
        seen.add((section, key))
        table[section].append((key, english, french))
    return table


def render(table, sections):
    out = []
    for section in sections:
        out.append(section)
        for key, english, french in table[section]:
            out.append(key + DELIM + english + DELIM + french + DELIM)
    return ("\r\n".join(out) + "\r\n").encode("cp1252")


def main(argv):
    check = "--check" in argv[1:]
    changed = []
    for form in FORMS:
        sections = ALL_SECTIONS if form == MAIN_FORM else LINKED_SECTIONS
        source = os.path.join(HERE, form + ".tsv")
        table = read_source(source, sections)
        data = render(table, sections)
        target = os.path.join(OUT_DIR, form + ".lang")
        old = None
        if os.path.exists(target):
            with open(target, "rb") as f:
                old = f.read()
        if old == data:
            continue
        changed.append(target)
        if not check:
            os.makedirs(OUT_DIR, exist_ok=True)
            tmp = target + ".tmp"
            with open(tmp, "wb") as f:
                f.write(data)
            os.replace(tmp, target)
    for path in changed:
        print(("out of date: " if check else "wrote ") + os.path.relpath(path, ROOT))
    return 1 if (check and changed) else 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except SourceError as e:
        print("error: " + str(e), file=sys.stderr)
        sys.exit(2)
