#!/usr/bin/env python3
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Builds data/dict.txt from Debian's wamerican word list.

What goes in: the lower-case words of 3 to 9 letters a-z of the source list, less every blocked word.
Blocked are the words of two maintained public lists, vendored under tools/blocklists/ with their
licences (BLOCKLISTS below), each with its simple inflections (plural, -s, -es, -ed, -er, -ing and the
like), and every word that contains one of the slurs of tools/blocklists/slurs.txt.

How the words are laid out: GetWord draws a starting line below 27,000 and, when it wants a word of 3 to
6 letters, returns the first line of that length after the starting line. A word of length n is therefore
drawn with a chance proportional to the number of starting lines between it and the previous word of
length n. So:

* the words of 3 to 6 letters, each length shuffled with a fixed seed, are spread at even intervals over
  the 27,000 starting lines, all but one of each length;
* the last word of each length comes right after the starting lines, so that a search from any starting
  line finds one, and it too gets its even share of starting lines;
* the rest of the starting lines hold words of 7 to 9 letters (drawn only as the first words of longer
  keys), spread evenly as well; the shorter ones are taken first, which gives 128-bit keys the most
  randomness (see FILLER_ORDER);
* the file ends after the four last words: nothing later could ever be drawn.

Lines end with CR LF. The result is checked before it is written; the script stops with a message when a
check fails, or when the source list is not the one recorded in SOURCE_SHA256 (another version would
give another dict.txt). How evenly the words can be drawn, and the bits of randomness of the keys made
from them, are measured by the program's own code in the test tst_ShippedDictionary, which holds the
README's table to them.

Not run during the build: run it by hand and commit data/dict.txt. The test tst_DictionaryGenerator runs
it into a temporary file and compares the result with data/dict.txt byte for byte.

    python3 tools/make_dict.py [--source FILE] [--output FILE] [--not-inflected FILE]
"""

import argparse
import hashlib
import json
import random
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BLOCKLIST_DIR = ROOT / "tools" / "blocklists"

# The source word list: Debian's package wamerican, version 2020.12.07-2 (SCOWL, size 50).
SOURCE = Path("/usr/share/dict/american-english")
SOURCE_PACKAGE = "wamerican 2020.12.07-2"
SOURCE_SHA256 = "9f513f1ceadb6a01c5485b7dbdfd5118dc66cd70b59cae2851292112d4066a32"

# The vendored lists: npm package, version, file and licence. Every entry of naughty-words' English list
# is blocked; of cuss, the entries rated 1 ("maybe") or 2 ("likely") to be used as profanity, while those
# rated 0 ("unlikely": "african", "beaver", "execution") stay.
BLOCKLISTS = [
    ("naughty-words", "1.2.0", "en.json", "CC-BY-4.0"),
    ("cuss", "2.2.0", "index.js", "MIT"),
]
CUSS_LEAST_RATING = 1
SLURS_FILE = BLOCKLIST_DIR / "slurs.txt"
NOT_INFLECTED_HEADER = (
    "# Written by tools/make_dict.py: entries of the vendored lists that are no words of the source list\n"
    "# (abbreviations and spellings) and whose inflections are other, innocent words (\"abid\": \"abided\").\n"
    "# These entries are blocked alone; every other entry is blocked with its inflections.\n")

SEED = 20240601
STARTING_LINES = 27000
LENGTHS = range(3, 10)
SPREAD_LENGTHS = range(3, 7)
# Words of these lengths fill the starting lines the short words leave free, in this order of preference.
# A 128-bit key whose first word has 7, 8 or 9 letters is finished with one word of 5, 4 or 3 letters, and
# there are more words of 5 letters than of 4 or 3, so a shorter first word makes the stronger key.
FILLER_ORDER = (7, 8, 9)
WORD = re.compile(r"[a-z]{3,9}")


# ---- blocking -----------------------------------------------------------------------------------------------

def read_naughty_words(path: Path) -> set[str]:
    return {entry.lower() for entry in json.loads(path.read_text(encoding="utf-8"))}


def read_cuss(path: Path) -> set[str]:
    entries = {}
    for line in path.read_text(encoding="utf-8").splitlines():
        m = re.fullmatch(r"\s*(?:'([^']+)'|([A-Za-z0-9_]+)):\s*(\d),?\s*", line)
        if m:
            entries[(m.group(1) or m.group(2)).lower()] = int(m.group(3))
    if not entries:
        raise SystemExit(f"make_dict.py: no entries read from {path}")
    return {word for word, rating in entries.items() if rating >= CUSS_LEAST_RATING}


def read_slurs(path: Path) -> list[str]:
    slurs = []
    for line in path.read_text(encoding="utf-8").splitlines():
        line = line.split("#", 1)[0].strip()
        if line:
            if not re.fullmatch(r"[a-z]+", line):
                raise SystemExit(f"make_dict.py: {path}: not a lower-case word: {line!r}")
            slurs.append(line)
    return slurs


def listed_words() -> set[str]:
    """Every entry of the vendored lists, as a-z words: multi-word entries also joined up ("blow job")."""
    entries = set()
    for package, version, file, _ in BLOCKLISTS:
        path = BLOCKLIST_DIR / f"{package}-{version}" / file
        entries |= read_naughty_words(path) if file.endswith(".json") else read_cuss(path)
    words = set()
    for entry in entries:
        for form in (entry, re.sub(r"[\s-]+", "", entry)):
            if re.fullmatch(r"[a-z]+", form):
                words.add(form)
    return words


def inflections(word: str) -> set[str]:
    """The word and its simple inflections: plural and -s, -es, -ed, -er(s), -ing(s), with a final e
    dropped, a final consonant doubled or a final y turned into i where English spelling does so."""
    forms = {word} | {word + e for e in ("es", "ed", "er", "ers", "ing", "ings")}
    if not word.endswith(("s", "x", "z", "sh", "ch")):
        forms.add(word + "s")
    if word.endswith("e"):
        forms |= {word + "d", word + "r", word + "rs", word[:-1] + "ing", word[:-1] + "ings"}
    if len(word) >= 3 and word[-1] in "bdglmnprt" and word[-2] in "aeiou" and word[-3] not in "aeiou":
        forms |= {word + word[-1] + e for e in ("ed", "er", "ers", "ing", "ings")}
    if word.endswith("y") and len(word) >= 2 and word[-2] not in "aeiou":
        forms |= {word[:-1] + e for e in ("ies", "ied", "ier", "iers", "iest")}
    return forms


def blocked_words(source_words: set[str]) -> tuple[set[str], list[str]]:
    """The blocked words, and the listed entries that were blocked alone, without inflections: those that
    are no words of the source list (abbreviations and spellings such as "abid" or "shav") and whose
    inflections would be innocent words ("abided", "shaving")."""
    blocked, alone = set(), []
    for word in sorted(listed_words()):
        if word in source_words:
            blocked |= inflections(word)
        else:
            blocked.add(word)
            if (inflections(word) - {word}) & source_words:
                alone.append(word)
    return blocked, alone


def is_blocked(word: str, blocked: set[str], slurs: list[str]) -> bool:
    return word in blocked or any(slur in word for slur in slurs)


# ---- the source list and the layout -------------------------------------------------------------------------

def read_source(source: Path) -> list[str]:
    with source.open(encoding="utf-8") as f:
        return sorted({line.rstrip("\n") for line in f if WORD.fullmatch(line.rstrip("\n"))})


def spread(groups: list[list[str]], ideal_positions: list[list[float]]) -> list[str]:
    """Merges the groups by each word's ideal position; ties go to the group listed first."""
    slots = []
    for g, (group, positions) in enumerate(zip(groups, ideal_positions)):
        slots.extend((position, g, i, word) for i, (word, position) in enumerate(zip(group, positions)))
    slots.sort()
    return [word for _, _, _, word in slots]


def arrange(words: list[str], seed: int) -> list[str]:
    rng = random.Random(seed)
    by_length = {n: sorted(w for w in words if len(w) == n) for n in LENGTHS}
    for n in LENGTHS:
        rng.shuffle(by_length[n])

    groups, positions, last_words = [], [], []
    for n in SPREAD_LENGTHS:
        group = by_length[n]
        step = STARTING_LINES / len(group)
        # Word i stands at (i + 1) * step, so it is found from the step starting lines before it; the last
        # word, at (len) * step = STARTING_LINES, is the one placed after the starting lines.
        groups.append(group[:-1])
        positions.append([(i + 1) * step for i in range(len(group) - 1)])
        last_words.append(group[-1])

    free = STARTING_LINES - sum(len(g) for g in groups)
    filler = []
    for n in FILLER_ORDER:
        filler.extend(by_length[n][: free - len(filler)])
    if len(filler) < free:
        raise SystemExit(f"make_dict.py: only {len(filler)} words to fill {free} starting lines")
    rng.shuffle(filler)
    groups.append(filler)
    positions.append([(j + 0.5) * STARTING_LINES / free for j in range(free)])
    return spread(groups, positions) + last_words


# ---- checks ----------------------------------------------------------------------------------------------------

def check(lines: list[str], blocked: set[str], slurs: list[str]) -> list[str]:
    problems = []
    if len(lines) < STARTING_LINES:
        problems.append(f"only {len(lines)} lines")
    if len(set(lines)) != len(lines):
        problems.append("duplicate words")
    bad = [w for w in lines if not WORD.fullmatch(w)]
    if bad:
        problems.append(f"not words of 3 to 9 letters a-z: {bad[:5]}")
    kept_blocked = [w for w in lines if is_blocked(w, blocked, slurs)]
    if kept_blocked:
        problems.append(f"blocked words kept: {kept_blocked[:5]}")
    for n in SPREAD_LENGTHS:
        if any(len(w) == n for w in lines[STARTING_LINES + 4:]):
            problems.append(f"length {n}: words after line {STARTING_LINES + 4}")
    return problems


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", type=Path, default=SOURCE)
    parser.add_argument("--output", type=Path, default=ROOT / "data" / "dict.txt")
    parser.add_argument("--not-inflected", type=Path, default=BLOCKLIST_DIR / "not-inflected.txt",
                        help="where to write the listed entries that are blocked without their inflections")
    args = parser.parse_args()

    digest = hashlib.sha256(args.source.read_bytes()).hexdigest()
    if digest != SOURCE_SHA256:
        print(f"make_dict.py: {args.source} is not the word list of {SOURCE_PACKAGE} (SHA-256 {digest});"
              " another list gives another dict.txt", file=sys.stderr)
        return 1

    source = read_source(args.source)
    blocked, alone = blocked_words(set(source))
    slurs = read_slurs(SLURS_FILE)
    words = [w for w in source if not is_blocked(w, blocked, slurs)]
    lines = arrange(words, SEED)
    problems = check(lines, blocked, slurs)
    if problems:
        print("make_dict.py: " + "; ".join(problems), file=sys.stderr)
        return 1
    args.output.write_bytes("".join(w + "\r\n" for w in lines).encode("ascii"))
    args.not_inflected.write_text(NOT_INFLECTED_HEADER + "".join(w + "\n" for w in alone), encoding="ascii")

    listed = listed_words()
    missed = [s for s in slurs if s not in listed]
    print(f"source: {SOURCE_PACKAGE}, {len(source)} words of 3 to 9 letters a-z")
    print("blocklists: " + ", ".join(f"{p} {v} ({lic})" for p, v, _, lic in BLOCKLISTS) +
          f"; {len(slurs)} slurs of {SLURS_FILE.name}, {len(missed)} of them in neither list: {' '.join(missed)}")
    print(f"left out: {len(source) - len(words)} words; kept {len(words)}, of which {len(lines)} are used")
    print(f"wrote {args.output}: {len(lines)} lines")
    return 0


if __name__ == "__main__":
    sys.exit(main())
