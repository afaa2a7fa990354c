#!/usr/bin/env python3
"""Independent reference for the comparison run: tokenising, hashing, the diff
and the two marked result pages, written as plainly as possible so that the
C++ engine can be checked byte for byte against it.

Usage: reference_compare.py LEFT RIGHT OUTDIR   (prints the change count)
"""
import bisect
import os
import sys
import zlib

# ---------------------------------------------------------------------------
# Windows-1251 case mapping
# ---------------------------------------------------------------------------
_CASE_PAIRS = [(c, c + 0x20) for c in range(0x41, 0x5B)]          # A-Z / a-z
_CASE_PAIRS += [(c, c + 0x20) for c in range(0xC0, 0xE0)]         # А-Я / а-я
_CASE_PAIRS += [(0xA8, 0xB8), (0x80, 0x90), (0x81, 0x83), (0x8A, 0x9A),
                (0x8C, 0x9C), (0x8D, 0x9D), (0x8E, 0x9E), (0x8F, 0x9F),
                (0xA1, 0xA2), (0xA3, 0xBC), (0xA5, 0xB4), (0xAA, 0xBA),
                (0xAF, 0xBF), (0xB2, 0xB3), (0xBD, 0xBE)]

_upper = list(range(256))
_lower = list(range(256))
for cap, small in _CASE_PAIRS:
    _upper[small] = cap
    _lower[cap] = small
UPPER_TABLE = bytes(_upper)
LOWER_TABLE = bytes(_lower)

# ---------------------------------------------------------------------------
# String primitives (1-based positions, 0 = not found)
# ---------------------------------------------------------------------------


def find_from_no_case(pattern, text, start):
    assert start >= 1
    m = len(pattern)
    n = len(text)
    if m == 0 or m > n or start > n:
        return 0
    up = pattern.translate(UPPER_TABLE)
    # plain left-to-right scan: first occurrence at or after start
    for p in range(start - 1, n - m + 1):
        ok = True
        for j in range(m):
            if UPPER_TABLE[text[p + j]] != up[j]:
                ok = False
                break
        if ok:
            return p + 1
    return 0


def find_from_no_case_fast(pattern, text, start):
    """Same result as find_from_no_case, via an upper-cased copy (the mapping is
    byte for byte, so positions are unchanged)."""
    assert start >= 1
    m = len(pattern)
    if m == 0 or m > len(text) or start > len(text):
        return 0
    return text.translate(UPPER_TABLE).find(pattern.translate(UPPER_TABLE), start - 1) + 1


def replace_all_text(source, find, replacement, case_sensitive):
    if not source:
        return source
    assert find
    hay = source if case_sensitive else source.translate(UPPER_TABLE)
    needle = find if case_sensitive else find.translate(UPPER_TABLE)
    out = bytearray()
    pos = 0  # 0-based start of the not yet consumed rest
    while len(source) - pos >= len(find):
        p = hay.find(needle, pos)
        if p < 0:
            break
        out += source[pos:p]
        out += replacement
        pos = p + len(find)
    out += source[pos:]
    return bytes(out)

# ---------------------------------------------------------------------------
# Splitting and hashing
# ---------------------------------------------------------------------------

WORD_CHARS = set([0x25] + list(range(0x30, 0x3A)) + list(range(0x41, 0x5B))
                 + list(range(0x61, 0x7B)) + [0xA1, 0xA2, 0xA8, 0xB8, 0xB9]
                 + list(range(0xC0, 0x100)))
BLANKS = {0x09, 0x0A, 0x0D, 0x20, 0xA0}


def is_word(c):
    return c in WORD_CHARS


def is_punct(c):
    return c not in WORD_CHARS and c not in BLANKS


ASCII_ALNUM = set(b"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")
DIGITS = set(b"0123456789")
HEX_DIGITS = set(b"0123456789ABCDEFabcdef")


def char_ref_length(s, i):
    """Length of the character reference starting at s[i] (0-based), 0 if none:
    "&" 1-32 ASCII letters or digits ";", "&#" 1-7 digits ";", "&#x"/"&#X" 1-6 hex digits ";"."""
    n = len(s)
    if i >= n or s[i] != 0x26:
        return 0
    j = i + 1
    allowed, most = ASCII_ALNUM, 32
    if j < n and s[j] == 0x23:  # '#'
        j += 1
        if j < n and s[j] in (0x78, 0x58):  # 'x', 'X'
            j += 1
            allowed, most = HEX_DIGITS, 6
        else:
            allowed, most = DIGITS, 7
    k = j
    while k < n and k - j < most and s[k] in allowed:
        k += 1
    if k == j or k >= n or s[k] != 0x3B:  # ';'
        return 0
    return k + 1 - i


def calc_crc32(data):
    if len(data) <= 0:
        return 0
    v = zlib.crc32(data) & 0xFFFFFFFF
    return v - (1 << 32) if v >= (1 << 31) else v


def hash_line(text, ignore_case, ignore_blanks):
    s = bytes(text)
    if ignore_blanks:
        s = bytes(c for c in s if c not in (0x09, 0x20))
    if ignore_case:
        s = s.translate(LOWER_TABLE)
    return calc_crc32(s)


def split_html(html, positions, hashes, markup_starts=None):
    """markup_starts, when given, receives the 1-based position of every "<" that starts
    markup outside other markup."""
    n_html = len(html)
    if n_html == 0:
        return
    start = find_from_no_case_fast(b"<BODY", html, 1)
    if start == 0:
        start = 1
    tag_depth = 0
    comment_depth = 0
    last_markup_end = 0
    run = bytearray()

    def cut(r):
        n = len(r)
        j = 1
        while j <= n:
            k = j
            while j <= n and is_word(r[j - 1]):
                j += 1
            if j > k:
                positions.append(last_markup_end + k)
                hashes.append(hash_line(r[k - 1:j - 1], True, False))
            if j > n:
                break
            k = j
            while j <= n and is_punct(r[j - 1]):
                # a character reference is one punctuation character
                j += max(1, char_ref_length(r, j - 1))
            if j > k:
                positions.append(last_markup_end + k)
                hashes.append(hash_line(r[k - 1:j - 1], True, False))
            else:
                j += 1

    for i in range(start, n_html + 1):
        c = html[i - 1]
        if c == 0x3C:  # '<'
            if markup_starts is not None and tag_depth <= 0 and comment_depth <= 0:
                markup_starts.append(i)
            if i != n_html and html[i] == 0x21:  # '!'
                comment_depth += 1
            if comment_depth <= 0:
                tag_depth += 1
            if run:
                cut(run)
                run = bytearray()
        elif c == 0x3E:  # '>'
            if comment_depth <= 0:
                tag_depth -= 1
            if i > 1 and html[i - 2] == 0x2D:  # '-'
                comment_depth -= 1
            if tag_depth <= 0 and comment_depth <= 0:
                last_markup_end = i
        else:
            if tag_depth <= 0 and comment_depth <= 0:
                run.append(c)
                tag_depth = 0
                comment_depth = 0
    cut(run)

# ---------------------------------------------------------------------------
# Diff
# ---------------------------------------------------------------------------

DK_SAME, DK_INSERT, DK_DELETE, DK_CHANGE = 0, 1, 2, 3


class ChangeRec:
    __slots__ = ("kind", "index1", "index2", "value1", "value2")

    def __init__(self, kind=DK_SAME, index1=-1, index2=-1, value1=0, value2=0):
        self.kind, self.index1, self.index2 = kind, index1, index2
        self.value1, self.value2 = value1, value2

    def copy(self):
        return ChangeRec(self.kind, self.index1, self.index2, self.value1, self.value2)

    def __repr__(self):
        return "(%d,%d,%d)" % (self.kind, self.index1, self.index2)


class DiffError(Exception):
    pass


class Diff:
    MAXD_CAP = 0xFFFFFF

    def __init__(self):
        self.changes = []
        self.last = ChangeRec()
        self.A = None
        self.B = None

    def clear_changes(self):
        self.changes = []
        self.last = ChangeRec(DK_SAME, -1, -1, 0, 0)
        self.A = None
        self.B = None

    def compare_lists(self, A, B, count_a, count_b):
        self.clear_changes()
        self.A, self.B = A, B
        len_a, len_b = count_a, count_b
        while len_a > 0 and len_b > 0 and A[len_a - 1] == B[len_b - 1]:
            len_a -= 1
            len_b -= 1
        if not (len_a == 0 and len_b == 0):
            off = 0
            while len_a > 0 and len_b > 0 and A[off] == B[off]:
                off += 1
                len_a -= 1
                len_b -= 1
            self.recursive_diff(off, off, len_a, len_b)
        while self.last.index1 < count_a - 1:
            self.last.kind = DK_SAME
            self.last.index1 += 1
            self.last.index2 += 1
            self.last.value1 = A[self.last.index1]
            self.last.value2 = B[self.last.index2]
            self.changes.append(self.last.copy())
        return True

    def append_change(self, offset, count, kind):
        A, B, last, ch = self.A, self.B, self.last, self.changes
        while last.index1 < offset - 1:
            last.kind = DK_SAME
            last.index1 += 1
            last.index2 += 1
            last.value1 = A[last.index1]
            last.value2 = B[last.index2]
            ch.append(last.copy())
        if kind == DK_INSERT:
            for _ in range(count):
                if last.kind == DK_DELETE:
                    L = len(ch) - 1
                    while L > 0 and ch[L - 1].kind == DK_DELETE:
                        L -= 1
                    ch[L].kind = DK_CHANGE
                    last.index2 += 1
                    ch[L].index2 = last.index2
                    ch[L].value2 = B[last.index2]
                    if L == len(ch) - 1:
                        last.kind = DK_CHANGE
                else:
                    last.kind = DK_INSERT
                    last.value1 = 0
                    last.index2 += 1
                    last.value2 = B[last.index2]
                    ch.append(last.copy())
        elif kind == DK_DELETE:
            for _ in range(count):
                if last.kind == DK_INSERT:
                    L = len(ch) - 1
                    while L > 0 and ch[L - 1].kind == DK_INSERT:
                        L -= 1
                    ch[L].kind = DK_CHANGE
                    last.index1 += 1
                    ch[L].index1 = last.index1
                    ch[L].value1 = A[last.index1]
                    if L == len(ch) - 1:
                        last.kind = DK_CHANGE
                else:
                    last.kind = DK_DELETE
                    last.value2 = 0
                    last.index1 += 1
                    last.value1 = A[last.index1]
                    ch.append(last.copy())

    def recursive_diff(self, off1, off2, len_a, len_b):
        # Explicit stack instead of native recursion; sub-problems are taken
        # in the same order as the recursive form (first half finished first).
        stack = [(off1, off2, len_a, len_b)]
        while stack:
            job = stack.pop()
            subs = self._step(*job)
            for s in reversed(subs):
                stack.append(s)

    def _step(self, off1, off2, len_a, len_b):
        """One RecursiveDiffInt call up to the point where it would recurse;
        returns the list of sub-calls in order."""
        A, B = self.A, self.B
        if len_a == 0:
            if not len_b > 0:
                raise DiffError("oops!")
            self.append_change(off1, len_b, DK_INSERT)
            return []
        if len_b == 0:
            self.append_change(off1, len_a, DK_DELETE)
            return []
        if len_a == 1 and len_b == 1:
            if A[off1] == B[off2]:
                raise DiffError("oops!")
            self.append_change(off1, 1, DK_DELETE)
            self.append_change(off1, 1, DK_INSERT)
            return []
        max_d = min(max(len_a, len_b), self.MAXD_CAP)
        base = max_d + 1  # F[k] is stored at F[k + base]
        size = 2 * max_d + 3
        F = [-2147483647] * size
        F[base + 0] = -1
        R = [2147483647] * size
        R[base + len_a - len_b] = len_a - 1
        delta = len_a - len_b
        odd = (delta % 2) != 0

        def chk(ia, ib):
            if not (off1 <= ia < off1 + len_a and off2 <= ib < off2 + len_b):
                raise DiffError("index out of the sub-problem: %d %d" % (ia, ib))

        for D in range(1, max_d + 1):
            # forward pass
            k = D
            while k > len_a:
                k -= 2
            lo = max(-D, -len_b)
            while k >= lo:
                x = F[base + k + 1]
                if F[base + k - 1] >= x:
                    x = F[base + k - 1] + 1
                y = x - k
                while x < len_a - 1 and y < len_b - 1:
                    chk(off1 + x + 1, off2 + y + 1)
                    if A[off1 + x + 1] != B[off2 + y + 1]:
                        break
                    x += 1
                    y += 1
                F[base + k] = x
                if odd and F[base + k] >= R[base + k]:
                    xp, yp = x + 1, y + 1
                    a, b = xp, yp
                    while a > 0 and b > 0:
                        chk(off1 + a - 1, off2 + b - 1)
                        if A[off1 + a - 1] != B[off2 + b - 1]:
                            break
                        a -= 1
                        b -= 1
                    return [(off1, off2, a, b),
                            (off1 + xp, off2 + yp, len_a - xp, len_b - yp)]
                k -= 2
            # backward pass
            k = delta + D
            while k > len_a:
                k -= 2
            lo = max(delta - D, -len_b)
            while k >= lo:
                x = min(R[base + k - 1], R[base + k + 1] - 1)
                y = x - k
                while x >= 0 and y >= 0:
                    chk(off1 + x, off2 + y)
                    if A[off1 + x] != B[off2 + y]:
                        break
                    x -= 1
                    y -= 1
                R[base + k] = x
                if F[base + k] >= R[base + k]:
                    xp, yp = x + 1, y + 1
                    a, b = xp, yp
                    while a < len_a and b < len_b:
                        chk(off1 + a, off2 + b)
                        if A[off1 + a] != B[off2 + b]:
                            break
                        a += 1
                        b += 1
                    return [(off1, off2, xp, yp),
                            (off1 + a, off2 + b, len_a - a, len_b - b)]
                k -= 2
        raise DiffError("oops - error in RecursiveDiffInt()")

# ---------------------------------------------------------------------------
# Result pages
# ---------------------------------------------------------------------------

HEAD = (b'<html><head><meta http-equiv="Content-Type" content="text/html; '
        b'charset=windows-1251"/><link rel="stylesheet" href="etalon5.css" '
        b'type="text/css"></head>')
DEL_OPEN = b'<acronym id="t_d" style="background-color:#ffcccc; text-decoration: line-through">'
INS_OPEN = b'<acronym id="t_d" style="background-color:#ccffcc">'
INS_PLACE = b'<acronym id="t_d" style="background-color:#ccffcc">&nbsp;</acronym>'
DEL_PLACE = b'<acronym id="t_d" style="background-color:#ffcccc">&nbsp;</acronym>'
CLOSE = b'</acronym>'
DEL_CONT = b'<acronym id="t_dc" style="background-color:#ffcccc; text-decoration: line-through">'
INS_CONT = b'<acronym id="t_dc" style="background-color:#ccffcc">'
TABLE_TAG = b'<table style="background-color:#ffffff; text-decoration: none"'


def build_page(text, P, recs, side, markup_starts):
    """side 1: left page (index1, insert runs are placeholders);
    side 2: right page (index2, delete runs are placeholders).
    A marked run never encloses markup: while a piece of its mark is open, "</acronym>" goes
    right before every markup start inside the run, and the mark is reopened with the
    continuation tag right before the run's next token, if it has one."""
    if side == 1:
        skip_kind, placeholder, open_tag, cont_tag = DK_INSERT, INS_PLACE, DEL_OPEN, DEL_CONT
        open_kinds = (DK_DELETE, DK_CHANGE)
        idx = lambda r: r.index1
    else:
        skip_kind, placeholder, open_tag, cont_tag = DK_DELETE, DEL_PLACE, INS_OPEN, INS_CONT
        open_kinds = (DK_INSERT, DK_CHANGE)
        idx = lambda r: r.index2
    page = bytearray()
    nxt = 1
    count = 0
    prev = DK_SAME
    marking = False     # inside a marked run
    piece_open = False  # a piece of its mark is open
    N = len(recs)

    def copy_plain(q):
        nonlocal nxt
        if q > nxt:
            page.extend(text[nxt - 1:q - 1])
        nxt = q

    def copy_to(q):
        nonlocal piece_open
        while marking and nxt < q:
            if piece_open:
                k = bisect.bisect_left(markup_starts, nxt)
                if k == len(markup_starts) or markup_starts[k] >= q:
                    break
                copy_plain(markup_starts[k])
                page.extend(CLOSE)
                piece_open = False
            else:
                t = bisect.bisect_left(P, nxt)
                if t == len(P) or P[t] >= q:
                    break
                copy_plain(P[t])
                page.extend(cont_tag)
                piece_open = True
        copy_plain(q)

    def close():
        nonlocal piece_open
        if piece_open:
            page.extend(CLOSE)
        piece_open = False

    i = 0
    while i < N:
        if recs[i].kind == skip_kind:
            while i < N and recs[i].kind == skip_kind:
                i += 1
            q = P[idx(recs[i])] if i < N else len(text) + 1
            copy_to(q)
            close()
            marking = False
            page.extend(placeholder)
            count += 1
        if i < N and recs[i].kind != prev:
            copy_to(P[idx(recs[i])])
            close()
            if recs[i].kind in open_kinds:
                page.extend(open_tag)
                marking = True
                piece_open = True
                count += 1
            else:
                marking = False
            prev = recs[i].kind
        i += 1
    copy_to(len(text) + 1)
    close()
    return bytes(page), count


def run_comparison(text1, text2):
    """text1/text2: head + body outer HTML + "</html>". Returns (page1, page2, count)."""
    tails = []
    texts = []
    for t in (text1, text2):
        p = find_from_no_case_fast(b"</body", t, 1)
        if p:
            tails.append(t[p - 1:])
            t = t[:p - 1]
        else:
            tails.append(b"")
        texts.append(t)
    texts = [replace_all_text(t, b"&nbsp;", b" ", False) for t in texts]
    P1, H1, P2, H2, M1, M2 = [], [], [], [], [], []
    split_html(texts[0], P1, H1, M1)
    split_html(texts[1], P2, H2, M2)
    d = Diff()
    d.compare_lists(H1, H2, len(H1), len(H2))
    recs = d.changes
    left, _ = build_page(texts[0], P1, recs, 1, M1)
    right, change_count = build_page(texts[1], P2, recs, 2, M2)
    pages = []
    for pg, tail in ((left, tails[0]), (right, tails[1])):
        pg = replace_all_text(pg, b"> </p>", b">&nbsp;</p>", False)
        pg = replace_all_text(pg, b"<table", TABLE_TAG, False)
        pages.append(pg + tail)
    return pages[0], pages[1], change_count


def text_file_bytes(content):
    """Content split into lines at CR, LF or CR LF, each line ended by CR LF."""
    out = bytearray()
    i, n = 0, len(content)
    while i < n:
        j = i
        while j < n and content[j] not in (0x0D, 0x0A):
            j += 1
        out += content[i:j] + b"\r\n"
        if j < n and content[j] == 0x0D:
            j += 1
        if j < n and content[j] == 0x0A:
            j += 1
        i = j
    return bytes(out)


def view_text(file_bytes):
    """What the run reads from a view holding this file."""
    p = find_from_no_case_fast(b"<body", file_bytes, 1)
    if p:
        body = file_bytes[p - 1:]
    else:
        body = b"<body>" + file_bytes + b"</body>"
    return HEAD + body + b"</html>"


def main(argv):
    if len(argv) != 4:
        sys.stderr.write("usage: reference_compare.py LEFT RIGHT OUTDIR\n")
        return 2
    with open(argv[1], "rb") as f:
        b1 = f.read()
    with open(argv[2], "rb") as f:
        b2 = f.read()
    if not b1:
        sys.stderr.write("Text 1 is empty\n")
        return 1
    if not b2:
        sys.stderr.write("Text 2 is empty\n")
        return 1
    left, right, count = run_comparison(view_text(b1), view_text(b2))
    os.makedirs(argv[3], exist_ok=True)
    for name, pg in (("c1.htm", left), ("c2.htm", right)):
        with open(os.path.join(argv[3], name), "wb") as f:
            f.write(text_file_bytes(pg))
    print(count)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
