#!/usr/bin/env python3
"""Page converter speed beside pdftoppm: pages per second, medians, ratios and peak memory.

The converter (BUILD/pageconv/swfsdk.dll) turns every page of the generated benchmark PDFs into
SWF files at zoom 72 and 150 dpi, once in its default (vector) mode and once with `-s bitmap`. The
baseline is poppler's pdftoppm writing JPEG (quality 85) at the same resolution, split over two
processes on the two halves of the page range and run concurrently, so every side may use both
cores. The order of the sides rotates from run to run so that background load affects all alike.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from common import benchmark_pdfs as find_pdfs, fail, interleaved_runs, medians, timed_command  # noqa: E402

# Minimum converter/pdftoppm ratio of pages per second of the default mode, by document.
TARGETS = {"text200.pdf": 2.0, "images20.pdf": 1.0}
ZOOMS = (72, 150)
# Converter modes: name and switches. Targets apply to the default; `-s bitmap` is shown beside it.
MODES = (("default", []), ("bitmap", ["-s", "bitmap"]))
TIME_PROGRAM = "/usr/bin/time"


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build_dir", nargs="?", default="build", help="CMake build folder (default: build)")
    parser.add_argument("--runs", type=int, default=5, help="repetitions per case (default: 5)")
    parser.add_argument("--pdf-dir", help="folder with text200.pdf and images20.pdf "
                        "(default: BUILD/testpdfs, generated if missing)")
    return parser.parse_args()


def page_count(pdf):
    info = subprocess.run(["pdfinfo", str(pdf)], check=True, capture_output=True, text=True).stdout
    for line in info.splitlines():
        if line.startswith("Pages:"):
            return int(line.split()[1])
    fail(f"pdfinfo gives no page count for {pdf}")


def fresh_dir(path):
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    return path


def peak_memory_command(command, report):
    """Wraps a command so that its peak resident size (KiB) lands in the report file."""
    if os.access(TIME_PROGRAM, os.X_OK):
        return [TIME_PROGRAM, "-f", "%M", "-o", str(report)] + command
    wrapper = ("import resource, subprocess, sys\n"
               "code = subprocess.run(sys.argv[2:]).returncode\n"
               "open(sys.argv[1], 'w').write(str(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss))\n"
               "sys.exit(code)\n")
    return [sys.executable, "-c", wrapper, str(report)] + command


def time_converter(converter, switches, pdf, zoom, out_dir, report):
    command = peak_memory_command(
        [str(converter), *switches, "-s", f"zoom={zoom}", "-j", "85", str(pdf), str(out_dir / "page%.swf")],
        report)
    elapsed, _, result = timed_command(command)
    if result.returncode != 0:
        fail(f"converter {' '.join(switches)} failed on {pdf.name} at zoom {zoom}: {result.stderr.strip()}")
    peak_kib = int(report.read_text().split()[-1])
    return elapsed, peak_kib


def time_pdftoppm(pdf, pages, zoom, out_dir):
    half = pages // 2
    ranges = [(1, half), (half + 1, pages)]
    start = time.perf_counter()
    processes = [
        subprocess.Popen(["pdftoppm", "-jpeg", "-jpegopt", "quality=85", "-r", str(zoom),
                          "-f", str(first), "-l", str(last), str(pdf), str(out_dir / f"part{n}")],
                         stderr=subprocess.PIPE)
        for n, (first, last) in enumerate(ranges)
    ]
    errors = [p.communicate()[1] for p in processes]
    elapsed = time.perf_counter() - start
    if any(p.returncode for p in processes):
        fail(f"pdftoppm failed on {pdf.name} at {zoom} dpi: {b''.join(errors).decode(errors='replace').strip()}")
    return elapsed


def run_case(converter, pdf, zoom, runs, scratch):
    pages = page_count(pdf)
    sides = ["baseline"] + ([mode for mode, _ in MODES] if converter else [])
    switches = dict(MODES)
    report = scratch / "peak.txt"

    def measure(side):
        """Seconds of one run, and the peak KiB of a converter's."""
        out_dir = fresh_dir(scratch / "out")
        if side == "baseline":
            return time_pdftoppm(pdf, pages, zoom, out_dir), None
        return time_converter(converter, switches[side], pdf, zoom, out_dir, report)

    runs_by_side = interleaved_runs(sides, runs, measure)
    seconds = medians(runs_by_side, lambda run: run[0])
    result = {"pages": pages, "baseline": pages / seconds["baseline"], "modes": {}}
    for mode in sides[1:]:
        times = [elapsed for elapsed, _ in runs_by_side[mode]]
        result["modes"][mode] = {
            "rate": pages / seconds[mode],
            "peak_mib": max(peak for _, peak in runs_by_side[mode]) / 1024,
            "spread": (min(times), max(times)),
        }
    return result


def print_header(converter, runs):
    version = subprocess.run(["pdftoppm", "-v"], capture_output=True, text=True).stderr.splitlines()
    memory = "/usr/bin/time -f %M" if os.access(TIME_PROGRAM, os.X_OK) else "python3 getrusage(RUSAGE_CHILDREN)"
    print(f"converter : {converter or 'not built (baseline only)'}")
    print("modes     : default (no mode switch) and bitmap (-s bitmap); targets apply to the default")
    print(f"baseline  : {version[0] if version else 'pdftoppm'}, -jpeg quality 85, two processes on the two halves")
    print(f"runs      : {runs} per case, medians shown; {os.cpu_count()} cores; peak memory by {memory}")
    print()
    print(f"{'case':<24}{'mode':<9}{'pages':>6}{'converter p/s':>15}{'pdftoppm p/s':>14}{'ratio':>8}"
          f"{'target':>8}{'':>7}{'peak MiB':>10}  converter runs (s)")


def print_rows(name, zoom, result):
    """One row per converter mode; True when the default mode meets its target."""
    case = f"{name} @ {zoom} dpi"
    baseline = f"{result['baseline']:.1f}"
    if not result["modes"]:
        print(f"{case:<24}{'-':<9}{result['pages']:>6}{'-':>15}{baseline:>14}")
        return True
    met = True
    for mode, figures in result["modes"].items():
        ratio = figures["rate"] / result["baseline"]
        if mode == "default":
            target = TARGETS[name]
            met = ratio >= target
            target_text, verdict = ">= " + format(target, ".1f"), "met" if met else "BELOW"
        else:
            target_text, verdict = "", ""
        print(f"{case:<24}{mode:<9}{result['pages']:>6}{figures['rate']:>15.1f}{baseline:>14}{ratio:>8.2f}"
              f"{target_text:>8}{verdict:>7}{figures['peak_mib']:>10.1f}"
              f"  {figures['spread'][0]:.2f}-{figures['spread'][1]:.2f}")
        case = ""
    return met


def main():
    args = parse_args()
    if shutil.which("pdftoppm") is None or shutil.which("pdfinfo") is None:
        fail("pdftoppm and pdfinfo are needed (Debian package poppler-utils)")
    if args.runs < 1:
        fail("--runs must be at least 1")
    build = Path(args.build_dir).resolve()
    converter = build / "pageconv" / "swfsdk.dll"
    converter = converter if converter.is_file() else None
    with tempfile.TemporaryDirectory(prefix="quavelin-bench-") as temp:
        scratch = Path(temp)
        pdfs = find_pdfs(build, args.pdf_dir, scratch, list(TARGETS))
        print_header(converter, args.runs)
        all_met = True
        for name in TARGETS:
            for zoom in ZOOMS:
                result = run_case(converter, pdfs / name, zoom, args.runs, scratch)
                all_met = print_rows(name, zoom, result) and all_met
                if len(result["modes"]) == 2:
                    default, bitmap = result["modes"]["default"]["rate"], result["modes"]["bitmap"]["rate"]
                    print(f"{'':<24}default/bitmap speed {default / bitmap:.2f}")
    print()
    print("ratio = converter pages per second / pdftoppm pages per second (same PDF, same run)")
    print("all targets met" if all_met and converter else "targets not all met" if converter else "")


if __name__ == "__main__":
    main()
