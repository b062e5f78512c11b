#!/usr/bin/env python3
"""Builds data/dict.txt from Debian's wamerican word list.

Keeps the lower-case words of 3 to 9 letters a-z, drops duplicates and a short list of profanity and
slurs, and lays them out in a fixed,
reproducible order:

* each length gets its words shuffled with a fixed seed;
* the lengths are interleaved by spreading the words of each length at regular intervals over the
  whole file, so a search for "the next word of length n" from a random starting line lands on a
  nearly uniformly chosen word of that length;
* lines end with CR LF.

The result is checked before it is written; the script stops with a message when a check fails.
Not run during the build: run it by hand and commit data/dict.txt.

    python3 tools/make_dict.py [--source /usr/share/dict/american-english] [--output data/dict.txt]
"""

import argparse
import random
import re
import string
import sys
from pathlib import Path

SEED = 20240601
STARTING_LINES = 27000
LENGTHS = range(3, 10)
SPREAD_LENGTHS = range(3, 7)
WORD = re.compile(r"[a-z]{3,9}")

# Words nobody wants to read out as a network key: profanity and slurs, with their common inflections.
BLOCKED = {
    "arse", "arses", "ass", "asses", "asshole", "assholes", "bastard", "bastards", "bitch", "bitched", "bitches",
    "bitchier", "bitchy", "bollocks", "chink", "chinks", "coon", "coons", "crap", "crapped", "crappier", "crappy",
    "craps", "cunt", "cunts", "damn", "damned", "damning", "damns", "dago", "dagos", "dick", "dicks", "dildo",
    "dildos", "dyke", "dykes", "fag", "faggot", "faggots", "fags", "fuck", "fucked", "fucker", "fuckers",
    "fucking", "fucks", "gook", "gooks", "goddamn", "goddamned", "honkies", "honky", "jap", "japs", "kike",
    "kikes", "nazi", "nazis", "negro", "negroes", "nigger", "niggers", "piss", "pissed", "pisses", "pissing",
    "porn", "porno", "rape", "raped", "rapes", "raping", "rapist", "rapists", "retard", "retarded", "retards",
    "shit", "shits", "shitted", "shittier", "shitting", "shitty", "slut", "sluts", "slutty", "spic", "spics",
    "twat", "twats", "wank", "wanked", "wanker", "wankers", "wetback", "wetbacks", "whore", "whores", "wop",
    "wops",
}


def read_words(source: Path) -> list[str]:
    with source.open(encoding="utf-8") as f:
        words = {line.strip("\n") for line in f if WORD.fullmatch(line.strip("\n"))}
    return sorted(words - BLOCKED)


def arrange(words: list[str], seed: int) -> list[str]:
    rng = random.Random(seed)
    by_length = {n: sorted(w for w in words if len(w) == n) for n in LENGTHS}
    total = len(words)
    slots = []
    for n, group in by_length.items():
        rng.shuffle(group)
        step = total / len(group)
        # Word i of this length wants position (i + 0.5) * step; merging all lengths by that ideal
        # position keeps every length evenly spread.
        slots.extend(((i + 0.5) * step, n, word) for i, word in enumerate(group))
    slots.sort()
    return [word for _, _, word in slots]


def check(lines: list[str]) -> list[str]:
    problems = []
    if len(lines) < STARTING_LINES:
        problems.append(f"only {len(lines)} lines")
    if len(set(lines)) != len(lines):
        problems.append("duplicate words")
    head = lines[:STARTING_LINES]
    missing_letters = set(string.ascii_lowercase) - {w[0] for w in head}
    if missing_letters:
        problems.append(f"no starting word begins with {''.join(sorted(missing_letters))}")
    missing_lengths = set(LENGTHS) - {len(w) for w in head}
    if missing_lengths:
        problems.append(f"no starting word has length {sorted(missing_lengths)}")
    for n in SPREAD_LENGTHS:
        at = [i for i, w in enumerate(lines) if len(w) == n]
        gaps = [b - a for a, b in zip(at, at[1:])]
        mean = (at[-1] - at[0]) / len(gaps)
        if max(gaps) > 2 * mean:
            problems.append(f"length {n}: longest gap {max(gaps)} exceeds twice the mean gap {mean:.1f}")
        if at[-1] < STARTING_LINES:
            problems.append(f"length {n}: no word follows starting line {STARTING_LINES - 1}")
    return problems


def main() -> int:
    root = Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", type=Path, default=Path("/usr/share/dict/american-english"))
    parser.add_argument("--output", type=Path, default=root / "data" / "dict.txt")
    args = parser.parse_args()

    lines = arrange(read_words(args.source), SEED)
    problems = check(lines)
    if problems:
        print("make_dict.py: " + "; ".join(problems), file=sys.stderr)
        return 1
    args.output.write_bytes("".join(w + "\r\n" for w in lines).encode("ascii"))
    print(f"wrote {len(lines)} words to {args.output}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
