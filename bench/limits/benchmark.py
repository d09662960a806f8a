#!/usr/bin/env python3
"""Page converter: time per page on long documents, and the cost of its limits.

Part one times the info query (-I) and a whole conversion on generated PDFs of 1,000, 10,000 and
30,000 pages in one flat page list, each page a small drawing; the time per page should not grow
with the page count. Part two converts the benchmark PDFs (text200.pdf, images20.pdf) with the
limits as shipped and with them set out of reach through the environment; the cost should stay
within 3%. With --baseline, a converter built without the limits runs beside them. The settings
alternate from run to run so that background load affects all alike; the cost is judged on the
processor time (user + system) of the converter, which a machine shared with other work disturbs
far less than the wall-clock time, also shown.
"""

import argparse
import os
import shutil
import statistics
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from common import fail, interleaved_runs, medians, repeated, timed_command  # noqa: E402

PAGE_COUNTS = (1000, 10000, 30000)
BENCHMARK_PDFS = ("text200.pdf", "images20.pdf")
COST_TARGET = 1.03
OUT_OF_REACH = {"QUAVELIN_PAGECONV_PAGE_SECONDS": "100000000",
                "QUAVELIN_PAGECONV_WORKER_MEGABYTES": "100000000"}


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build_dir", nargs="?", default="build", help="CMake build folder (default: build)")
    parser.add_argument("--runs", type=int, default=3, help="repetitions per case (default: 3)")
    parser.add_argument("--baseline", help="a swfsdk.dll without the limits, timed beside them")
    return parser.parse_args()


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


def timed_both(command, env=None):
    """Wall-clock and processor seconds of one run of the command."""
    elapsed, processor, result = timed_command(command, env)
    if result.returncode != 0:
        fail(f"{' '.join(map(str, command))} failed: {result.stderr[:500]}")
    return elapsed, processor


def timed(command, env=None):
    return timed_both(command, env)[0]


def fresh_dir(path):
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    return path


def long_documents(converter, runs, scratch):
    print(f"{'pages':>7}{'info s':>9}{'info us/page':>14}{'run s':>9}{'run ms/page':>13}"
          f"{'run cpu s':>11}{'cpu ms/page':>13}")
    rows = []
    for pages in PAGE_COUNTS:
        pdf = scratch / f"flat{pages}.pdf"
        flat_pdf(pages, pdf)
        info = statistics.median(repeated(runs, lambda: timed([converter, "-I", pdf])))
        conversions = repeated(runs, lambda: timed_both([converter, pdf, fresh_dir(scratch / "out") / "test%.swf"]))
        run = statistics.median(wall for wall, _ in conversions)
        cpu = statistics.median(processor for _, processor in conversions)
        rows.append((pages, info / pages, run / pages))
        print(f"{pages:>7}{info:>9.2f}{info / pages * 1e6:>14.1f}{run:>9.2f}{run / pages * 1e3:>13.3f}"
              f"{cpu:>11.2f}{cpu / pages * 1e3:>13.3f}")
    first = rows[0]
    print("per-page time against 1,000 pages (1.00 = linear): " + ", ".join(
        f"{pages}: info {info / first[1]:.2f}, run {run / first[2]:.2f}" for pages, info, run in rows[1:]))


def limit_cost(converter, baseline, build, runs, scratch):
    folder = build / "testpdfs"
    missing = [name for name in BENCHMARK_PDFS if not (folder / name).is_file()]
    if missing:
        fail(f"{folder} lacks {', '.join(missing)}: build the project first")
    unlimited = dict(os.environ, **OUT_OF_REACH)
    sides = {"limits": (converter, None), "free": (converter, unlimited)}
    if baseline:
        sides["baseline"] = (baseline, None)
    print(f"{'document':<14}{'clock':<11}{'limits s':>10}{'out of reach s':>16}{'ratio':>8}{'target':>9}"
          + (f"{'':>7}{'baseline s':>12}{'ratio':>8}" if baseline else ""))
    worst = 0.0
    for name in BENCHMARK_PDFS:

        def measure(side, name=name):
            program, env = sides[side]
            return timed_both([program, folder / name, fresh_dir(scratch / "out") / "test%.swf"], env)

        times = interleaved_runs(sides, runs, measure, rotate=False)
        for clock, index in (("processor", 1), ("wall", 0)):
            seconds = medians(times, lambda t, index=index: t[index])
            limited, free = seconds["limits"], seconds["free"]
            verdict = ""
            if index == 1:
                worst = max(worst, limited / free)
                verdict = "met" if limited / free <= COST_TARGET else "ABOVE"
            row = (f"{name if index == 1 else '':<14}{clock:<11}{limited:>10.3f}{free:>16.3f}"
                   f"{limited / free:>8.3f}{'<= 1.03' if verdict else '':>9}{verdict:>7}")
            if baseline:
                before = seconds["baseline"]
                row += f"{before:>12.3f}{limited / before:>8.3f}"
            print(row)
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
        baseline = Path(args.baseline).resolve() if args.baseline else None
        if baseline and not baseline.is_file():
            fail(f"{baseline} does not exist")
        worst = limit_cost(converter, baseline, build, args.runs, scratch)
    print()
    print("ratio = time with the limits as shipped / time with them out of reach (environment)"
          + ("; baseline ratio = time with the limits / time of the converter without them" if args.baseline else ""))
    print("cost of the limits within target" if worst <= COST_TARGET else "cost of the limits ABOVE target")


if __name__ == "__main__":
    main()
