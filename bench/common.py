"""What the benchmark scripts share: failing with one line, and finding the generated PDFs."""
import subprocess
import sys
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
