#!/usr/bin/env python3
"""Writes data/Country_Codes.dat, the table that turns country codes into names.

The table lists every ISO 3166-1 alpha-2 country from Debian's iso-codes data,
plus the country top-level domains that are not ISO codes (UK, EU, AC, SU ...).
Format: one header line, then "CODE Name" per line. The reader cuts the name
at the first "," and looks at 99 characters per line, and two codes with one
name would share a single report row, so names are short, comma-free and
unique; the script refuses to write a table that breaks any of this. Names
are written in plain ASCII ("Cote d'Ivoire"), which reads the same in any
encoding and in the graphs' single-byte fonts.

Usage: scripts/gen-country-codes.py [iso_3166-1.json] [output]
"""

import json
import pathlib
import sys
import unicodedata

DEFAULT_SOURCE = "/usr/share/iso-codes/json/iso_3166-1.json"
DEFAULT_OUTPUT = pathlib.Path(__file__).resolve().parent.parent / "data" / "Country_Codes.dat"

HEADER = "CODE Country (ISO 3166-1 alpha-2 codes and country top-level domains)"

# Names whose ISO form holds a comma and that iso-codes gives no common name.
COMMA_FREE_NAMES = {
    "BQ": "Caribbean Netherlands",
    "CD": "Democratic Republic of the Congo",
    "FM": "Micronesia",
    "PS": "Palestine",
    "SH": "Saint Helena",
    "VG": "British Virgin Islands",
    "VI": "U.S. Virgin Islands",
}

# GB shares its ISO name with the .uk domain below; the table keeps one row per
# name, so the little-used .gb domain gets a name of its own.
RENAMED = {
    "GB": "Great Britain",
    "US": "United States",
}

# Country top-level domains that are not ISO 3166-1 alpha-2 codes.
EXTRA_DOMAINS = {
    "AC": "Ascension Island",
    "AN": "Netherlands Antilles",
    "EU": "European Union",
    "SU": "Soviet Union",
    "TP": "East Timor",
    "UK": "United Kingdom",
    "YU": "Yugoslavia",
}

LINE_LIMIT = 99


def ascii_name(name):
    """The name with its accents dropped: "Åland Islands" -> "Aland Islands"."""
    decomposed = unicodedata.normalize("NFKD", name)
    return "".join(c for c in decomposed if not unicodedata.combining(c))


def country_names(source):
    with open(source, encoding="utf-8") as f:
        entries = json.load(f)["3166-1"]
    names = {}
    for entry in entries:
        code = entry["alpha_2"]
        names[code] = ascii_name(
            RENAMED.get(code) or COMMA_FREE_NAMES.get(code) or
            entry.get("common_name", entry["name"]))
    for code, name in EXTRA_DOMAINS.items():
        if code in names:
            sys.exit(f"gen-country-codes: {code} is an ISO code now; drop it from EXTRA_DOMAINS")
        names[code] = name
    return names


def check(names):
    seen = {}
    for code, name in names.items():
        line = f"{code} {name}"
        problems = []
        if len(code) != 2 or not code.isascii() or not code.isupper():
            problems.append("code is not two upper-case letters")
        if not line.isascii():
            problems.append("name is not plain ASCII")
        if "," in name:
            problems.append("name holds a comma")
        if len(line) > LINE_LIMIT:
            problems.append(f"line is longer than {LINE_LIMIT} characters")
        if name in seen:
            problems.append(f"name is also given to {seen[name]}")
        seen[name] = code
        if problems:
            sys.exit(f"gen-country-codes: {line}: " + "; ".join(problems))


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_SOURCE
    output = pathlib.Path(sys.argv[2]) if len(sys.argv) > 2 else DEFAULT_OUTPUT
    names = country_names(source)
    check(names)
    lines = [HEADER] + [f"{code} {names[code]}" for code in sorted(names)]
    output.write_text("\n".join(lines) + "\n", encoding="utf-8")
    print(f"gen-country-codes: wrote {len(names)} codes to {output}")


if __name__ == "__main__":
    main()
