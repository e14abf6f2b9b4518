#!/usr/bin/env python3
"""Compares the headings of kvword's Markdown with pandoc's for every .docx of a folder.

    scripts/markdown-headings.py KVWORD FOLDER [--show N]

For each .docx that pandoc reads (pandoc -f docx -t gfm), the headings of both
Markdown texts are listed (ATX headings outside fenced code: level and words, the
words being runs of letters or digits, case-folded) and compared as sequences.
Prints each document whose headings differ and the share that agree.
"""
import os
import re
import subprocess
import sys

WORD = re.compile(r"[^\W_]+", re.UNICODE)
TAG = re.compile(r"</?[A-Za-z][^>]*>")
ATX = re.compile(r"^ {0,3}(#{1,6})(?:[ \t]+(.*?))?(?:[ \t]+#+)?[ \t]*$")


def headings(markdown):
    out, fence = [], None
    for line in markdown.splitlines():
        stripped = line.lstrip(" ")
        if fence:
            if stripped.startswith(fence):
                fence = None
            continue
        if stripped.startswith("```") or stripped.startswith("~~~"):
            fence = stripped[:3]
            continue
        m = ATX.match(line)
        if m:
            text = TAG.sub(" ", m.group(2) or "")  # inline HTML such as <u>
            words = tuple(w.casefold() for w in WORD.findall(text))
            if words:
                out.append((len(m.group(1)), words))
    return out


def run(args):
    try:
        p = subprocess.run(args, capture_output=True, timeout=300)
    except subprocess.TimeoutExpired:
        return None
    return p.stdout.decode("utf-8", "replace") if p.returncode == 0 else None


def main():
    kvword, folder = sys.argv[1], sys.argv[2]
    show = int(sys.argv[sys.argv.index("--show") + 1]) if "--show" in sys.argv else 3
    same = read = 0
    for name in sorted(os.listdir(folder)):
        if not name.lower().endswith(".docx"):
            continue
        path = os.path.join(folder, name)
        theirs = run(["pandoc", "-f", "docx", "-t", "gfm", path])
        if theirs is None:
            continue
        ours = run([kvword, "--format=markdown", "--lf", "--quiet", path])
        read += 1
        a, b = headings(ours or ""), headings(theirs)
        if a == b:
            same += 1
            continue
        print("%s: kvword %d headings, pandoc %d" % (name, len(a), len(b)))
        shown = 0
        for x, y in list(zip(a + [None] * len(b), b + [None] * len(a)))[:max(len(a), len(b))]:
            if x != y and shown < show:
                print("   kvword %s | pandoc %s" % (x, y))
                shown += 1
        sys.stdout.flush()
    print("headings equal to pandoc's: %d of %d (%.1f%%)" % (same, read, 100.0 * same / max(read, 1)))


if __name__ == "__main__":
    main()
