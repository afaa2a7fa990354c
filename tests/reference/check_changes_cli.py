#!/usr/bin/env python3
"""parvel-cli changes on every corpus pair: valid JSON and CSV, one entry per change of the
counter (as parvel-cli compare counts them), in order; the Markdown table has as many rows."""
import argparse
import csv
import glob
import io
import json
import os
import subprocess
import sys
import tempfile


def run(cli, *args):
    return subprocess.run([cli, *args], capture_output=True, check=True).stdout


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", required=True)
    ap.add_argument("--corpus", required=True)
    a = ap.parse_args()
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        for old in sorted(glob.glob(os.path.join(a.corpus, "*_old.htm"))):
            new = old[: -len("_old.htm")] + "_new.htm"
            name = os.path.basename(old)[: -len("_old.htm")]
            count = int(run(a.cli, "compare", old, new, os.path.join(tmp, name)).decode())
            doc = json.loads(run(a.cli, "changes", old, new).decode("utf-8"))
            changes = doc["changes"]
            problems = []
            if [c["n"] for c in changes] != list(range(1, count + 1)):
                problems.append(f"json lists {len(changes)} changes, the counter {count}")
            for c in changes:
                for side in ("old", "new"):
                    s = c[side]
                    if not isinstance(s.get("address"), str) or not s["address"]:
                        problems.append(f"change {c['n']}: no address on the {side} side")
                    for unit in ("section", "chapter", "article", "part", "item", "subitem"):
                        if unit not in s or not (s[unit] is None or isinstance(s[unit], str)):
                            problems.append(f"change {c['n']}: {side}.{unit} missing")
                if not c.get("kind_text"):
                    problems.append(f"change {c['n']}: no kind_text")
            summary = doc["summary"]
            grouped = lambda v: f"{v:,}".replace(",", "\u00a0")  # thousands: a no-break space
            expected = (f"Статей изменено: {grouped(summary['articles_changed'])}, добавлено: "
                        f"{grouped(summary['articles_added'])}, утратили силу: {grouped(summary['articles_repealed'])}, "
                        f"перенесено: {grouped(summary['moved'])}; слов исключено: {grouped(summary['words_removed'])}, "
                        f"добавлено: {grouped(summary['words_added'])}")
            if summary["text"] != expected:
                problems.append("summary text: " + summary["text"])
            out = os.path.join(tmp, name + ".csv")
            subprocess.run([a.cli, "changes", old, new, "--format", "csv", "--out", out], check=True)
            with open(out, encoding="utf-8", newline="") as f:
                rows = list(csv.reader(f, delimiter=";"))
            if rows[0] != ["№", "Где", "Что", "Было", "Стало"]:
                problems.append(f"csv header {rows[0]}")
            if [r[0] for r in rows[1:]] != [str(n) for n in range(1, count + 1)] or any(len(r) != 5 for r in rows):
                problems.append(f"csv has {len(rows) - 1} rows for {count} changes")
            for r, c in zip(rows[1:], changes):
                if r[1] != c["where"] or r[2] != c["kind_text"]:
                    problems.append(f"csv row {r[0]} differs from the json: {r[1:3]}")
                    break
            md = run(a.cli, "changes", old, new, "--format", "md").decode("utf-8").splitlines()
            if sum(1 for line in md if line.startswith("| ") and not line.startswith("| №")) != count:
                problems.append("markdown rows differ from the counter")
            print(f"{name}: {count} changes" + ("" if not problems else " — " + "; ".join(problems[:5])))
            failures += bool(problems)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
