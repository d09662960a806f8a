// Pages that take their fonts from the book's font library, in headless Chromium with Ruffle: a book
// whose pages import their fonts must look exactly like the same book whose pages carry their own, on
// the first pages and after a turn, and the library is fetched once however many pages import it.
// Environment: VIEWER_NODE_MODULES, QUAVELIN_BUILD_DIR, QUAVELIN_TEST_PDF_DIR, VIEWER_ARTIFACTS.
'use strict';
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const h = require('./harness.js');

const buildDir = process.env.QUAVELIN_BUILD_DIR;
const pdfDir = process.env.QUAVELIN_TEST_PDF_DIR;
const artifacts = process.env.VIEWER_ARTIFACTS || path.join(os.tmpdir(), 'viewer-artifacts');
const { PLAYER_MS } = h;
const PDF = path.join(pdfDir, 'index.pdf');

let work, browser;
const books = {};

before(async () => {
  fs.mkdirSync(artifacts, { recursive: true });
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'viewer-fonts-'));
  books.shared = h.makeBook(buildDir, PDF, path.join(work, 'shared'));
  books.own = h.bookWithOwnFonts(buildDir, books.shared, PDF, path.join(work, 'own'));
  browser = await h.launch();
});

after(async () => {
  if (browser) await browser.close();
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

// Screenshots of the first view and of the view after one turn, with the requests the server saw.
async function views(book, canvas) {
  const s = await h.openBook(browser, book, { canvas, waitFor: /page 1 shown/, dismiss: false });
  try {
    await s.page.waitForTimeout(500);
    const first = await s.page.screenshot();
    const from = s.lines.length;
    await s.page.keyboard.press('ArrowRight');
    await h.waitForLine(s.page, s.lines, /page [23] shown/, from, PLAYER_MS);
    await s.page.waitForTimeout(1500);
    const turned = await s.page.screenshot();
    return { first, turned, requests: s.requests.map((url) => new URL(url).pathname) };
  } finally { await s.close(); }
}

function darkPixels(image) {
  let dark = 0;
  for (let i = 0; i < image.pixels.length; i += 3) dark += image.pixels[i] < 96 ? 1 : 0;
  return dark;
}

// Pixels whose colour differs by more than anti-aliasing noise.
function differingPixels(a, b) {
  let differing = 0;
  for (let i = 0; i < a.pixels.length; i += 3) {
    const d = Math.max(...[0, 1, 2].map((k) => Math.abs(a.pixels[i + k] - b.pixels[i + k])));
    differing += d > 48 ? 1 : 0;
  }
  return differing;
}

for (const renderer of ['canvas', 'default']) {
  test(`pages importing the book's fonts look like pages with their own (${renderer} renderer)`, async () => {
    const canvas = renderer === 'canvas';
    const own = await views(books.own, canvas);
    const shared = await views(books.shared, canvas);
    for (const view of ['first', 'turned']) {
      fs.writeFileSync(path.join(artifacts, `fonts-${renderer}-${view}-own.png`), own[view]);
      fs.writeFileSync(path.join(artifacts, `fonts-${renderer}-${view}-shared.png`), shared[view]);
      const mine = h.decodePng(own[view]);
      const theirs = h.decodePng(shared[view]);
      const ink = darkPixels(mine);
      assert.ok(ink > 500, `the ${view} view has text to compare (${ink} dark pixels)`);
      const differing = differingPixels(mine, theirs);
      assert.ok(differing <= ink / 100, `the ${view} view differs in ${differing} pixels of ${ink} inked`);
    }
    const libraryFetches = shared.requests.filter((p) => p.endsWith('/data/fonts.swf')).length;
    assert.ok(libraryFetches <= 1, `the library was fetched ${libraryFetches} times`);
  });
}
