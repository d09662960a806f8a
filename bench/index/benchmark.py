#!/usr/bin/env python3
"""What the book index costs: book.json's size and the extraction time per page on a text document.

The converter (BUILD/pageconv/swfsdk.dll) turns every page of text200.pdf (200 typeset pages of
prose) into page files, once as it always does and once with QUAVELIN_PAGECONV_NO_INDEX=1, a
switch that exists only for this measurement and leaves the index out. The difference of the
median run times is the time the index adds, shown per page and as a ratio to the run without
it; the two kinds of run alternate so that background load affects both alike. The processor
time of the runs (user and system, all workers) is shown beside the wall time: on a busy machine it
moves far less. Sizes are given
per page, for a 300-page document at the same density, and after gzip (as a web server sends it).
"""

import argparse
import gzip
import shutil
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from common import benchmark_pdfs as find_pdfs, fail, interleaved_runs, medians, timed_command  # noqa: E402

PDF = "text200.pdf"
PAGES = 200
SCALED_PAGES = 300


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build_dir", nargs="?", default="build", help="CMake build folder (default: build)")
    parser.add_argument("--runs", type=int, default=5, help="repetitions per kind of run (default: 5)")
    parser.add_argument("--pdf-dir", help=f"folder with {PDF} (default: BUILD/testpdfs, generated if missing)")
    return parser.parse_args()


def timed_run(converter, pdf, out, with_index):
    shutil.rmtree(out, ignore_errors=True)
    out.mkdir(parents=True)
    env = {"PATH": "/usr/bin:/bin"}
    if not with_index:
        env["QUAVELIN_PAGECONV_NO_INDEX"] = "1"
    seconds, cpu, run = timed_command([converter, pdf, out / "test%.swf"], env)
    if run.returncode != 0:
        fail(f"the converter failed on {pdf}: {run.stderr.strip()}")
    if (out / "book.json").exists() != with_index:
        fail("book.json " + ("missing" if with_index else "written although left out"))
    return seconds, cpu


def main():
    args = parse_args()
    build = Path(args.build_dir).resolve()
    converter = build / "pageconv" / "swfsdk.dll"
    if not converter.is_file():
        fail(f"{converter} does not exist: build the project first")
    with tempfile.TemporaryDirectory(prefix="quavelin-bench-index-") as scratch_name:
        scratch = Path(scratch_name)
        pdf = find_pdfs(build, args.pdf_dir, scratch, [PDF]) / PDF
        times = interleaved_runs([True, False], args.runs,
                                 lambda with_index: timed_run(converter, pdf, scratch / "out", with_index))
        timed_run(converter, pdf, scratch / "out", True)
        index = (scratch / "out" / "book.json").read_bytes()
    zipped = len(gzip.compress(index, 9))
    print(f"{PDF}: {PAGES} pages, {args.runs} runs each, medians")
    for kind, column in (("wall", 0), ("processor", 1)):
        seconds = medians(times, lambda t, column=column: t[column])
        with_index, without = seconds[True], seconds[False]
        print(f"  {kind} time without index  {without:7.2f} s  ({without / PAGES * 1000:6.2f} ms/page)")
        print(f"  {kind} time with index     {with_index:7.2f} s  ({with_index / PAGES * 1000:6.2f} ms/page)")
        print(f"  index extraction ({kind})  {(with_index - without) / PAGES * 1000:6.2f} ms/page"
              f"  (ratio with/without {with_index / without:.3f})")
    print(f"  book.json                 {len(index) / 1024:7.1f} KiB  ({len(index) / PAGES / 1024:.1f} KiB/page;"
          f" gzip -9 {zipped / 1024:.1f} KiB, {zipped / PAGES / 1024:.1f} KiB/page)")
    print(f"  at {SCALED_PAGES} pages             {len(index) / PAGES * SCALED_PAGES / 1048576:7.2f} MiB"
          f"  (gzip -9 {zipped / PAGES * SCALED_PAGES / 1048576:.2f} MiB)")


if __name__ == "__main__":
    main()
