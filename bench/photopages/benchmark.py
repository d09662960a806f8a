#!/usr/bin/env python3
"""Photo pages in the default mode beside `-s bitmap`: wall time, medians and ratios.

The converter (BUILD/pageconv/swfsdk.dll) turns every page of the generated picture books
(images20.pdf: twenty full-page photographs; photobook.pdf: photographs with captions, titles,
frames and grids, a text page and a page of text beside a photograph) into SWF files at zoom 72
and 150, three ways in each run: `-s bitmap` (the baseline), the default mode, and the default
mode with QUAVELIN_PAGECONV_DRAW_BOTH=1, the way before the page measure (every page drawn as
vectors first, then as a bitmap as well when its vector file passes 96 KiB). The order of the
three rotates from run to run so that background load affects all alike. Both wall time and
processor time (user and system, of the converter's process) are taken; the target is on
processor time, which on a shared machine follows the work done rather than the neighbours'
load. Each side also reports its bytes and how many of its pages are bitmap pages.
"""

import argparse
import os
import shutil
import statistics
import struct
import sys
import tempfile
import zlib
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from common import benchmark_pdfs as find_pdfs, fail, interleaved_runs, timed_command  # noqa: E402

DOCUMENTS = ("images20.pdf", "photobook.pdf")
ZOOMS = (72, 150)
# Name, switches, environment; the first is the baseline.
SIDES = (
    ("-s bitmap", ["-s", "bitmap"], {}),
    ("default", [], {}),
    ("draw both", [], {"QUAVELIN_PAGECONV_DRAW_BOTH": "1"}),
)
# Default processor time over the baseline's, at most.
TARGET = 1.0
DEFINE_SHAPE = 2  # a bitmap page's shape: one clipped bitmap fill (0x41); vector pages use DefineShape4
CLIPPED_BITMAP_FILL = 0x41


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build_dir", nargs="?", default="build", help="CMake build folder (default: build)")
    parser.add_argument("--runs", type=int, default=7, help="repetitions per case (default: 7)")
    parser.add_argument("--pdf-dir", help="folder with images20.pdf and photobook.pdf "
                        "(default: BUILD/testpdfs, generated if missing)")
    return parser.parse_args()


def rect_bytes(data, pos):
    """Bytes of the SWF RECT record at `pos`."""
    return (5 + 4 * (data[pos] >> 3) + 7) // 8


def is_bitmap_page(data):
    """True for a page file (uncompressed or zlib SWF) drawn as one page bitmap."""
    body = zlib.decompress(data[8:]) if data[:3] == b"CWS" else data[8:]
    pos = rect_bytes(body, 0) + 4
    while pos + 2 <= len(body):
        (header,) = struct.unpack_from("<H", body, pos)
        code, length, size = header >> 6, header & 0x3F, 2
        if length == 0x3F:
            (length,) = struct.unpack_from("<I", body, pos + 2)
            size = 6
        if code == DEFINE_SHAPE:
            fills = pos + size + 2 + rect_bytes(body, pos + size + 2)
            if body[fills] > 0 and body[fills + 1] == CLIPPED_BITMAP_FILL:
                return True
        pos += size + length
        if code == 0:
            break
    return False


def convert(converter, side, pdf, zoom, out_dir):
    """Wall and processor seconds of one conversion, and the page files' sizes and bitmap-page
    flags in page order."""
    name, switches, environment = side
    shutil.rmtree(out_dir, ignore_errors=True)
    out_dir.mkdir(parents=True)
    command = [converter, *switches, "-s", f"zoom={zoom}", "-j", "85", pdf, out_dir / "page%.swf"]
    seconds, cpu, result = timed_command(command, {**os.environ, **environment})
    elapsed = (seconds, cpu)
    if result.returncode != 0:
        fail(f"converter ({name}) failed on {pdf.name} at zoom {zoom}: {result.stderr.strip()}")
    files = sorted(out_dir.glob("page*.swf"), key=lambda f: int(f.stem[4:]))
    pages = [(f.stat().st_size, is_bitmap_page(f.read_bytes())) for f in files]
    return elapsed, pages


def run_case(converter, pdf, zoom, runs, scratch):
    """Per side: the wall times, the processor times and the last run's pages."""
    sides = {side[0]: side for side in SIDES}
    results = interleaved_runs(sides, runs, lambda name: convert(converter, sides[name], pdf, zoom, scratch / "out"))
    wall = {name: [seconds for (seconds, _), _ in runs_of] for name, runs_of in results.items()}
    processor = {name: [cpu for (_, cpu), _ in runs_of] for name, runs_of in results.items()}
    pages = {name: runs_of[-1][1] for name, runs_of in results.items()}
    return wall, processor, pages


def print_case(name, zoom, wall, processor, pages):
    """One row per side; True when the default mode meets its target."""
    base_wall = statistics.median(wall[SIDES[0][0]])
    base_cpu = statistics.median(processor[SIDES[0][0]])
    met = True
    case = f"{name} @ {zoom}"
    for side, _, _ in SIDES:
        seconds, cpu = statistics.median(wall[side]), statistics.median(processor[side])
        count = len(pages[side])
        bitmaps = sum(1 for _, bitmap in pages[side] if bitmap)
        kib = sum(size for size, _ in pages[side]) / 1024
        verdict = ""
        if side == "default":
            met = cpu / base_cpu <= TARGET
            verdict = f"<= {TARGET:.2f} {'met' if met else 'NOT MET'}"
        print(f"{case:<22}{side:<11}{seconds:>8.2f}{seconds / base_wall:>7.2f}{1000 * cpu / count:>9.1f}"
              f"{cpu / base_cpu:>7.2f}  {verdict:<16}{bitmaps:>3}/{count:<4}{kib:>8.0f}")
        case = ""
    for measure, times in (("wall", wall), ("processor", processor)):
        default, both = statistics.median(times["default"]), statistics.median(times["draw both"])
        print(f"{'':<22}default/draw both, {measure} time {default / both:.2f}")
    return met


def main():
    args = parse_args()
    if args.runs < 1:
        fail("--runs must be at least 1")
    build = Path(args.build_dir).resolve()
    converter = build / "pageconv" / "swfsdk.dll"
    if not converter.is_file():
        fail(f"{converter} not found: build the project first")
    with tempfile.TemporaryDirectory(prefix="quavelin-photopages-") as temp:
        scratch = Path(temp)
        pdfs = find_pdfs(build, args.pdf_dir, scratch, list(DOCUMENTS))
        print(f"converter : {converter}")
        print(f"baseline  : -s bitmap in the same run; draw both = QUAVELIN_PAGECONV_DRAW_BOTH=1 (the way before)")
        print(f"runs      : {args.runs} per case, sides rotated, medians; {os.cpu_count()} cores, "
              f"load {os.getloadavg()[0]:.1f} at the start")
        print()
        print(f"{'case (zoom)':<22}{'side':<11}{'wall s':>8}{'ratio':>7}{'cpu ms/p':>9}{'ratio':>7}  "
              f"{'target (cpu)':<16}{'bitmap pages':<12}{'KiB':>4}")
        all_met = True
        for name in DOCUMENTS:
            for zoom in ZOOMS:
                wall, processor, pages = run_case(converter, pdfs / name, zoom, args.runs, scratch)
                all_met = print_case(name, zoom, wall, processor, pages) and all_met
    print()
    print("ratio = median time / median time of -s bitmap (same document, zoom and run); "
          "cpu ms/p = median processor time a page")
    print("target met" if all_met else "target not met")


if __name__ == "__main__":
    main()
