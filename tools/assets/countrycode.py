#!/usr/bin/env python3
"""Writes countrycode.json, the program's table of countries and calling codes.

Names come from Debian's iso-codes data: the English names from
iso_3166-1.json, the traditional and simplified Chinese names from its
zh_TW and zh_CN translation catalogues (iso_3166-1.mo). The calling codes
come from calling_codes.txt beside this script (ITU-T E.164 country codes,
keyed by alpha-2 code). Countries without a calling code are left out.

Layout: {"countrycodes": [{"code": 86, "zht": ..., "en": ..., "locale": "CN",
"zhs": ...}, ...]}, sorted by English name. Standard library only.
"""

import argparse
import gettext
import json
import os
import sys
import tempfile
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))


class TableError(Exception):
    pass


def read_calling_codes(path):
    """alpha-2 -> int code, or None for a territory marked "-"."""
    codes = {}
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split()
            if len(fields) != 2 or len(fields[0]) != 2 or not fields[0].isupper():
                raise TableError(f"{path}:{number}: expected 'XX code', got {raw.strip()!r}")
            alpha2, code = fields
            if alpha2 in codes:
                raise TableError(f"{path}:{number}: {alpha2} listed twice")
            if code == "-":
                codes[alpha2] = None
            elif code.isdigit() and 0 < int(code) < 1000:
                codes[alpha2] = int(code)
            else:
                raise TableError(f"{path}:{number}: {alpha2}: bad calling code {code!r}")
    return codes


def catalogue(locale_dir, language):
    try:
        return gettext.translation("iso_3166-1", localedir=locale_dir, languages=[language])
    except OSError as e:
        raise TableError(f"no iso_3166-1 translations for {language} in {locale_dir}: {e}")


def translated(cat, entry, english):
    """The catalogue's name for the entry, preferring the name shown in English."""
    for msgid in (english, entry["name"]):
        text = cat.gettext(msgid)
        if text != msgid:
            return text
    return english


def sort_key(name):
    decomposed = unicodedata.normalize("NFKD", name)
    return "".join(c for c in decomposed if not unicodedata.combining(c)).casefold()


def build_table(iso_json, locale_dir, codes_path, warn):
    with open(iso_json, encoding="utf-8") as f:
        entries = json.load(f)["3166-1"]
    codes = read_calling_codes(codes_path)
    known = {e["alpha_2"] for e in entries}
    unknown = sorted(set(codes) - known)
    if unknown:
        raise TableError(f"{codes_path}: codes not in {iso_json}: {' '.join(unknown)}")
    zht = catalogue(locale_dir, "zh_TW")
    zhs = catalogue(locale_dir, "zh_CN")
    table = []
    for entry in entries:
        alpha2 = entry["alpha_2"]
        if alpha2 not in codes:
            warn(f"countrycode.py: {alpha2} ({entry['name']}) has no line in {codes_path}; left out")
            continue
        if codes[alpha2] is None:
            continue
        english = entry.get("common_name", entry["name"])
        table.append({
            "code": codes[alpha2],
            "zht": translated(zht, entry, english),
            "en": english,
            "locale": alpha2,
            "zhs": translated(zhs, entry, english),
        })
    table.sort(key=lambda row: (sort_key(row["en"]), row["locale"]))
    return {"countrycodes": table}


def write_atomically(path, text):
    folder = os.path.dirname(os.path.abspath(path))
    os.makedirs(folder, exist_ok=True)
    fd, tmp = tempfile.mkstemp(dir=folder, prefix=".countrycode.")
    try:
        with os.fdopen(fd, "w", encoding="utf-8") as f:
            f.write(text)
        os.replace(tmp, path)
    except BaseException:
        os.unlink(tmp)
        raise


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True, help="countrycode.json to write")
    parser.add_argument("--iso-json", default="/usr/share/iso-codes/json/iso_3166-1.json")
    parser.add_argument("--locale-dir", default="/usr/share/locale")
    parser.add_argument("--codes", default=os.path.join(HERE, "calling_codes.txt"))
    args = parser.parse_args(argv)
    try:
        table = build_table(args.iso_json, args.locale_dir, args.codes,
                            lambda message: print(message, file=sys.stderr))
    except (OSError, ValueError, KeyError, TableError) as e:
        print(f"countrycode.py: {e}", file=sys.stderr)
        return 1
    write_atomically(args.out, json.dumps(table, ensure_ascii=False, indent=1) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
