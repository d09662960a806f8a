// Shared by the fidelity tests: page files converted by swfsdk.dll from the generated PDFs, MuPDF's
// raster of each page at a given pixel size, each page file played alone by Ruffle in headless
// Chromium (canvas and WebGL renderers), and the measures that compare the two pictures.
// Environment: VIEWER_NODE_MODULES, QUAVELIN_BUILD_DIR, QUAVELIN_TEST_PDF_DIR, FIDELITY_ARTIFACTS.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const { execFileSync } = require('child_process');
const h = require('../viewer/harness.js');

const { chromium } = require(path.join(process.env.VIEWER_NODE_MODULES, 'playwright-core'));
const buildDir = process.env.QUAVELIN_BUILD_DIR;
const pdfDir = process.env.QUAVELIN_TEST_PDF_DIR;
const artifacts = process.env.FIDELITY_ARTIFACTS || path.join(os.tmpdir(), 'fidelity-artifacts');
const converter = path.join(buildDir, 'pageconv', 'swfsdk.dll');
const rasterTool = path.join(buildDir, 'tests', 'support', 'quavelin-mupdf-raster');

// vector.pdf's pages in order (pdfgen's kVectorPages), and the sample pages compared with them.
const VECTOR_PAGES = ['standard-font', 'truetype-font', 'cff-font', 'type3-font', 'text-transforms',
  'render-modes', 'dashed-strokes', 'fill-rules', 'nested-clips', 'soft-mask', 'image-mask', 'jpeg-image',
  'lossless-image', 'shading-sh', 'shading-pattern', 'blend-multiply', 'group-alpha', 'rotate-90', 'crop-box'];
const SAMPLE_PAGES = [1, 2];
// One-page files with the quirks of real documents: text in a font whose hinting fails, a crop
// box far inside the media box with marks outside it, and text under a highlight and a soft mask.
const QUIRK_FILES = ['broken-hinting.pdf', 'crop-marks.pdf', 'blended-text.pdf'];
// gradients.pdf's pages in order (pdfgen's kGradientPages).
const GRADIENT_PAGES = ['axial-stops', 'axial-rotated', 'radial-concentric', 'radial-focal', 'radial-nested',
  'patterns', 'axial-alpha', 'radial-cone'];

// The software WebGL of Chromium without a GPU; Ruffle's log line tells whether it was taken.
const RENDERERS = [
  { name: 'canvas', flags: ['--disable-gpu'] },
  { name: 'webgl', flags: ['--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
    '--ignore-gpu-blocklist'] },
];
const COMMON_FLAGS = ['--headless', '--no-sandbox', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

const PLAYER_HTML = `<!DOCTYPE html>
<html><head><meta charset="utf-8"><style>
html, body { margin: 0; padding: 0; background: #ffffff; }
ruffle-player { display: block; position: absolute; left: 0; top: 0; }
</style>
<script>
const query = new URLSearchParams(location.search);
window.RufflePlayer = { config: { autoplay: 'on', unmuteOverlay: 'hidden', splashScreen: false,
  contextMenu: 'off', letterbox: 'off', warnOnUnsupportedContent: false, showSwfDownload: false,
  backgroundColor: '#FFFFFF', preferredRenderer: query.get('renderer') } };
</script>
<script src="ruffle/ruffle.js"></script>
</head><body><script>
const player = window.RufflePlayer.newest().createPlayer();
document.body.appendChild(player);
// Shows one page file in a player of width x height pixels; resolves with the stage Ruffle read.
window.show = (swf, width, height) => new Promise((resolve, reject) => {
  player.style.width = width + 'px';
  player.style.height = height + 'px';
  player.addEventListener('loadedmetadata', () => resolve(player.ruffle().metadata), { once: true });
  player.ruffle().load({ url: swf }).catch((e) => reject(new Error(String(e))));
  setTimeout(() => reject(new Error(swf + ' did not load within 30 s')), 30000);
});
</script></body></html>`;

// ---- pages and rasters --------------------------------------------------------------------------

function pageSizes(pdf) {
  const out = execFileSync(converter, ['-I', pdf]).toString();
  return [...out.matchAll(/page=(\d+) width=([\d.]+) height=([\d.]+)/g)]
    .map((m) => ({ width: Math.round(Number(m[2])), height: Math.round(Number(m[3])) }));
}

// Converts a PDF with default switches (or FIDELITY_CONVERTER_SWITCHES, such as "-s bitmap", to score
// other kinds of page); returns one record per page: its file and stage size.
function convert(work, pdfName, prefix, pages) {
  const pdf = path.join(pdfDir, pdfName);
  const sizes = pageSizes(pdf);
  const switches = (process.env.FIDELITY_CONVERTER_SWITCHES || '').split(' ').filter(Boolean);
  const args = [...switches, ...(pages ? ['-p', pages.join(',')] : [])];
  execFileSync(converter, [...args, pdf, path.join(work, `${prefix}%.swf`)], { stdio: 'pipe' });
  const numbers = pages || sizes.map((_, i) => i + 1);
  return numbers.map((n) => ({ pdf, number: n, swf: `${prefix}${n}.swf`, ...sizes[n - 1] }));
}

// Every page of vector.pdf and gradients.pdf, named as in pdfgen, and the sample pages.
function pagesToCompare(work) {
  const named = (pdf, prefix, names) => {
    const entries = convert(work, pdf, prefix).map((e, i) => ({ ...e, name: names[i] }));
    if (entries.length !== names.length) throw new Error(`${pdf} has ${entries.length} pages, not one a feature`);
    return entries;
  };
  const entries = [
    ...named('vector.pdf', 'vector-', VECTOR_PAGES),
    ...named('gradients.pdf', 'gradients-', GRADIENT_PAGES),
    ...convert(work, 'sample.pdf', 'sample-', SAMPLE_PAGES).map((e) => ({ ...e, name: `sample-${e.number}` })),
  ];
  for (const file of QUIRK_FILES) {
    const stem = path.basename(file, '.pdf');
    entries.push(...convert(work, file, `${stem}-`, [1]).map((e) => ({ ...e, name: stem })));
  }
  return entries;
}

// A known defect lets its page fail as a to-do, reported but not failing the run, unless
// FIDELITY_STRICT=1 asks for every page to pass.
function knownDefect(table, renderer, page) {
  return process.env.FIDELITY_STRICT === '1' ? undefined : table[`${renderer}/${page}`];
}

function raster(work, pdf, number, width, height) {
  const out = path.join(work, `raster-${path.basename(pdf, '.pdf')}-${number}-${width}x${height}.png`);
  if (!fs.existsSync(out)) {
    execFileSync(rasterTool, [pdf, String(number), String(width), String(height), out], { stdio: 'pipe' });
  }
  return h.decodePng(fs.readFileSync(out));
}

// A work folder holding the player page, the page files and a link to Ruffle from node_modules.
function makeWork() {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'fidelity-'));
  fs.writeFileSync(path.join(work, 'player.html'), PLAYER_HTML);
  fs.symlinkSync(path.join(process.env.VIEWER_NODE_MODULES, '@ruffle-rs', 'ruffle'), path.join(work, 'ruffle'));
  fs.mkdirSync(artifacts, { recursive: true });
  return work;
}

// ---- the player ---------------------------------------------------------------------------------

// One browser and one player page per renderer; the page files are shown in it one after another.
async function launchPlayer(work, renderer) {
  const server = await h.serve(work);
  const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', headless: true,
    args: [...COMMON_FLAGS, ...renderer.flags] });
  const context = await browser.newContext({ deviceScaleFactor: 1, viewport: { width: 800, height: 600 } });
  const page = await context.newPage();
  const lines = [];
  page.on('console', (msg) => lines.push(msg.text()));
  await page.goto(`${server.url}player.html?renderer=${renderer.name}`);
  return {
    renderer: renderer.name, page, lines,
    close: async () => { await browser.close(); await server.close(); },
  };
}

// Screenshots until two in a row are the same, so the picture is the settled first frame.
async function settledShot(page, width, height) {
  let last = null;
  for (let i = 0; i < 40; i++) {
    await page.waitForTimeout(100);
    const shot = await page.screenshot({ clip: { x: 0, y: 0, width, height } });
    if (last && shot.equals(last)) return shot;
    last = shot;
  }
  return last;
}

// Plays one page file at `scale` times its stage size; returns the PNG, the stage Ruffle read and the
// renderer Ruffle reports using.
async function play(player, entry, scale) {
  const width = entry.width * scale, height = entry.height * scale;
  const { page, lines } = player;
  await page.setViewportSize({ width: Math.max(width, 800), height: Math.max(height, 600) });
  const stage = await page.evaluate(([swf, w, h]) => window.show(swf, w, h), [entry.swf, width, height]);
  const png = await settledShot(page, width, height);
  const used = lines.map((l) => /Used renderer: (\w+)/.exec(l)).filter(Boolean).pop();
  return { png, stage, renderer: used ? used[1] : 'unknown' };
}

// ---- measures -----------------------------------------------------------------------------------

// A 3x3 box blur, so that a half-pixel shift of an edge does not count as a difference.
function blur(image) {
  const { width, height, pixels } = image;
  const out = new Float32Array(width * height * 3);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      for (let k = 0; k < 3; k++) {
        let sum = 0, n = 0;
        for (let dy = -1; dy <= 1; dy++) {
          for (let dx = -1; dx <= 1; dx++) {
            const xx = x + dx, yy = y + dy;
            if (xx < 0 || yy < 0 || xx >= width || yy >= height) continue;
            sum += pixels[(yy * width + xx) * 3 + k];
            n++;
          }
        }
        out[(y * width + x) * 3 + k] = sum / n;
      }
    }
  }
  return out;
}

function blockMeans(values, width, height, block) {
  const bw = Math.ceil(width / block), bh = Math.ceil(height / block);
  const sums = new Float64Array(bw * bh * 3), counts = new Float64Array(bw * bh);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const b = Math.floor(y / block) * bw + Math.floor(x / block);
      counts[b]++;
      for (let k = 0; k < 3; k++) sums[b * 3 + k] += values[(y * width + x) * 3 + k];
    }
  }
  for (let b = 0; b < bw * bh; b++) for (let k = 0; k < 3; k++) sums[b * 3 + k] /= counts[b];
  return { bw, bh, means: sums };
}

// Per block of block x block pixels (after the blur), the largest difference of a colour channel's
// mean; summed up as the mean over blocks and the share of blocks past `badLevels`.
function compare(played, reference, { block, badLevels }) {
  if (played.width !== reference.width || played.height !== reference.height) {
    throw new Error(`sizes differ: ${played.width}x${played.height} against ${reference.width}x${reference.height}`);
  }
  const a = blockMeans(blur(played), played.width, played.height, block);
  const b = blockMeans(blur(reference), reference.width, reference.height, block);
  const diffs = new Float32Array(a.bw * a.bh);
  let total = 0, bad = 0;
  for (let i = 0; i < diffs.length; i++) {
    let d = 0;
    for (let k = 0; k < 3; k++) d = Math.max(d, Math.abs(a.means[i * 3 + k] - b.means[i * 3 + k]));
    diffs[i] = d;
    total += d;
    if (d > badLevels) bad++;
  }
  return { meanDiff: total / diffs.length, badShare: bad / diffs.length, diffs, bw: a.bw, bh: a.bh, block };
}

// Mean squared luminance step to the right and downwards. Squares, because the plain sum of step
// sizes across an edge is its height however far a blur spreads it; spread over w pixels, the sum
// of squares drops to 1/w.
function edgeEnergy(image) {
  const { width, height, pixels } = image;
  const luma = new Float32Array(width * height);
  for (let i = 0; i < luma.length; i++) {
    luma[i] = 0.299 * pixels[i * 3] + 0.587 * pixels[i * 3 + 1] + 0.114 * pixels[i * 3 + 2];
  }
  let sum = 0;
  for (let y = 0; y + 1 < height; y++) {
    for (let x = 0; x + 1 < width; x++) {
      const v = luma[y * width + x];
      sum += (luma[y * width + x + 1] - v) ** 2 + (luma[(y + 1) * width + x] - v) ** 2;
    }
  }
  return sum / (width * height);
}

// ---- artifacts ----------------------------------------------------------------------------------

function encodePng(width, height, rgb) {
  const raw = Buffer.alloc((width * 3 + 1) * height);
  for (let y = 0; y < height; y++) rgb.copy(raw, y * (width * 3 + 1) + 1, y * width * 3, (y + 1) * width * 3);
  const chunk = (type, data) => {
    const head = Buffer.alloc(8);
    head.writeUInt32BE(data.length, 0);
    head.write(type, 4, 'ascii');
    const crc = Buffer.alloc(4);
    crc.writeUInt32BE(zlib.crc32(Buffer.concat([Buffer.from(type, 'ascii'), data])) >>> 0);
    return Buffer.concat([head, data, crc]);
  };
  const ihdr = Buffer.alloc(13);
  ihdr.writeUInt32BE(width, 0);
  ihdr.writeUInt32BE(height, 4);
  ihdr.set([8, 2, 0, 0, 0], 8);
  return Buffer.concat([Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]), chunk('IHDR', ihdr),
    chunk('IDAT', zlib.deflateSync(raw)), chunk('IEND', Buffer.alloc(0))]);
}

// The block differences as a picture: white where the two agree, darker red the more they differ.
function diffPng(result) {
  const { bw, bh, block, diffs } = result;
  const width = bw * block, height = bh * block;
  const rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const d = Math.min(255, diffs[Math.floor(y / block) * bw + Math.floor(x / block)] * 3);
      rgb.set([255, 255 - d, 255 - d], (y * width + x) * 3);
    }
  }
  return encodePng(width, height, rgb);
}

function saveArtifact(name, buffer) {
  fs.writeFileSync(path.join(artifacts, name), buffer);
  return path.join(artifacts, name);
}

function pngOf(image) {
  return encodePng(image.width, image.height, image.pixels);
}

module.exports = {
  VECTOR_PAGES, SAMPLE_PAGES, GRADIENT_PAGES, RENDERERS, artifacts, pagesToCompare, knownDefect, raster, makeWork,
  launchPlayer, play, compare, edgeEnergy, diffPng, saveArtifact, pngOf, decodePng: h.decodePng,
};
