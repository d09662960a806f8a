// The cover poster in headless Chromium: index.html shows data/poster.jpg on the book's background
// colour before the player has started (its script is held back here), exactly where the viewer then
// draws page 1, and takes it away once the viewer has drawn; a book without a poster still opens.
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
const BACKGROUND = '305030';
// The player's start, generous for a machine busy with other work.
const { PLAYER_MS } = h;

let work, browser, colours;
const books = {};

before(async () => {
  fs.mkdirSync(artifacts, { recursive: true });
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'viewer-poster-'));
  colours = h.pageColours(buildDir);
  books.withPoster = h.makeBook(buildDir, path.join(pdfDir, 'colours.pdf'), path.join(work, 'with-poster'), ['-bgc', BACKGROUND]);
  books.withoutPoster = path.join(work, 'without-poster');
  fs.cpSync(books.withPoster, books.withoutPoster, { recursive: true });
  fs.rmSync(path.join(books.withoutPoster, 'data', 'poster.jpg'));
  browser = await h.launch();
});

after(async () => {
  if (browser) await browser.close();
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

// The smallest box holding every pixel near `rgb`; null when there is none.
function boxOf(image, rgb, tolerance = 12) {
  let left = Infinity, top = Infinity, right = -1, bottom = -1;
  for (let y = 0; y < image.height; y++) {
    for (let x = 0; x < image.width; x++) {
      if (!h.near(h.pixel(image, x, y), rgb, tolerance)) continue;
      left = Math.min(left, x); right = Math.max(right, x);
      top = Math.min(top, y); bottom = Math.max(bottom, y);
    }
  }
  return right < 0 ? null : { left, top, right, bottom };
}

// The first pixel from the left on row `y` that is not the background: the left edge of a page even
// where the spine's shade darkens it.
function leftEdge(image, y) {
  for (let x = 0; x < image.width; x++) if (!h.near(h.pixel(image, x, y), h.hexColour(BACKGROUND), 12)) return x;
  return -1;
}

async function shot(page, name) {
  return h.decodePng(await page.screenshot({ path: path.join(artifacts, `poster-${name}.png`) }));
}

// Opens a book with the player's script held until `release` is called.
const openHeld = (book, viewport, hash) => h.openBook(browser, book, { viewport, hash, hold: true, waitFor: null });

// Before the player: the poster, in page 1's colour, on the book's background; after: page 1 drawn by
// the viewer in the same box (within a pixel or two of rounding; the left edge found against the
// background, since the spine's shade darkens a spread's right page there), and the poster gone.
test('the poster stands where the viewer then draws page 1, until it has', async () => {
  const cases = [
    { name: 'spread', viewport: { width: 1280, height: 800 }, hash: '', poster: true },
    { name: 'single', viewport: { width: 600, height: 900 }, hash: '', poster: true },
    { name: 'deep-link', viewport: { width: 1280, height: 800 }, hash: '#page=5', poster: false },
  ];
  for (const c of cases) {
    const s = await openHeld(books.withPoster, c.viewport, c.hash);
    try {
      await s.page.waitForFunction((shown) => {
        const cover = document.getElementById('cover');
        const poster = document.getElementById('poster');
        return cover && cover.style.background !== '' && (shown ? poster.style.display === 'block' : poster.complete);
      }, c.poster);
      await s.page.waitForTimeout(150);
      const before = await shot(s.page, `${c.name}-before`);
      assert.ok(h.share(before, h.hexColour(BACKGROUND), { x: 0, y: c.viewport.height - 36, width: 60, height: 30 }) > 0.95,
        `${c.name}: the book's background colour below the poster, where the panel will be`);
      const posterBox = boxOf(before, colours[1]);
      assert.equal(posterBox !== null, c.poster, `${c.name}: page 1's colour on screen before the player: ${JSON.stringify(posterBox)}`);

      s.release();
      await h.waitForLine(s.page, s.lines, c.poster ? /page 1 shown/ : /page 5 shown/, 0, PLAYER_MS);
      await s.page.waitForFunction(() => document.getElementById('cover') === null);
      await s.page.waitForTimeout(400);
      const after = await shot(s.page, `${c.name}-after`);
      if (!c.poster) continue;
      const pageBox = boxOf(after, colours[1]);
      assert.ok(pageBox, `${c.name}: the viewer drew page 1`);
      const middle = Math.round((pageBox.top + pageBox.bottom) / 2);
      pageBox.left = leftEdge(after, middle);
      posterBox.left = leftEdge(before, middle);
      for (const edge of ['left', 'top', 'right', 'bottom']) {
        assert.ok(Math.abs(posterBox[edge] - pageBox[edge]) <= 2,
          `${c.name}: the poster's ${edge} edge at ${posterBox[edge]}, page 1's at ${pageBox[edge]}`);
      }
      if (c.name === 'spread') assert.ok(posterBox.left >= c.viewport.width / 2 - 1, 'the cover on the right half');
    } finally { await s.close(); }
  }
});

test('a book without its poster opens without a broken image', async () => {
  const s = await openHeld(books.withoutPoster, { width: 1280, height: 800 }, '');
  try {
    await s.page.waitForFunction(() => {
      const cover = document.getElementById('cover');
      return cover && cover.style.background !== '' && document.getElementById('poster').complete;
    });
    await s.page.waitForTimeout(150);
    const before = await shot(s.page, 'missing-before');
    assert.ok(h.share(before, h.hexColour(BACKGROUND)) > 0.97, 'only the background colour and the spinner');
    assert.equal(await s.page.evaluate(() => document.getElementById('poster').style.display), 'none');
    s.release();
    await h.waitForLine(s.page, s.lines, /page 1 shown/, 0, PLAYER_MS);
    await s.page.waitForFunction(() => document.getElementById('cover') === null);
    assert.deepEqual(s.errors.filter((e) => !/404/.test(e)), []);
  } finally { await s.close(); }
});
