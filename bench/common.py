"""What the benchmark scripts share: failing with one line, finding the generated PDFs, and timing
commands in interleaved runs with their medians."""
import resource
import statistics
import subprocess
import sys
import time
from pathlib import Path


def fail(message):
    print(f"bench: {message}", file=sys.stderr)
    sys.exit(1)


def benchmark_pdfs(build, pdf_dir, scratch, names):
    """The folder holding every PDF of `names`: the given one, the build's, or a fresh generation."""
    folder = Path(pdf_dir) if pdf_dir else build / "testpdfs"
    if all((folder / name).is_file() for name in names):
        return folder
    if pdf_dir:
        fail(f"{folder} lacks one of {', '.join(names)}")
    generator = build / "pdfgen" / "quavelin-pdfgen"
    if not generator.is_file():
        fail(f"neither {folder}/ nor {generator} exists: build the project first")
    folder = scratch / "pdfs"
    subprocess.run([str(generator), str(folder)], check=True)
    return folder


def processor_seconds():
    """User and system time of the finished child processes so far."""
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed_command(command, env=None):
    """Runs a command to its end: its wall-clock and processor seconds and its completed process
    (output captured as text)."""
    processor = processor_seconds()
    start = time.perf_counter()
    result = subprocess.run([str(part) for part in command], capture_output=True, text=True,
                            errors="replace", env=env)
    wall = time.perf_counter() - start
    return wall, processor_seconds() - processor, result


def interleaved_runs(sides, runs, measure, rotate=True):
    """`runs` results of `measure(side)` for each of `sides`, by side. Every run measures each side once;
    with `rotate` the first side moves on by one from run to run, so that drift in background load
    affects all alike, else every run keeps the given order."""
    sides = list(sides)
    results = {side: [] for side in sides}
    for run in range(runs):
        shift = run % len(sides) if rotate else 0
        for side in sides[shift:] + sides[:shift]:
            results[side].append(measure(side))
    return results


def medians(results, figure=lambda result: result):
    """The median of one figure of each side's results, by side."""
    return {side: statistics.median(figure(r) for r in values) for side, values in results.items()}


def repeated(runs, measure):
    """`runs` results of `measure()`, one after another."""
    return interleaved_runs([None], runs, lambda _: measure())[None]
