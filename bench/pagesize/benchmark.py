#!/usr/bin/env python3
"""Bytes per page of the page converter: default (vector) pages beside `-s bitmap` pages.

Each benchmark PDF is converted once per mode, plain and with -z (page sizes do not vary between
runs, so one conversion is the figure). The default mode is the tool's: pages importing their fonts
from the book's font library (-L), whose bytes count in the book; "own fonts" is the same without
the library, each page defining its fonts, the baseline for the library's saving. Per document it
prints the median and mean bytes of a page file, the mean with the page's share of the library, the
total, the book's bytes over the PDF's bytes, the ratios default/bitmap and default/own fonts, and
how the bytes split between bitmap, shape, font and text tags: a page that only looks vector from
its size shows up, and one sees what the bytes pay for. The gradient pages are also converted with their
shadings as raster regions (QUAVELIN_PAGECONV_RASTER_SHADINGS=1, the converter's way before
gradients), the baseline for their size target.
"""

import argparse
import os
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import zlib
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from common import benchmark_pdfs as find_pdfs, fail  # noqa: E402

# Documents in the order printed; `kind` picks the targets that apply.
DOCUMENTS = (
    ("text200.pdf", "text"),
    ("sample.pdf", "mixed"),
    ("images20.pdf", "photos"),
    ("photobook.pdf", "photos"),
    ("gradients.pdf", "gradients"),
)
LIBRARY = ["-L", "data/fonts.swf"]
MODES = (
    ("default", LIBRARY),
    ("own fonts", []),
    ("-s bitmap", ["-s", "bitmap"] + LIBRARY),
)
VARIANTS = (("", []), ("-z", ["-z"]))
# The baseline of gradient pages: the same default mode with every shading a raster region.
RASTER_SHADINGS = ("raster shadings", {"QUAVELIN_PAGECONV_RASTER_SHADINGS": "1"})

# Targets for text pages: default/bitmap bytes per page, bytes of a typical page, the mean page
# with its share of the font library, book/PDF.
TEXT_RATIO_TARGET = 0.2
TEXT_PAGE_TARGET_KIB = 40
TEXT_MEAN_PAGE_TARGET_KIB = 12
TEXT_BOOK_TARGET = 4.0
# Target for gradient pages: bytes of a page over those with its shadings as raster regions.
GRADIENT_RATIO_TARGET = 0.2

# Tag codes by what their bytes pay for; everything else (placing, frames, links) is "other".
TAG_GROUPS = {
    "bitmap": {6, 8, 20, 21, 35, 36, 90},          # DefineBits*, JPEGTables, DefineBitsLossless*
    "shapes": {2, 22, 32, 83},                     # DefineShape 1-4
    "fonts": {10, 48, 75, 91, 73, 88, 13, 62},     # DefineFont 1-4, alignment zones, names, infos
    "text": {11, 33, 37},                          # DefineText 1-2, DefineEditText
}
GROUP_OF_TAG = {code: group for group, codes in TAG_GROUPS.items() for code in codes}


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build_dir", nargs="?", default="build", help="CMake build folder (default: build)")
    parser.add_argument("--pdf-dir", help="folder with the benchmark PDFs "
                        "(default: BUILD/testpdfs, generated if missing)")
    return parser.parse_args()


def tag_census(data):
    """Bytes of a page file's (inflated) body by tag group."""
    signature = data[:3]
    if signature == b"CWS":
        body = zlib.decompress(data[8:])
    elif signature == b"FWS":
        body = data[8:]
    else:
        raise ValueError(f"not an uncompressed or zlib SWF (signature {signature!r})")
    bits = body[0] >> 3
    pos = (5 + 4 * bits + 7) // 8 + 4
    census = dict.fromkeys([*TAG_GROUPS, "other"], 0)
    while pos + 2 <= len(body):
        (header,) = struct.unpack_from("<H", body, pos)
        code, length = header >> 6, header & 0x3F
        size = 2
        if length == 0x3F:
            (length,) = struct.unpack_from("<I", body, pos + 2)
            size = 6
        census[GROUP_OF_TAG.get(code, "other")] += size + length
        pos += size + length
        if code == 0:
            break
    return census


def convert(converter, pdf, switches, out_dir, environment=None):
    shutil.rmtree(out_dir, ignore_errors=True)
    out_dir.mkdir(parents=True)
    result = subprocess.run([str(converter), *switches, str(pdf), str(out_dir / "page%.swf")],
                            capture_output=True, text=True, env={**os.environ, **(environment or {})})
    if result.returncode != 0:
        fail(f"converter {' '.join(switches)} failed on {pdf.name}: {result.stderr.strip()}")
    files = sorted(out_dir.glob("page*.swf"), key=lambda f: int(f.stem[4:]))
    if not files:
        fail(f"converter {' '.join(switches)} wrote no pages for {pdf.name}")
    sizes = [f.stat().st_size for f in files]
    library = out_dir / "fonts.swf"
    census = dict.fromkeys([*TAG_GROUPS, "other"], 0)
    for f in files + ([library] if library.is_file() else []):
        for group, count in tag_census(f.read_bytes()).items():
            census[group] += count
    library_bytes = library.stat().st_size if library.is_file() else 0
    shutil.rmtree(out_dir)
    return {"sizes": sizes, "library": library_bytes, "census": census}


def book_bytes(result):
    return sum(result["sizes"]) + result["library"]


def kib(n):
    return n / 1024


def verdict(ok):
    return "met" if ok else "not met"


def report_document(name, kind, pdf_bytes, results):
    pages = len(results[("default", "")]["sizes"])
    print(f"{name}: {kind}, {pages} pages, PDF {kib(pdf_bytes):.0f} KiB")
    groups = "".join(f"{group:>8}" for group in TAG_GROUPS)
    print(f"  {'mode':<16}{'median KiB/page':>16}{'mean KiB/page':>15}{'with fonts':>12}{'fonts KiB':>11}"
          f"{'total MiB':>11}{'book/PDF':>10}   bytes in:{groups}")
    for (mode, variant), result in results.items():
        sizes = result["sizes"]
        book = book_bytes(result)
        body = sum(result["census"].values()) or 1
        label = f"{mode} {variant}".strip()
        shares = "".join(f"{100 * result['census'][group] / body:>7.0f}%" for group in TAG_GROUPS)
        print(f"  {label:<16}{kib(statistics.median(sizes)):>16.1f}{kib(sum(sizes) / len(sizes)):>15.1f}"
              f"{kib(book / len(sizes)):>12.1f}{kib(result['library']):>11.1f}"
              f"{book / 2**20:>11.2f}{book / pdf_bytes:>10.2f}"
              f"{'':>12}{shares}")
    for variant, _ in VARIANTS:
        shared, own = book_bytes(results[("default", variant)]), book_bytes(results[("own fonts", variant)])
        label = f"default/own fonts {variant}".strip()
        print(f"  {label:<18} book {shared / own:.2f}")
    for variant, _ in VARIANTS:
        vector, bitmap = results[("default", variant)]["sizes"], results[("-s bitmap", variant)]["sizes"]
        if len(vector) != len(bitmap):
            fail(f"{name}: {len(vector)} default pages but {len(bitmap)} bitmap pages {variant}")
        median_ratio = statistics.median(vector) / statistics.median(bitmap)
        total_ratio = sum(vector) / sum(bitmap)
        label = f"default/bitmap {variant}".strip()
        print(f"  {label:<18} median {median_ratio:.2f}, total {total_ratio:.2f}")
    if kind == "gradients":
        return report_gradients(results)
    if kind != "text":
        print()
        return True
    all_met = True
    for variant, _ in VARIANTS:
        vector, bitmap = results[("default", variant)]["sizes"], results[("-s bitmap", variant)]["sizes"]
        ratio = statistics.median(vector) / statistics.median(bitmap)
        typical = kib(statistics.median(vector))
        whole = book_bytes(results[("default", variant)])
        mean = kib(whole / len(vector))
        book = whole / pdf_bytes
        checks = (
            (f"default/bitmap bytes a page (median) <= {TEXT_RATIO_TARGET}", f"{ratio:.2f}", ratio <= TEXT_RATIO_TARGET),
            (f"default page (median) <= {TEXT_PAGE_TARGET_KIB} KiB", f"{typical:.1f}", typical <= TEXT_PAGE_TARGET_KIB),
            (f"default page with its fonts (mean) <= {TEXT_MEAN_PAGE_TARGET_KIB} KiB", f"{mean:.1f}",
             mean <= TEXT_MEAN_PAGE_TARGET_KIB),
            (f"default book/PDF <= {TEXT_BOOK_TARGET:g}", f"{book:.2f}", book <= TEXT_BOOK_TARGET),
        )
        print(f"  targets for text pages{', with ' + variant if variant else ', plain SWF (the default)'}:")
        for what, value, ok in checks:
            print(f"    {what:<46}{value:>8}   {verdict(ok)}")
            all_met = all_met and ok
    print()
    return all_met


def report_gradients(results):
    """Each gradient page against itself with raster shadings; the target on the median ratio."""
    all_met = True
    for variant, _ in VARIANTS:
        new, old = results[("default", variant)]["sizes"], results[(RASTER_SHADINGS[0], variant)]["sizes"]
        ratios = [n / o for n, o in zip(new, old)]
        label = f"gradients/raster shadings {variant}".strip()
        pages = ", ".join(f"{i + 1}: {kib(o):.1f}->{kib(n):.1f} ({r:.2f})"
                          for i, (n, o, r) in enumerate(zip(new, old, ratios)))
        print(f"  {label:<30} KiB a page {pages}")
        median = statistics.median(ratios)
        ok = median <= GRADIENT_RATIO_TARGET
        print(f"    median ratio a page <= {GRADIENT_RATIO_TARGET:<22}{median:>8.3f}   {verdict(ok)}")
        all_met = all_met and ok
    print()
    return all_met


def main():
    args = parse_args()
    build = Path(args.build_dir).resolve()
    converter = build / "pageconv" / "swfsdk.dll"
    if not converter.is_file():
        fail(f"{converter} not found: build the project first")
    with tempfile.TemporaryDirectory(prefix="quavelin-pagesize-") as temp:
        scratch = Path(temp)
        pdfs = find_pdfs(build, args.pdf_dir, scratch, [name for name, _ in DOCUMENTS])
        print(f"converter : {converter}")
        print("page files: zoom 72, JPEG quality 85; sizes on disk; KiB = 1024 bytes; book = its page files")
        print("bytes in  : share of the page files' inflated tag bytes in bitmap, shape, font and text tags")
        print()
        all_met = True
        for name, kind in DOCUMENTS:
            pdf = pdfs / name
            results = {}
            for variant, variant_switches in VARIANTS:
                for mode, mode_switches in MODES:
                    results[(mode, variant)] = convert(converter, pdf, mode_switches + variant_switches,
                                                       scratch / "out")
                if kind == "gradients":
                    name_of_mode, environment = RASTER_SHADINGS
                    results[(name_of_mode, variant)] = convert(converter, pdf, LIBRARY + variant_switches,
                                                               scratch / "out", environment)
            all_met = report_document(name, kind, pdf.stat().st_size, results) and all_met
    print("all targets met" if all_met else "targets not all met")


if __name__ == "__main__":
    main()
