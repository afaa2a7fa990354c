#!/usr/bin/env python3
"""Runs `parvel-cli compare` and the Python reference on the same pairs of texts
and demands byte-identical c1.htm / c2.htm and the same change count.

Pairs: edition pairs from the corpus folder (when present) and random pairs of
related, well-formed HTML fragments generated with a fixed seed.
"""
import argparse
import os
import random
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reference_compare as ref  # noqa: E402

CORPUS_PAIRS = ["01_nk1_st17", "02_nk1_st1", "03_nk1_st45", "04_nk1_gl8",
                "07_konstitutsiya", "08_semeyny_kodeks", "09_vodny_kodeks_gl1"]
# The smaller pairs only, for slow (for example sanitized) builds.
QUICK_CORPUS_PAIRS = ["01_nk1_st17", "02_nk1_st1", "03_nk1_st45", "09_vodny_kodeks_gl1"]

# Pairs left out on purpose (engine difference under investigation), by name.
EXCLUDED = set()


def enc(s):
    return s.encode("cp1251")

# ---------------------------------------------------------------------------
# Random well-formed documents
# ---------------------------------------------------------------------------


WORDS = [enc(w) for w in (
    "закон", "Закон", "ЗАКОН", "статья", "Статья", "пункт", "подпункт", "кодекс",
    "Российской", "Федерации", "ёлка", "Ёлка", "елка", "приказ", "налог", "сбор",
    "в", "и", "на", "по", "с", "не", "из", "за", "Об", "утверждении", "порядке",
    "10%", "№5", "2024", "1", "12", "ст", "Law", "tax", "Article", "ID", "x",
    "Ўзбек", "ўз", "разд", "ГЛАВА", "глава", "Минфин", "РФ", "нк", "НК",
    "её", "ЕЁ", "Её", "всё", "объём", "ОБЪЁМ", "учёт", "Учёт")]
PUNCT = [b",", b".", b"-", b"\x97", b"\x96", b"\xab", b"\xbb", b"(", b")", b";",
         b":", b"...", b",-", b"\xa7", b"\x93", b"\x94", b"!", b"?", b"/", b"*",
         b"&amp;", b"&quot;", b"\xb5", b"\xb2",
         # character references, and "&" that starts none
         b"&lt;", b"&gt;", b"&AMP;", b"&laquo;", b"&raquo;", b"&mdash;", b"&sect;", b"&#8804;",
         b"&#x2264;", b"&#X41;", b"&#1085;", b"&", b"&#", b"&laquo", b"&#12345678;", b"&#x1234567;",
         b"&#x;", b"&" + b"a" * 32 + b";", b"&" + b"a" * 33 + b";"]
SPACES = [b" ", b" ", b" ", b"  ", b"\r\n", b"\n", b"\t", b"&nbsp;", b"&NBSP;",
          b"\xa0", b" &nbsp;", b"&Nbsp; "]
INLINE_TAGS = [(b"<b>", b"</b>"), (b"<i>", b"</i>"), (b"<B>", b"</B>"),
               (b'<span class="s1">', b"</span>"), (b'<a href="doc.htm#p1">', b"</a>"),
               (b"<sup>", b"</sup>")]
P_OPEN = [b"<p>", b'<p class="s0">', b'<P align="center">', b'<p style="text-indent: 2em">']
P_CLOSE = {b"<p>": b"</p>", b'<p class="s0">': b"</p>",
           b'<P align="center">': b"</P>", b'<p style="text-indent: 2em">': b"</p>"}


def flip_case(w, rng):
    """Changes the case of some letters at random."""
    out = bytearray(w)
    for i, c in enumerate(out):
        if rng.random() < 0.5:
            up, low = ref.UPPER_TABLE[c], ref.LOWER_TABLE[c]
            out[i] = low if c == up else up
    return bytes(out)


def rnd_word(rng):
    w = rng.choice(WORDS)
    r = rng.random()
    if r < 0.1:
        w = w.translate(ref.UPPER_TABLE)
    elif r < 0.2:
        w = w.translate(ref.LOWER_TABLE)
    elif r < 0.3:
        w = flip_case(w, rng)
    return w


def rnd_item(rng):
    r = rng.random()
    if r < 0.6:
        return ["w", rnd_word(rng)]
    if r < 0.8:
        return ["p", rng.choice(PUNCT)]
    if r < 0.9:
        # a word split by inline markup
        w = rnd_word(rng)
        cut = rng.randint(0, len(w))
        o, c = rng.choice(INLINE_TAGS)
        return ["f", w[:cut] + o + w[cut:] + c]
    o, c = rng.choice(INLINE_TAGS)
    return ["f", o + rnd_word(rng) + c]


def rnd_block(rng):
    r = rng.random()
    n = rng.randint(0, 14)
    items = []
    for _ in range(n):
        items.append(rnd_item(rng))
        if rng.random() < 0.75:
            items.append(["s", rng.choice(SPACES)])
    if r < 0.1:
        return {"kind": "empty", "open": rng.choice([b"<p>", b"<P>", b'<p class="s0">']),
                "fill": rng.choice([b"&nbsp;", b"&NBSP;", b" "])}
    if r < 0.2:
        cells = [[rnd_item(rng) for _ in range(rng.randint(0, 4))] for _ in range(rng.randint(1, 3))]
        return {"kind": "table", "open": rng.choice([b"<table>", b'<TABLE border="1">', b'<Table class="t">']),
                "cells": cells}
    return {"kind": "p", "open": rng.choice(P_OPEN), "items": items}


def render_items(items):
    out = bytearray()
    for it in items:
        out += it[1]
        if it[0] != "s":
            # keep neighbouring items apart unless a blank item follows anyway
            pass
    return bytes(out)


def render(doc):
    out = bytearray(doc["prefix"])
    out += doc["body_open"]
    for b in doc["blocks"]:
        out += doc["sep"]
        if b["kind"] == "empty":
            close = b"</P>" if b["open"] == b"<P>" else b"</p>"
            out += b["open"] + b["fill"] + close
        elif b["kind"] == "table":
            out += b["open"] + b"<tr>"
            for cell in b["cells"]:
                out += b"<td>" + b" ".join(it[1] for it in cell) + b"</td>"
            out += b"</tr></table>"
        else:
            out += b["open"] + render_items(b["items"]) + P_CLOSE[b["open"]]
    out += doc["body_close"]
    return bytes(out)


def rnd_doc(rng):
    with_body = rng.random() < 0.85
    doc = {
        "prefix": rng.choice([b"", b"<html><head><title>\xd2\xe5\xea\xf1\xf2 title</title></head>\r\n"])
        if with_body else b"",
        "body_open": rng.choice([b"<body>", b"<BODY>", b'<body class="doc" bgcolor="#ffffff">', b"<Body>\r\n"])
        if with_body else b"",
        "body_close": rng.choice([b"</body></html>", b"</BODY>\r\n</HTML>\r\n", b"\r\n</body>\n</html>", b"</body>", b""])
        if with_body else b"",
        "sep": rng.choice([b"\r\n", b"\n", b"", b" "]),
        "blocks": [rnd_block(rng) for _ in range(rng.randint(0, 40 if rng.random() < 0.1 else 8))],
    }
    return doc


def mutate(doc, rng):
    import copy
    d = copy.deepcopy(doc)
    paras = [b for b in d["blocks"] if b["kind"] == "p"]
    for _ in range(rng.randint(0, 6)):
        op = rng.random()
        if op < 0.08:
            d["blocks"].insert(rng.randint(0, len(d["blocks"])), rnd_block(rng))
            continue
        if op < 0.14 and d["blocks"]:
            del d["blocks"][rng.randrange(len(d["blocks"]))]
            paras = [b for b in d["blocks"] if b["kind"] == "p"]
            continue
        if op < 0.18:
            d["sep"] = rng.choice([b"\r\n", b"\n", b"", b" "])
            continue
        if not paras:
            continue
        items = rng.choice(paras)["items"]
        if op < 0.4 or not items:
            pos = rng.randint(0, len(items))
            new = [rnd_item(rng), ["s", b" "]]
            items[pos:pos] = new
        elif op < 0.6:
            del items[rng.randrange(len(items))]
        elif op < 0.75:
            items[rng.randrange(len(items))] = rnd_item(rng)
        elif op < 0.87:
            i = rng.randrange(len(items))
            if items[i][0] in ("w", "f"):
                # case changes only; inside markup the letters are dropped anyway
                items[i][1] = flip_case(items[i][1], rng) if items[i][0] == "w" else items[i][1]
        else:
            i = rng.randrange(len(items))
            if items[i][0] == "s":
                items[i][1] = rng.choice(SPACES)
            else:
                items.insert(i, ["s", rng.choice(SPACES)])
    return d


def random_pair(rng):
    doc = rnd_doc(rng)
    left = render(doc)
    right = render(mutate(doc, rng))
    if rng.random() < 0.1:
        right = render(rnd_doc(rng))  # unrelated texts
    # a file without any text stands for a view without a document
    if not left:
        left = b"<p>&nbsp;</p>"
    if not right:
        right = b"<p>&nbsp;</p>"
    return left, right

# ---------------------------------------------------------------------------
# Running and comparing
# ---------------------------------------------------------------------------


def first_difference(a, b):
    n = min(len(a), len(b))
    for i in range(n):
        if a[i] != b[i]:
            return i
    return n if len(a) != len(b) else -1


def context(data, off, width=60):
    lo = max(0, off - width)
    return repr(data[lo:off]) + " | " + repr(data[off:off + width])


def check_pair(cli, name, left_bytes, right_bytes, workdir, timeout):
    """Returns None when equal, else a description of the first difference."""
    pair_dir = os.path.join(workdir, name)
    os.makedirs(pair_dir, exist_ok=True)
    lpath = os.path.join(pair_dir, "left.htm")
    rpath = os.path.join(pair_dir, "right.htm")
    with open(lpath, "wb") as f:
        f.write(left_bytes)
    with open(rpath, "wb") as f:
        f.write(right_bytes)
    out_dir = os.path.join(pair_dir, "out")
    proc = subprocess.run([cli, "compare", "--literal", lpath, rpath, out_dir],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
    if proc.returncode != 0:
        return "parvel-cli exited %d: %s" % (proc.returncode, proc.stderr.decode("utf-8", "replace").strip())
    try:
        cli_count = int(proc.stdout.decode().strip())
    except ValueError:
        return "unexpected parvel-cli output %r" % proc.stdout
    page1, page2, count = ref.run_comparison(ref.view_text(left_bytes), ref.view_text(right_bytes))
    problems = []
    if cli_count != count:
        problems.append("change count: parvel-cli %d, reference %d" % (cli_count, count))
    for fname, page in (("c1.htm", page1), ("c2.htm", page2)):
        expected = ref.text_file_bytes(page)
        with open(os.path.join(out_dir, fname), "rb") as f:
            actual = f.read()
        off = first_difference(expected, actual)
        if off >= 0:
            problems.append("%s differs at byte %d (expected %d bytes, got %d)\n"
                            "    expected: %s\n    actual:   %s"
                            % (fname, off, len(expected), len(actual),
                               context(expected, off), context(actual, off)))
    if problems:
        return "\n  ".join(problems) + "\n  inputs kept in " + pair_dir
    return None


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--cli", required=True, help="path of parvel-cli")
    ap.add_argument("--corpus", help="folder with the edition pairs (*_old.htm / *_new.htm)")
    ap.add_argument("--random", type=int, default=300, help="number of random pairs")
    ap.add_argument("--seed", type=int, default=20240601)
    ap.add_argument("--quick", action="store_true", help="small corpus part only (sanitized builds)")
    ap.add_argument("--keep", action="store_true", help="keep the work folder")
    args = ap.parse_args()

    started = time.monotonic()
    passed = failed = 0
    workdir = tempfile.mkdtemp(prefix="parvel_ref_")
    kept = args.keep

    cases = []
    if args.corpus and os.path.isdir(args.corpus):
        names = QUICK_CORPUS_PAIRS if args.quick else CORPUS_PAIRS
        for name in names:
            old = os.path.join(args.corpus, name + "_old.htm")
            new = os.path.join(args.corpus, name + "_new.htm")
            if not (os.path.isfile(old) and os.path.isfile(new)):
                print("note: corpus pair %s missing, skipped" % name)
                continue
            with open(old, "rb") as f:
                lb = f.read()
            with open(new, "rb") as f:
                rb = f.read()
            cases.append(("corpus_" + name, lb, rb))
    else:
        print("note: corpus folder %r not found; corpus pairs skipped" % args.corpus)

    rng = random.Random(args.seed)
    for n in range(args.random):
        lb, rb = random_pair(rng)
        cases.append(("random_%04d" % n, lb, rb))

    for name, lb, rb in cases:
        if name in EXCLUDED:
            print("skip %s (excluded)" % name)
            continue
        t0 = time.monotonic()
        problem = check_pair(args.cli, name, lb, rb, workdir, timeout=300)
        if problem is None:
            passed += 1
        else:
            failed += 1
            kept = True
            print("FAIL %s\n  %s" % (name, problem))
        if name.startswith("corpus_"):
            print("%s: %s in %.1f s" % (name, "ok" if problem is None else "FAILED", time.monotonic() - t0))

    if not kept:
        import shutil
        shutil.rmtree(workdir, ignore_errors=True)
    print("%d passed, %d failed (%.1f s)" % (passed, failed, time.monotonic() - started))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
