#!/usr/bin/env python3
"""Page converter: time per page on long documents, and the cost of its limits.

Part one times the info query (-I) and a whole conversion on generated PDFs of 1,000, 10,000 and
30,000 pages in one flat page list, each page a small drawing; the time per page should not grow
with the page count. Part two converts the benchmark PDFs (text200.pdf, images20.pdf) with the
limits as shipped and with them set out of reach through the environment; the cost should stay
within 3%. The two settings alternate from run to run so that background load affects both.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

PAGE_COUNTS = (1000, 10000, 30000)
BENCHMARK_PDFS = ("text200.pdf", "images20.pdf")
COST_TARGET = 1.03
OUT_OF_REACH = {"QUAVELIN_PAGECONV_PAGE_SECONDS": "100000000",
                "QUAVELIN_PAGECONV_WORKER_MEGABYTES": "100000000"}


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build_dir", nargs="?", default="build", help="CMake build folder (default: build)")
    parser.add_argument("--runs", type=int, default=3, help="repetitions per case (default: 3)")
    return parser.parse_args()


def fail(message):
    print(f"bench: {message}", file=sys.stderr)
    sys.exit(1)


def flat_pdf(pages, path):
    """A PDF whose pages hang from one /Pages node, each drawing a blue square and a line."""
    content = b"0 0 1 rg 50 50 100 100 re f 0 G 2 w 20 20 m 280 380 l S"
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>",
               b"<< /Type /Pages /Kids [" + b" ".join(b"%d 0 R" % (4 + i) for i in range(pages)) +
               b"] /Count %d >>" % pages,
               b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream"]
    objects += [b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] /Contents 3 0 R >>"] * pages
    parts, offsets, position = [b"%PDF-1.7\n"], [], 9
    for number, body in enumerate(objects, 1):
        chunk = b"%d 0 obj\n" % number + body + b"\nendobj\n"
        offsets.append(position)
        parts.append(chunk)
        position += len(chunk)
    parts.append(b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1))
    parts += [b"%010d 00000 n \n" % offset for offset in offsets]
    parts.append(b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, position))
    path.write_bytes(b"".join(parts))


def timed(command, env=None):
    start = time.perf_counter()
    result = subprocess.run(command, capture_output=True, env=env)
    elapsed = time.perf_counter() - start
    if result.returncode != 0:
        fail(f"{' '.join(map(str, command))} failed: {result.stderr.decode(errors='replace')[:500]}")
    return elapsed


def fresh_dir(path):
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    return path


def long_documents(converter, runs, scratch):
    print(f"{'pages':>7}{'info s':>9}{'info us/page':>14}{'run s':>9}{'run ms/page':>13}")
    rows = []
    for pages in PAGE_COUNTS:
        pdf = scratch / f"flat{pages}.pdf"
        flat_pdf(pages, pdf)
        info = statistics.median(timed([converter, "-I", pdf]) for _ in range(runs))
        conversions = []
        for _ in range(runs):
            out = fresh_dir(scratch / "out")
            conversions.append(timed([converter, pdf, out / "test%.swf"]))
        run = statistics.median(conversions)
        rows.append((pages, info / pages, run / pages))
        print(f"{pages:>7}{info:>9.2f}{info / pages * 1e6:>14.1f}{run:>9.2f}{run / pages * 1e3:>13.3f}")
    first = rows[0]
    print("per-page time against 1,000 pages (1.00 = linear): " + ", ".join(
        f"{pages}: info {info / first[1]:.2f}, run {run / first[2]:.2f}" for pages, info, run in rows[1:]))


def limit_cost(converter, build, runs, scratch):
    folder = build / "testpdfs"
    missing = [name for name in BENCHMARK_PDFS if not (folder / name).is_file()]
    if missing:
        fail(f"{folder} lacks {', '.join(missing)}: build the project first")
    unlimited = dict(os.environ, **OUT_OF_REACH)
    print(f"{'document':<14}{'limits s':>10}{'out of reach s':>16}{'ratio':>8}{'target':>9}")
    worst = 0.0
    for name in BENCHMARK_PDFS:
        times = {"limits": [], "free": []}
        for run in range(runs * 2):
            side = ("limits", "free")[run % 2]
            out = fresh_dir(scratch / "out")
            env = unlimited if side == "free" else None
            times[side].append(timed([converter, folder / name, out / "test%.swf"], env))
        limited, free = statistics.median(times["limits"]), statistics.median(times["free"])
        worst = max(worst, limited / free)
        verdict = "met" if limited / free <= COST_TARGET else "ABOVE"
        print(f"{name:<14}{limited:>10.3f}{free:>16.3f}{limited / free:>8.3f}{'<= 1.03':>9} {verdict}")
    return worst


def main():
    args = parse_args()
    if args.runs < 1:
        fail("--runs must be at least 1")
    build = Path(args.build_dir).resolve()
    converter = build / "pageconv" / "swfsdk.dll"
    if not converter.is_file():
        fail(f"{converter} does not exist: build the project first")
    with tempfile.TemporaryDirectory(prefix="quavelin-limits-") as temp:
        scratch = Path(temp)
        print(f"converter: {converter}; {args.runs} runs per case, medians; {os.cpu_count()} cores")
        print()
        long_documents(converter, args.runs, scratch)
        print()
        worst = limit_cost(converter, build, args.runs, scratch)
    print()
    print("ratio = time with the limits as shipped / time with them out of reach (environment)")
    print("cost of the limits within target" if worst <= COST_TARGET else "cost of the limits ABOVE target")


if __name__ == "__main__":
    main()
