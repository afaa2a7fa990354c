#!/usr/bin/env node
// Generates the morphology dictionaries A49.DAT, A71.DAT and A80.DAT of the data folder from the
// OpenCorpora dictionary shipped by the npm package "az" (its dicts/ folder), plus the curated
// lists terms.txt, phrases.txt and querylists.txt beside this script.
//
//   node make_dicts.js [OUTDIR] [--coverage]
//
// OUTDIR defaults to ../data. The output depends only on the inputs: the same package version and
// lists give byte-identical files. --coverage also prints the share of 10,000 lexemes (fixed seed)
// whose every form is produced from one of its forms by a dictionary look-up.
'use strict';

const fs = require('fs');
const path = require('path');
const Az = require('az');

const KEY = 0x98;  // the one-byte scrambling key shared with the loader
const PREFIX_CODES = { '': 0, 'по': 0x8000, 'наи': 0x4000 };
const MAX_LIST = 255;
const MAX_ENDINGS = 16384;

const args = process.argv.slice(2);
const wantCoverage = args.includes('--coverage');
const outDir = path.resolve(args.find((a) => !a.startsWith('--')) || path.join(__dirname, '..', 'data'));
const dictDir = path.join(path.dirname(require.resolve('az/package.json')), 'dicts');

// ---------------------------------------------------------------------------------------------
// Windows-1251 as "binary" JS strings (one char per byte, code 0..255), upper case, Ё as Е.

function uniToByte(cp) {
  if (cp < 0x80) return cp;
  if (cp >= 0x410 && cp <= 0x44F) return cp - 0x410 + 0xC0;
  if (cp === 0x401) return 0xA8;
  if (cp === 0x451) return 0xB8;
  return -1;
}

// Unicode text -> normalised 1251 string; null when a character has no 1251 byte.
function norm(text) {
  let out = '';
  for (const ch of text) {
    let b = uniToByte(ch.codePointAt(0));
    if (b < 0) return null;
    out += String.fromCharCode(b);
  }
  return normBytes(out);
}

// 1251 string (any case) -> upper case with Ё folded into Е.
function normBytes(s) {
  let out = '';
  for (let i = 0; i < s.length; i++) {
    let b = s.charCodeAt(i);
    if (b >= 0x61 && b <= 0x7A) b -= 0x20;
    else if (b >= 0xE0) b -= 0x20;
    else if (b === 0xA8 || b === 0xB8) b = 0xC5;
    out += String.fromCharCode(b);
  }
  return out;
}

function isWord(s) {
  for (let i = 0; i < s.length; i++) {
    const b = s.charCodeAt(i);
    if (!((b >= 0x30 && b <= 0x39) || (b >= 0x41 && b <= 0x5A) || (b >= 0xC0 && b <= 0xDF))) return false;
  }
  return true;
}

const rev = (s) => s.split('').reverse().join('');
const cmp = (a, b) => (a < b ? -1 : a > b ? 1 : 0);  // code units are bytes: byte order
const toUtf8 = (s) => {
  let out = '';
  for (let i = 0; i < s.length; i++) {
    const b = s.charCodeAt(i);
    out += b >= 0xC0 ? String.fromCharCode(b - 0xC0 + 0x410) : b === 0xA8 ? 'Ё' : String.fromCharCode(b);
  }
  return out;
};

// ---------------------------------------------------------------------------------------------
// The source: all lexemes of the word DAWG.

function readSource() {
  const meta = Object.fromEntries(JSON.parse(fs.readFileSync(path.join(dictDir, 'meta.json'), 'utf8')));
  const prefixes = meta.compile_options.paradigm_prefixes;
  for (const p of prefixes) if (!(p in PREFIX_CODES)) throw new Error('unexpected paradigm prefix ' + p);
  const suffixes = JSON.parse(fs.readFileSync(path.join(dictDir, 'suffixes.json'), 'utf8'));
  const raw = fs.readFileSync(path.join(dictDir, 'paradigms.array'));
  const list = new Uint16Array(raw.buffer.slice(raw.byteOffset, raw.byteOffset + raw.length));
  const paradigms = [];
  for (let i = 0, pos = 1; i < list[0]; i++) {
    const size = list[pos++];
    paradigms.push(list.subarray(pos, pos + size));
    pos += size;
  }
  const buf = fs.readFileSync(path.join(dictDir, 'words.dawg'));
  const dawg = Az.DAWG.fromArrayBuffer(buf.buffer.slice(buf.byteOffset, buf.byteOffset + buf.length), 'words');

  // Every word with form number 0 opens a lexeme: its stem is the word without the form's
  // prefix and suffix; the paradigm gives all other forms.
  const lexemes = new Map();  // "paradigm|stem" -> {para, stem}
  let words = 0;
  const key = [];
  const walk = (index) => {
    let label = dawg.guide[index << 1];
    while (label) {
      const child = dawg.followByte(label, index);
      if (child === -1) break;
      if (label === 1) {
        const word = String.fromCharCode(...key);
        for (const [para, form] of dawg.iterateAll(child)) {
          words++;
          if (form !== 0) continue;
          const p = paradigms[para];
          const n = p.length / 3;
          const pre = prefixes[p[2 * n]].length, suf = suffixes[p[0]].length;
          const stem = word.slice(pre, word.length - suf);
          lexemes.set(para + '|' + stem, { para, stem });
        }
      } else {
        key.push(label);
        walk(child);
        key.pop();
      }
      label = dawg.guide[(child << 1) + 1];
    }
  };
  walk(0);

  // Forms of each lexeme: {prefix code, body (stem + suffix)} normalised, word characters only.
  const result = [];
  const sortedKeys = [...lexemes.keys()].sort(cmp);
  let dropped = 0;
  for (const k of sortedKeys) {
    const { para, stem } = lexemes.get(k);
    const p = paradigms[para];
    const n = p.length / 3;
    const seen = new Set();
    const forms = [];
    for (let j = 0; j < n; j++) {
      const suffix = norm(suffixes[p[j]]);
      const body = suffix === null ? null : normBytes(stem) + suffix;
      if (body === null || !isWord(body) || body.length === 0) continue;
      const code = PREFIX_CODES[prefixes[p[2 * n + j]]];
      const id = code + ':' + body;
      if (seen.has(id)) continue;
      seen.add(id);
      forms.push({ code, body });
    }
    if (forms.length) result.push(forms); else dropped++;
  }
  return { meta, words, lexemes: result, dropped, sourceLexemes: lexemes.size };
}

// ---------------------------------------------------------------------------------------------
// Tables.

function commonPrefix(strs) {
  let p = strs[0];
  for (const s of strs) {
    let i = 0;
    while (i < p.length && i < s.length && p[i] === s[i]) i++;
    p = p.slice(0, i);
  }
  return p;
}

// Splits a lexeme's forms into parts with a non-empty common stem each: one part unless the forms
// share no first letter (a word written with several stems).
function stemParts(forms) {
  const stem = commonPrefix(forms.map((f) => f.body));
  if (stem.length) return [{ stem, forms }];
  const byFirst = new Map();
  for (const f of forms) {
    const c = f.body[0];
    if (!byFirst.has(c)) byFirst.set(c, []);
    byFirst.get(c).push(f);
  }
  return [...byFirst.keys()].sort(cmp).map((c) => {
    const fs2 = byFirst.get(c);
    return { stem: commonPrefix(fs2.map((f) => f.body)), forms: fs2 };
  });
}

// entries: [{stem, endings: [{code, ending}], lexeme}], extra indeclinable stems: [stem].
function buildTables(lexemes, extraStems) {
  // Stem entries per lexeme, endings reading order.
  const entries = [];  // {stem, ends: [[prefixCode, ending]], lex}
  lexemes.forEach((forms, lex) => {
    for (const part of stemParts(forms)) {
      entries.push({ stem: part.stem, ends: part.forms.map((f) => [f.code, f.body.slice(part.stem.length)]), lex });
    }
  });
  extraStems.forEach((s, i) => entries.push({ stem: s, ends: [[0, '']], lex: lexemes.length + i, added: true }));

  // Endings, reversed, byte order.
  const endSet = new Set();
  for (const e of entries) for (const [, end] of e.ends) endSet.add(rev(end));
  const endings = [...endSet].sort(cmp);
  if (endings.length >= MAX_ENDINGS) throw new Error('too many endings: ' + endings.length);
  const endIndex = new Map(endings.map((e, i) => [e, i]));
  const lowThenCode = (a, b) => ((a & 0x3FFF) - (b & 0x3FFF)) || (a - b);

  // Codes per entry; lists longer than a list may hold are cut into pieces that share the stem.
  const pieces = [];  // {stem, codes, lex}
  for (const e of entries) {
    const codes = [...new Set(e.ends.map(([code, end]) => code | endIndex.get(rev(end))))].sort(lowThenCode);
    for (let i = 0; i < codes.length; i += MAX_LIST) {
      pieces.push({ stem: e.stem, codes: codes.slice(i, i + MAX_LIST), lex: e.lex, added: e.added ? 1 : 0 });
    }
  }

  // Identical paradigms merged; the most used first, so guesses try common inflections first.
  const paraUse = new Map();
  for (const p of pieces) {
    p.key = p.codes.join(',');
    paraUse.set(p.key, (paraUse.get(p.key) || 0) + 1);
  }
  const paraKeys = [...paraUse.keys()].sort((a, b) => (paraUse.get(b) - paraUse.get(a)) || cmp(a, b));
  if (paraKeys.length > 0x10000) throw new Error('too many paradigms: ' + paraKeys.length);
  const paraIndex = new Map(paraKeys.map((k, i) => [k, i]));
  const paradigms = paraKeys.map((k) => k.split(',').map(Number));

  // Stems; a lexeme with several pieces becomes a group. Repeated stems with the same paradigm
  // and no group are kept once, and so are repeated groups.
  const byLex = new Map();
  for (const p of pieces) {
    if (!byLex.has(p.lex)) byLex.set(p.lex, []);
    byLex.get(p.lex).push({ rstem: rev(p.stem), para: paraIndex.get(p.key), added: p.added });
  }
  const single = new Set();
  const groupSet = new Set();
  const groupsRaw = [];
  for (const list of byLex.values()) {
    if (list.length === 1) { single.add(list[0].rstem + '\u0000' + list[0].para + '\u0000' + list[0].added); continue; }
    const gk = list.map((b) => b.rstem + '\u0000' + b.para).join('\u0001');
    if (groupSet.has(gk)) continue;
    groupSet.add(gk);
    if (list.length > MAX_LIST) throw new Error('a word with more than 255 stems');
    groupsRaw.push(list);
  }
  const bases = [];
  for (const k of single) {
    const [rstem, para, added] = k.split('\u0000');
    bases.push({ rstem, para: Number(para), group: 0, added: Number(added) });
  }
  groupsRaw.forEach((list, g) => { for (const b of list) bases.push({ rstem: b.rstem, para: b.para, group: g + 1, added: 0 }); });
  // Among equal stems an added abbreviation comes first, so that it is the stem a term finds.
  bases.sort((a, b) => cmp(a.rstem, b.rstem) || (b.added - a.added) || (a.para - b.para) || (a.group - b.group));
  if (groupsRaw.length > 0xFFFF) throw new Error('too many stem groups');
  const groups = groupsRaw.map(() => []);
  bases.forEach((b, i) => { if (b.group) groups[b.group - 1].push(i); });
  return { endings, paradigms, bases, groups };
}

// ---------------------------------------------------------------------------------------------
// Look-ups over the finished tables, as the word forms do them.

const NAI = norm('наи'), PO = norm('по');
const NAI_R = rev(NAI), PO_R = rev(PO);
const prefixText = (code) => ((code & 0xC000) === 0x4000 ? NAI : (code & 0xC000) === 0x8000 ? PO : '');

class Lookup {
  constructor(t) {
    this.t = t;
    this.endIndex = new Map(t.endings.map((e, i) => [e, i]));
    this.byEnding = new Map();  // ending number -> [[paradigm, code]] in table order
    t.paradigms.forEach((codes, p) => {
      for (const c of codes) {
        const e = c & 0x3FFF;
        if (!this.byEnding.has(e)) this.byEnding.set(e, []);
        this.byEnding.get(e).push([p, c]);
      }
    });
  }
  lower(rstem) {
    const b = this.t.bases;
    let lo = 0, hi = b.length;
    while (lo < hi) { const m = (lo + hi) >> 1; if (b[m].rstem < rstem) lo = m + 1; else hi = m; }
    return lo;
  }
  * stems(rstem) {
    const b = this.t.bases;
    for (let i = this.lower(rstem); i < b.length && b[i].rstem === rstem; i++) yield i;
  }
  zeroEnding(p) { return this.t.paradigms[p][0] === 0; }
  static prefixRule(code, c) {
    if ((code & 0xC000) === 0x4000 && c.endsWith(NAI_R)) return c.slice(0, -3);
    if ((code & 0xC000) === 0x8000 && c.endsWith(PO_R)) return c.slice(0, -2);
    return c;
  }
  stemOf(word) {
    const r = rev(word);
    for (const i of this.stems(r)) if (this.zeroEnding(this.t.bases[i].para)) return i;
    for (let i = 0; i < r.length; i++) {
      const e = this.endIndex.get(r.slice(0, r.length - i));
      if (e === undefined) continue;
      const c = r.slice(r.length - i);
      for (const [p, code] of this.byEnding.get(e) || []) {
        const c2 = Lookup.prefixRule(code, c);
        for (const b of this.stems(c2)) if (this.t.bases[b].para === p) return b;
      }
    }
    return -1;
  }
  formsOf(b, out) {
    const { rstem, para } = this.t.bases[b];
    for (const code of this.t.paradigms[para]) {
      out.add(prefixText(code) + rev(rstem) + rev(this.t.endings[code & 0x3FFF]));
    }
  }
  baseForm(b) {
    const { rstem, para } = this.t.bases[b];
    const codes = this.t.paradigms[para];
    const code = codes[0];
    return prefixText(code) + rev(rstem) + rev(this.t.endings[code & 0x3FFF]);
  }
  // All forms a known word gets (stems found by ending, groups expanded).
  wordForms(word) {
    const out = new Set();
    const r = rev(word);
    const found = [];
    for (const i of this.stems(r)) if (this.zeroEnding(this.t.bases[i].para)) found.push(i);
    for (let k = r.length; k >= 1; k--) {
      const e = this.endIndex.get(r.slice(0, k));
      if (e === undefined) continue;
      const c = r.slice(k);
      outer: for (const [p, code] of this.byEnding.get(e) || []) {
        const c2 = Lookup.prefixRule(code, c);
        for (const b of this.stems(c2)) {
          if (this.t.bases[b].para !== p) continue;
          found.push(b);
          if (found.length >= 3) break outer;
        }
      }
    }
    for (const b of found) {
      const g = this.t.bases[b].group;
      if (g) for (const m of this.t.groups[g - 1]) this.formsOf(m, out);
      else this.formsOf(b, out);
    }
    return out;
  }
}

// ---------------------------------------------------------------------------------------------
// Curated lists.

function readLines(name) {
  return fs.readFileSync(path.join(__dirname, name), 'utf8').split(/\r?\n/);
}

// terms.txt: "ТЕРМИН = слова его полного названия"; "#" starts a comment.
function readTerms() {
  const terms = [];
  for (const line of readLines('terms.txt')) {
    const s = line.replace(/#.*/, '').trim();
    if (!s) continue;
    const [one, many] = s.split('=').map((x) => x.trim());
    const w = (x) => x.split(/[^0-9A-Za-zА-Яа-яЁё]+/).filter(Boolean).map(norm);
    terms.push({ one: w(one), many: w(many) });
    if (terms[terms.length - 1].one.length !== 1) throw new Error('a term must be one word: ' + line);
  }
  return terms;
}

// phrases.txt: groups of "КОРОТКО = полностью" lines separated by blank lines.
function readPhrases() {
  const groups = [];
  let current = null;
  for (const line of readLines('phrases.txt')) {
    const s = line.replace(/#.*/, '').trim();
    if (!s) { current = null; continue; }
    if (!current) groups.push((current = []));
    const [a, b] = s.split('=').map((x) => norm(x.trim().replace(/\s+/g, ' ')));
    if (!a || !b) throw new Error('bad phrase pair: ' + line);
    current.push([a, b]);
  }
  return groups;
}

// ---------------------------------------------------------------------------------------------
// Writers.

function scrambled(str) {
  const out = Buffer.alloc(str.length);
  for (let i = 0; i < str.length; i++) {
    const b = str.charCodeAt(i) ^ KEY;
    if (b === 0 || b === 0x0A || b === 0x0D) throw new Error('a byte that the key cannot scramble: ' + str);
    out[i] = b;
  }
  return out;
}

function encodeA49(t, terms) {
  const parts = [];
  const u8 = (v) => parts.push(Buffer.from([v & 0xFF]));
  const u16 = (v) => { const b = Buffer.alloc(2); b.writeUInt16LE(v); parts.push(b); };
  const u32 = (v) => { const b = Buffer.alloc(4); b.writeUInt32LE(v >>> 0); parts.push(b); };
  const str = (s) => { parts.push(scrambled(s)); u8(0); };
  u32(t.endings.length);
  t.endings.forEach(str);
  u32(t.paradigms.length);
  for (const p of t.paradigms) { u8(p.length); p.forEach(u16); }
  u32(t.bases.length);
  for (const b of t.bases) { u16(b.para); str(b.rstem); }
  u32(t.bases.length);
  for (const b of t.bases) u16(b.group);
  u32(t.groups.length);
  for (const g of t.groups) { u8(g.length); g.forEach(u32); }
  u32(terms.length);
  for (const tr of terms) { u8(tr.length); tr.forEach(u32); }
  return Buffer.concat(parts);
}

function textFile(lines) {
  return Buffer.concat(lines.map((l) => Buffer.concat([scrambled(l), Buffer.from('\r\n')])));
}

// ---------------------------------------------------------------------------------------------

function main() {
  const t0 = Date.now();
  const src = readSource();
  const termList = readTerms();
  const phraseGroups = readPhrases();

  // Words of the terms that the dictionary lacks become indeclinable stems.
  let tables = buildTables(src.lexemes, []);
  let look = new Lookup(tables);
  // A term word itself (an abbreviation) that the dictionary knows only as a form of some other
  // word (ВАС of ВЫ) gets its own stem too, or every form of that word would expand to the term.
  const termWords = [...new Set(termList.flatMap((t) => [...t.one, ...t.many]))].sort(cmp);
  const oneWords = new Set(termList.map((t) => t.one[0]));
  const indeclinable = (i) => i >= 0 && tables.paradigms[tables.bases[i].para].join() === '0';
  const missing = termWords.filter((w) => look.stemOf(w) < 0 || (oneWords.has(w) && !indeclinable(look.stemOf(w))));
  if (missing.length) {
    tables = buildTables(src.lexemes, missing);
    look = new Lookup(tables);
  }
  const terms = [];
  for (const t of termList) {
    const ids = [...t.one, ...t.many].map((w) => look.stemOf(w));
    if (ids.some((i) => i < 0)) throw new Error('no stem for a term word: ' + t.one.map(toUtf8));
    if (ids.length > MAX_LIST) throw new Error('term too long');
    terms.push(ids);
  }
  terms.sort((a, b) => a[0] - b[0]);  // stable: file order within one term word

  fs.mkdirSync(outDir, { recursive: true });
  const a49 = encodeA49(tables, terms);
  const a71Lines = [];
  phraseGroups.forEach((g, i) => { for (const [a, b] of g) a71Lines.push(`${i + 1}#${a}#${b}`); });
  const a80Lines = readLines('querylists.txt').map((l) => l.replace(/#\s.*$/, '').trim())
    .filter((l) => l && !l.startsWith('#')).map((l) => norm(l));
  writeAtomically(path.join(outDir, 'A49.DAT'), a49);
  writeAtomically(path.join(outDir, 'A71.DAT'), textFile(a71Lines));
  writeAtomically(path.join(outDir, 'A80.DAT'), textFile(a80Lines));

  const codes = tables.paradigms.reduce((n, p) => n + p.length, 0);
  console.log(`source: ${src.meta.source} ${src.meta.source_version} rev ${src.meta.source_revision}, ` +
    `${src.words} words, ${src.sourceLexemes} lexemes, ${src.dropped} without a form of word characters`);
  console.log(`A49.DAT: ${a49.length} bytes; endings ${tables.endings.length}, paradigms ${tables.paradigms.length} ` +
    `(${codes} codes, longest ${Math.max(...tables.paradigms.map((p) => p.length))}), stems ${tables.bases.length}, ` +
    `groups ${tables.groups.length}, terms ${terms.length}; added stems: ${missing.map(toUtf8).join(' ') || 'none'}`);
  console.log(`A71.DAT: ${a71Lines.length} pairs in ${phraseGroups.length} groups; A80.DAT: ${a80Lines.length} lines`);
  if (process.env.DICT_VERBOSE) {
    for (const t of terms) {
      const forms = new Set();
      look.formsOf(t[0], forms);
      console.log('  term: ' + t.map((i) => toUtf8(look.baseForm(i))).join(' | ') + '   [' + [...forms].slice(0, 8).map(toUtf8).join(' ') + ']');
    }
  }
  if (wantCoverage) coverage(src.lexemes, look);
  console.log(`done in ${((Date.now() - t0) / 1000).toFixed(1)} s`);
}

function writeAtomically(file, bytes) {
  const tmp = file + '.tmp';
  fs.writeFileSync(tmp, bytes);
  fs.renameSync(tmp, file);
}

// Share of sampled lexemes whose every form comes out of a look-up of one of its forms.
function coverage(lexemes, look) {
  let seed = 20240605;
  const rnd = () => ((seed = (Math.imul(seed, 1103515245) + 12345) >>> 0) / 4294967296);
  const n = 10000;
  let full = 0;
  const failures = [];
  for (let i = 0; i < n; i++) {
    const forms = lexemes[Math.floor(rnd() * lexemes.length)];
    const words = [...new Set(forms.map((f) => prefixText(f.code) + f.body))];
    const ok = words.some((w) => {
      if (w.length === 1 && !/[0-9%INVX\xB9\xDF]/.test(w)) return words.length === 1;
      const got = look.wordForms(w);
      return words.every((x) => got.has(x));
    });
    if (ok) full++; else if (failures.length < 10) failures.push(words.slice(0, 4).map(toUtf8).join(','));
  }
  console.log(`coverage: ${full} of ${n} sampled lexemes (${(100 * full / n).toFixed(2)} %) fully produced`);
  for (const f of failures) console.log('  not covered: ' + f);
}

main();
