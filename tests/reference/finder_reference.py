#!/usr/bin/env python3
"""Plain reference model of the find command's word forms and text finder.

Written as a literal, unoptimised reading of the rules, to cross-check parvel-cli:
dictionary loading (A49.DAT, A71.DAT, A80.DAT), the Russian word forms (GetWordForms and
its helpers), the phrase-pair and term variants, and the text finder with its mark-up.
Standard library only. All strings are Windows-1251 `bytes`; positions are 1-based.

Known places where parvel-cli deliberately differs from the literal rules are modelled by
the flags of `Options` (each one says which); everything else is literal.

Command line (for poking at single cases):
  finder_reference.py --data DIR forms WORD
  finder_reference.py --data DIR variants PHRASE
  finder_reference.py --data DIR find QUERY FILE [--out PATH]
"""

import bisect
import os
import re
import struct
import sys

SCRAMBLE_KEY = 0x98

# ---------------------------------------------------------------- Windows-1251 basics

_CASE_PAIRS = [(c, c + 32) for c in range(ord("A"), ord("Z") + 1)]
_CASE_PAIRS += [(c, c + 32) for c in range(0xC0, 0xE0)]
_CASE_PAIRS += [(0xA8, 0xB8), (0x80, 0x90), (0x81, 0x83), (0x8A, 0x9A), (0x8C, 0x9C),
                (0x8D, 0x9D), (0x8E, 0x9E), (0x8F, 0x9F), (0xA1, 0xA2), (0xA3, 0xBC),
                (0xA5, 0xB4), (0xAA, 0xBA), (0xAF, 0xBF), (0xB2, 0xB3), (0xBD, 0xBE)]

UPPER_TABLE = bytearray(range(256))
for _cap, _small in _CASE_PAIRS:
    UPPER_TABLE[_small] = _cap
UPPER_TABLE = bytes(UPPER_TABLE)

WORD_CHARS = set(range(ord("0"), ord("9") + 1))
WORD_CHARS |= set(range(ord("A"), ord("Z") + 1)) | set(range(ord("a"), ord("z") + 1))
WORD_CHARS |= set(range(0xC0, 0x100))
WORD_CHARS |= {0xA8, 0xB8, 0xA1, 0xA2, 0xB9, ord("%")}
WORD_CHARS = frozenset(WORD_CHARS)
assert len(WORD_CHARS) == 132

YO = b"\xa8"       # Ё
YE = b"\xc5"       # Е
I_CYR = b"\xb2"    # І
VOWELS = frozenset(b"\xc0\xc5\xc8\xce\xd3\xdb\xdd\xde\xdf")  # А Е И О У Ы Э Ю Я
DIGITS = frozenset(b"0123456789")
LOOKED_UP_SINGLES = DIGITS | frozenset(b"%INVX") | {0xB9, 0xDF}  # № Я
TRIM_BYTES = bytes(range(0x21))

PREFIX_NAI = b"\xc8\xc0\xcd"  # "ИАН": «НАИ» reversed
PREFIX_PO = b"\xce\xcf"       # "ОП": «ПО» reversed


def to_upper_1251(s):
    return s.translate(UPPER_TABLE)


def trim(s):
    return s.strip(TRIM_BYTES)


def normalise_word(s):
    return to_upper_1251(s).replace(YO, YE)


def find_from(pattern, text, start):
    """Case-sensitive substring position (1-based) from start, 0 when absent."""
    assert start >= 1
    if not pattern or len(pattern) > len(text) or start > len(text):
        return 0
    return text.find(pattern, start - 1) + 1


def find_from_no_case(pattern, text, start):
    assert start >= 1
    if not pattern or len(pattern) > len(text) or start > len(text):
        return 0
    return to_upper_1251(text).find(to_upper_1251(pattern), start - 1) + 1


def replace_all_text(source, find, replacement):
    """Case-sensitive replace of every occurrence, left to right, never overlapping."""
    if not source:
        return source
    out = []
    i = 0
    while len(source) - i >= len(find):
        p = source.find(find, i)
        if p < 0:
            break
        out.append(source[i:p])
        out.append(replacement)
        i = p + len(find)
    out.append(source[i:])
    return b"".join(out)


def split_words(s):
    """Maximal runs of word characters, in order."""
    words = []
    cur = bytearray()
    for b in s:
        if b in WORD_CHARS:
            cur.append(b)
        elif cur:
            words.append(bytes(cur))
            cur = bytearray()
    if cur:
        words.append(bytes(cur))
    return words


def read_lines(data):
    """Lines ended by CR, LF or CR LF; a final terminator adds no empty line."""
    return data.splitlines()


def unscramble(s):
    return bytes(b ^ SCRAMBLE_KEY for b in s)


def parse_int(s):
    m = re.fullmatch(rb"[+-]?[0-9]+", s)
    return int(s) if m else None


def split_at(text, sep):
    """Pieces between separators; no final empty piece; empty text gives no pieces."""
    pieces = text.split(sep)
    if pieces and pieces[-1] == b"":
        pieces.pop()
    return pieces


# ---------------------------------------------------------------- options

class Options:
    """Places where parvel-cli knowingly departs from the literal rules."""

    def __init__(self, literal=False):
        # Term variants: parvel-cli uses at most 8 term records (256 phrases). The oracle
        # stays literal and reports the record count so that callers can avoid such inputs.
        self.max_term_records = None
        # A variant without words is never satisfied (literally it always would be).
        self.wordless_variant_never_satisfied = not literal
        # Forms holding «Ё» go into the form set with «Е».
        self.fold_yo_in_forms = not literal
        # A word still open when the HTML runs out ends where its last byte ends (literally
        # the position becomes the length of the HTML, one short for a word at the very end).
        self.true_end_at_eof = not literal


# ---------------------------------------------------------------- dictionaries

class DictError(Exception):
    pass


class Dictionaries:
    def __init__(self, data_dir, options=None):
        self.opt = options or Options()
        self.data_dir = data_dir
        self.load_a71(os.path.join(data_dir, "A71.DAT"))
        self.load_a80(os.path.join(data_dir, "A80.DAT"))
        self.load_a49(os.path.join(data_dir, "A49.DAT"))
        self._prepare_indexes()

    # A71: group#first#second
    def load_a71(self, path):
        if not os.path.exists(path):
            raise DictError("Не найден файл " + path)
        with open(path, "rb") as f:
            data = f.read()
        self.ln_terms = []
        for raw in read_lines(data):
            line = unscramble(raw)
            h = line.find(b"#")
            if h < 0:
                group_text, rest = b"", line
                group = 0
                first, second = b"", trim(line)
            else:
                group_text = trim(line[:h])
                v = parse_int(group_text)
                group = v if v is not None else 0
                rest = line[h + 1:]
                h2 = rest.find(b"#")
                if h2 < 0:
                    first, second = trim(rest), b""
                else:
                    first, second = trim(rest[:h2]), trim(rest[h2 + 1:])
            self.ln_terms.append((group, first, second))

    # A80: numbers#phrases
    def load_a80(self, path):
        if not os.path.exists(path):
            raise DictError("Не найден файл " + path)
        with open(path, "rb") as f:
            data = f.read()
        self.qry_doc_lists = []
        for raw in read_lines(data):
            line = unscramble(raw)
            h = line.find(b"#")
            before = line if h < 0 else line[:h]
            after = b"" if h < 0 else line[h + 1:]
            numbers = []
            for piece in split_at(trim(before), b","):
                v = parse_int(trim(piece))
                v = v if v is not None else 0
                if v > 0:
                    numbers.append(v)
            phrases = split_at(trim(after), b",")
            self.qry_doc_lists.append((numbers, phrases))

    def load_a49(self, path):
        if not os.path.exists(path):
            raise DictError("Не найден файл " + path)
        with open(path, "rb") as f:
            buf = f.read()
        pos = 0

        def need(n):
            if pos + n > len(buf):
                raise DictError("A49.DAT is truncated")

        def u8():
            nonlocal pos
            need(1)
            v = buf[pos]
            pos += 1
            return v

        def u16():
            nonlocal pos
            need(2)
            v = struct.unpack_from("<H", buf, pos)[0]
            pos += 2
            return v

        def u32():
            nonlocal pos
            need(4)
            v = struct.unpack_from("<I", buf, pos)[0]
            pos += 4
            return v

        def i32():
            nonlocal pos
            need(4)
            v = struct.unpack_from("<i", buf, pos)[0]
            pos += 4
            return v

        def sstr():
            nonlocal pos
            z = buf.find(b"\0", pos)
            if z < 0:
                raise DictError("A49.DAT is truncated")
            s = unscramble(buf[pos:z])
            pos = z + 1
            return s

        n = u32()
        self.endings = [sstr() for _ in range(n)]
        n = u32()
        self.paradigms = []
        for _ in range(n):
            k = u8()
            self.paradigms.append([u16() for _ in range(k)])
        n = u32()
        self.base_stems = []
        self.base_paradigm = []
        for _ in range(n):
            p = u16()
            self.base_paradigm.append(p)
            self.base_stems.append(sstr())
        n = u32()
        self.base_group_of = [u16() for _ in range(n)]
        g = u32()
        self.base_groups = []
        for _ in range(g):
            k = u8()
            self.base_groups.append([u32() for _ in range(k)])
        n = u32()
        self.terms = []
        for _ in range(n):
            k = u8()
            self.terms.append([i32() for _ in range(k)])
        self.a49_rest = len(buf) - pos

    def _prepare_indexes(self):
        # Sort orders the binary searches rely on.
        assert self.endings == sorted(self.endings)
        assert self.base_stems == sorted(self.base_stems)
        self.par_low = [[c & 0x3FFF for c in codes] for codes in self.paradigms]
        for low in self.par_low:
            assert low == sorted(low)
        self.term_keys = [t[0] for t in self.terms]
        assert all(self.terms), "a term without elements"
        assert self.term_keys == sorted(self.term_keys)
        # For each ending number: (paradigm, its codes with that ending) in table order.
        # Equivalent to a binary search in every paradigm because each is sorted.
        self.by_ending = {}
        for p, codes in enumerate(self.paradigms):
            for c in codes:
                lst = self.by_ending.setdefault(c & 0x3FFF, [])
                if lst and lst[-1][0] == p:
                    lst[-1][1].append(c)
                else:
                    lst.append((p, [c]))

    # ---- table searches

    def ending_number(self, e):
        """Number of ending e (first equal element), or -1."""
        i = bisect.bisect_left(self.endings, e)
        if i < len(self.endings) and self.endings[i] == e:
            return i
        return -1

    def bases_with_stem(self, stem):
        i = bisect.bisect_left(self.base_stems, stem)
        out = []
        while i < len(self.base_stems) and self.base_stems[i] == stem:
            out.append(i)
            i += 1
        return out

    def first_base_not_less(self, stem):
        return bisect.bisect_left(self.base_stems, stem)

    def paradigm_codes_with_ending(self, e):
        """[(p, [codes of p with ending e in list order])] for p in table order."""
        return self.by_ending.get(e, [])

    def has_zero_ending(self, p):
        codes = self.paradigms[p]
        return bool(codes) and codes[0] == 0

    def terms_with_key(self, s):
        i = bisect.bisect_left(self.term_keys, s)
        out = []
        while i < len(self.term_keys) and self.term_keys[i] == s:
            out.append(i)
            i += 1
        return out


# ---------------------------------------------------------------- word forms

class FormSet:
    """Sorted string list with duplicates ignored."""

    def __init__(self, fold_yo=True):
        self.items = set()
        self.fold_yo = fold_yo

    def add(self, s):
        if self.fold_yo:
            s = s.replace(YO, YE)
        self.items.add(s)

    def __contains__(self, s):
        return s in self.items

    def sorted(self):
        return sorted(self.items)


def prefix_text(code):
    top = code & 0xC000
    if top == 0x4000:
        return PREFIX_NAI
    if top == 0x8000:
        return PREFIX_PO
    return b""


def prefix_rule(code, c):
    top = code & 0xC000
    if top == 0x4000 and c.endswith(PREFIX_NAI):
        return c[:-3]
    if top == 0x8000 and c.endswith(PREFIX_PO):
        return c[:-2]
    return c


class Morph:
    def __init__(self, dicts):
        self.d = dicts
        self.opt = dicts.opt

    def add_forms(self, s, x, p, forms):
        d = self.d
        for code in d.paradigms[p]:
            rev = d.endings[code & 0x3FFF] + s + x + prefix_text(code)
            forms.add(rev[::-1])

    def base_form(self, b):
        d = self.d
        codes = d.paradigms[d.base_paradigm[b]]
        if not codes:
            return d.base_stems[b][::-1]
        code = codes[0]
        return (d.endings[code & 0x3FFF] + d.base_stems[b] + prefix_text(code))[::-1]

    def find_stems(self, w):
        d = self.d
        r = w[::-1]
        stems = []
        for b in d.bases_with_stem(r):
            if d.has_zero_ending(d.base_paradigm[b]):
                stems.append(b)
        for k in range(len(r), 0, -1):
            e = d.ending_number(r[:k])
            if e < 0:
                continue
            c = r[k:]
            done = False
            for p, codes in d.paradigm_codes_with_ending(e):
                for code in codes:
                    c2 = prefix_rule(code, c)
                    for b in d.bases_with_stem(c2):
                        if d.base_paradigm[b] == p:
                            stems.append(b)
                    if len(stems) >= 3:
                        done = True
                        break
                if done:
                    break
        return stems

    def get_word_forms(self, w, forms):
        d = self.d
        if len(w) == 1 and w[0] not in LOOKED_UP_SINGLES:
            forms.add(w)
            return 1
        stems = self.find_stems(w)
        if stems:
            for b in stems:
                n = d.base_group_of[b]
                if n > 0:
                    for gb in d.base_groups[n - 1]:
                        self.add_forms(d.base_stems[gb], b"", d.base_paradigm[gb], forms)
                else:
                    self.add_forms(d.base_stems[b], b"", d.base_paradigm[b], forms)
            return 1
        if len(w) < 5 or all(ch in VOWELS for ch in w) or not any(ch in VOWELS for ch in w):
            forms.add(w)
            return 1
        return self.guess_forms(w, forms)

    def expand_by_ending(self, e, c, x, prefix_mode, forms):
        d = self.d
        count = 0
        for p, codes in d.paradigm_codes_with_ending(e):
            if count >= 3:
                break
            for code in codes:
                c2 = prefix_rule(code, c)
                ok = False
                if not prefix_mode:
                    ok = any(d.base_paradigm[b] == p for b in d.bases_with_stem(c2))
                else:
                    i = d.first_base_not_less(c2)
                    seen = 0
                    while (seen < 80 and i < len(d.base_stems)
                           and d.base_stems[i].startswith(c2)):
                        if d.base_paradigm[i] == p:
                            ok = True
                            break
                        seen += 1
                        i += 1
                if ok:
                    self.add_forms(c2, x, p, forms)
                    count += 1
                    break
        return count > 0

    def guess_forms(self, w, forms):
        d = self.d
        r = w[::-1]
        found = False
        for b in d.bases_with_stem(r):
            p = d.base_paradigm[b]
            if d.has_zero_ending(p):
                self.add_forms(r, b"", p, forms)
                found = True
        for k in range(len(r), 0, -1):
            e = d.ending_number(r[:k])
            if e >= 0 and self.expand_by_ending(e, r[k:], b"", False, forms):
                found = True
        if found:
            return 1
        count = 0
        x = b""
        while count < 10 and r:
            i = d.first_base_not_less(r)
            while i < len(d.base_stems) and d.base_stems[i].startswith(r):
                p = d.base_paradigm[i]
                if d.has_zero_ending(p):
                    self.add_forms(r, x, p, forms)
                    count += 1
                    found = True
                i += 1
            for k in range(len(r), 0, -1):
                e = d.ending_number(r[:k])
                if e >= 0 and self.expand_by_ending(e, r[k:], x, True, forms):
                    count += 1
                    found = True
                    break
            x = r[-1:] + x
            r = r[:-1]
        return 2 if found else 0

    def stem_of(self, w):
        d = self.d
        r = w[::-1]
        for b in d.bases_with_stem(r):
            if d.has_zero_ending(d.base_paradigm[b]):
                return b
        for i in range(len(r)):
            e = d.ending_number(r[:len(r) - i])
            if e < 0:
                continue
            c = r[len(r) - i:]
            for p, codes in d.paradigm_codes_with_ending(e):
                for code in codes:
                    c2 = prefix_rule(code, c)
                    for b in d.bases_with_stem(c2):
                        if d.base_paradigm[b] == p:
                            return b
        return -1

    def term_records(self, q):
        """(words, records) of the term variants of q."""
        d = self.d
        words = [w for w in (trim(w) for w in split_words(q)) if w]
        n = len(words)
        s = [self.stem_of(w) for w in words]
        records = []
        for wi in range(n):
            hits = d.terms_with_key(s[wi])
            if hits:
                records.append(("expand", wi, hits[0]))
        wi = 0
        while wi < n:
            for ln in range(n - wi, 0, -1):
                hit = -1
                for t, term in enumerate(d.terms):
                    if len(term) == ln + 1 and term[1:] == s[wi:wi + ln]:
                        hit = t
                        break
                if hit >= 0:
                    records.append(("contract", wi, hit))
                    wi += ln - 1
                    break
            wi += 1
        return words, records

    def add_term_variants(self, q, variants):
        d = self.d
        words, records = self.term_records(q)
        n = len(words)
        if not records:
            variants.append(q)
            return
        r = len(records)
        if self.opt.max_term_records is not None:
            r = min(r, self.opt.max_term_records)
            records = records[:r]
        for m in range(1 << r):
            parts = []
            i = 0
            while i < n:
                rec = next((ri for ri, rc in enumerate(records) if rc[1] == i), -1)
                if rec < 0 or not (m >> rec) & 1:
                    parts.append(words[i] + b" ")
                    i += 1
                elif records[rec][0] == "expand":
                    for el in d.terms[records[rec][2]][1:]:
                        parts.append(self.base_form(el) + b" ")
                    i += 1
                else:
                    term = d.terms[records[rec][2]]
                    parts.append(self.base_form(term[0]) + b" ")
                    i += len(term) - 1
            phrase = b"".join(parts)
            if phrase.endswith(b" "):
                phrase = phrase[:-1]
            variants.append(phrase)

    def add_abbrev_variants(self, q, variants):
        d = self.d
        t = b" " + q + b" "
        g = 0
        i = 0
        terms = d.ln_terms
        while i < len(terms):
            group, first, second = terms[i]
            res = replace_all_text(t, b" " + first + b" ", b" " + second + b" ")
            if res != t:
                variants.append(trim(res))
                g = group
            res = replace_all_text(t, b" " + second + b" ", b" " + first + b" ")
            if res != t:
                variants.append(trim(res))
                g = group
            if group == g:
                i += 1
                while i < len(terms) and terms[i][0] == group:
                    i += 1
            else:
                i += 1
        variants.append(q)

    def forms_of(self, word):
        """What `parvel-cli forms` prints for an already converted word."""
        w = normalise_word(word)
        fs = FormSet(self.opt.fold_yo_in_forms)
        code = self.get_word_forms(w, fs)
        return code, fs.sorted()


# ---------------------------------------------------------------- text finder

def normalise_query(text):
    q = to_upper_1251(trim(text))
    q = q.replace(I_CYR, b"I")
    q = q.replace(YO, YE)
    return q


def collect_variants(morph, text):
    q = normalise_query(text)
    variants = []
    morph.add_abbrev_variants(q, variants)
    morph.add_term_variants(q, variants)
    return variants


_ALNUM = set(b"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")
_HEX = set(b"0123456789ABCDEFabcdef")
_DIGITS = set(b"0123456789")


def char_ref_length(s, i):
    """Length of the character reference at s[i] (0-based): "&" 1-32 ASCII letters or
    digits ";", "&#" 1-7 digits ";" or "&#x"/"&#X" 1-6 hex digits ";"; 0 if none."""
    if i >= len(s) or s[i] != 0x26:
        return 0
    j = i + 1
    allowed, most = _ALNUM, 32
    if s[j:j + 1] == b"#":
        j += 1
        if s[j:j + 1] in (b"x", b"X"):
            j += 1
            allowed, most = _HEX, 6
        else:
            allowed, most = _DIGITS, 7
    k = j
    while k < len(s) and k - j < most and s[k] in allowed:
        k += 1
    if k == j or s[k:k + 1] != b";":
        return 0
    return k + 1 - i


def next_text_word(html, pos, true_end_at_eof=False):
    """Returns (word, new position); pos is 1-based."""
    n = len(html)
    if n == 0 or pos > n:
        return b"", pos
    tag = 0
    comment = 0
    boundary = True
    last_delim = None
    word = bytearray()
    p = pos
    while p <= n:
        ch = html[p - 1]
        if ch == 0x3C:  # <
            boundary = True
            if p < n and html[p] == 0x21:  # !
                comment += 1
            if comment <= 0:
                tag += 1
        elif ch == 0x3E:  # >
            boundary = True
            if comment <= 0:
                tag -= 1
            if p >= 2 and html[p - 2] == 0x2D:  # -
                comment -= 1
        elif comment > 0 or tag > 0:
            pass
        else:
            if boundary:
                boundary = False
                if word:
                    return bytes(word), pos
            ref_len = char_ref_length(html, p - 1) if ch == 0x26 and not word else 0
            if ref_len:
                # the whole reference is one delimiter
                last_delim = 0x3B
                tag = 0
                comment = 0
                p += ref_len
                continue
            if ch == 0x3B and last_delim == 0x26 and bytes(word) in (
                    b"nbsp", b"amp", b"lt", b"gt", b"quot"):
                word = bytearray()
            if ch not in WORD_CHARS:
                last_delim = ch
                if word:
                    return bytes(word), p
            else:
                word.append(ch)
                pos = p + 1
            tag = 0
            comment = 0
        p += 1
    if word and true_end_at_eof:
        return bytes(word), pos
    return bytes(word), n


class Query:
    def __init__(self, morph, text):
        self.variants_text = collect_variants(morph, text)
        self.variants = []
        for v in self.variants_text:
            words = []
            for w in split_words(v):
                w = to_upper_1251(trim(w))
                fs = FormSet(morph.opt.fold_yo_in_forms)
                if morph.get_word_forms(w, fs) == 0:
                    fs.add(w)
                words.append(fs)
            self.variants.append(words)
        self.largest = max((len(v) for v in self.variants), default=0)
        self.window = 50 if self.largest > 1 else 1


def mark_matches(morph, query_text, html):
    """Returns (marked html, occurrence count)."""
    if not html:
        return b"", 0
    query = Query(morph, query_text)
    all_sets = [fs for v in query.variants for fs in v]
    wordless_never = morph.opt.wordless_variant_never_satisfied

    cache = {}

    def word_at(p):
        if p not in cache:
            cache[p] = next_text_word(html, p, morph.opt.true_end_at_eof)
        return cache[p]

    start = 1
    b = find_from_no_case(b"<BODY", html, 1)
    if b:
        g = find_from(b">", html, b + 5)
        start = g + 1 if g else 1
    n = len(html)
    marks = []  # (occurrence, start, end)
    pos = start
    k = 0
    while pos < n:
        hit = False
        while pos < n:
            raw, pos = word_at(pos)
            w = normalise_word(raw)
            if not any(w in fs for fs in all_sets):
                continue
            window = [(w, pos)]
            p2 = pos
            for _ in range(query.window - 1):
                raw2, p2 = word_at(p2)
                window.append((normalise_word(raw2), p2))
            selected = [False] * len(window)
            satisfied = False
            for v in query.variants:
                if not v and wordless_never:
                    continue
                if all(any(e[0] in fs for e in window) for fs in v):
                    satisfied = True
                    for idx, e in enumerate(window):
                        if any(e[0] in fs for fs in v):
                            selected[idx] = True
            if not satisfied:
                continue
            last_end = None
            for idx, e in enumerate(window):
                if selected[idx]:
                    marks.append((k, e[1] - len(e[0]), e[1]))
                    last_end = e[1]
            if last_end is None:
                # A satisfied variant that selects nothing: only a wordless one can do this.
                raise RuntimeError("satisfied variant without selected words")
            pos = last_end
            hit = True
            break
        if not hit:
            break
        k += 1
    out = []
    prev = 1
    m_in_occ = {}
    for occ, s, e in marks:
        m = m_in_occ.get(occ, 0)
        m_in_occ[occ] = m + 1
        out.append(html[prev - 1:s - 1])
        out.append(b'<acronym id="fnd%d_%d">' % (occ, m))
        out.append(html[s - 1:e - 1])
        out.append(b"</acronym>")
        prev = e
    out.append(html[prev - 1:])
    return b"".join(out), len(m_in_occ)


# ---------------------------------------------------------------- command line

def _main(argv):
    import argparse
    ap = argparse.ArgumentParser()
    ap.add_argument("--data", required=True)
    ap.add_argument("--literal", action="store_true")
    ap.add_argument("command", choices=["forms", "variants", "find", "stats"])
    ap.add_argument("args", nargs="*")
    ap.add_argument("--out")
    a = ap.parse_args(argv)
    d = Dictionaries(a.data, Options(literal=a.literal))
    m = Morph(d)
    enc = "cp1251"
    if a.command == "forms":
        code, forms = m.forms_of(a.args[0].encode(enc))
        print(code)
        for f in forms:
            print(f.decode(enc))
    elif a.command == "variants":
        for v in collect_variants(m, a.args[0].encode(enc)):
            print(v.decode(enc))
    elif a.command == "find":
        with open(a.args[1], "rb") as f:
            html = f.read() + b" "
        marked, count = mark_matches(m, a.args[0].encode(enc), html)
        if a.out:
            with open(a.out, "wb") as f:
                f.write(marked)
        print(count)
    else:
        print("endings", len(d.endings), "paradigms", len(d.paradigms),
              "codes", sum(len(p) for p in d.paradigms),
              "max", max(len(p) for p in d.paradigms), "stems", len(d.base_stems),
              "groups", len(d.base_groups), "terms", len(d.terms),
              "a71", len(d.ln_terms), "a80", len(d.qry_doc_lists), "a49 rest", d.a49_rest)
        for nums, phrases in d.qry_doc_lists:
            print(nums, [p.decode(enc) for p in phrases])
        for t in d.terms:
            print(" | ".join(m.base_form(b).decode(enc) for b in t))
    return 0


if __name__ == "__main__":
    sys.exit(_main(sys.argv[1:]))
