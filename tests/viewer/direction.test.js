// Books that read right to left, in headless Chromium with Ruffle, made by the real tool and converter
// from rtl.pdf (Arabic, /Direction /R2L): where page 1 and the spreads stand, turns by key, click,
// swipe and the panel's buttons, the overview's rows, a contents jump and Back, single pages by touch,
// the tool's -direction overriding the PDF, and stiff covers swinging in perspective either way.
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

let work, browser, colours;
const books = {};

before(async () => {
  fs.mkdirSync(artifacts, { recursive: true });
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'viewer-direction-'));
  colours = h.pageColours(buildDir);
  books.rtl = h.makeBook(buildDir, path.join(pdfDir, 'rtl.pdf'), path.join(work, 'rtl'));
  books.overridden = h.makeBook(buildDir, path.join(pdfDir, 'rtl.pdf'), path.join(work, 'ltr'), ['-direction', 'ltr']);
  books.hard = h.makeBook(buildDir, path.join(pdfDir, 'rtl.pdf'), path.join(work, 'hard'), ['-hc', 'true']);
  books.hardLtr = h.makeBook(buildDir, path.join(pdfDir, 'rtl.pdf'), path.join(work, 'hard-ltr'), ['-hc', 'true', '-direction', 'ltr']);
  browser = await h.launch();
});

after(async () => {
  if (browser) await browser.close();
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

const open = (book, viewport, options = {}) => h.openBook(browser, book, { viewport, ...options });

const mark = (s) => s.lines.length;
const line = async (s, pattern, from) => s.lines[await h.waitForLine(s.page, s.lines, pattern, from)];
const showing = (s, label, from) => line(s, new RegExp(`showing ${label.replace('/', '\\/')}$`), from);
const lastLine = (s, pattern) => h.lastLine(s.lines, pattern);

// Where the viewer last said it drew a page: {x, y, width, height} on the stage.
function shownBox(s, page) {
  const m = /at (-?\d+),(-?\d+) (\d+)x(\d+)/.exec(lastLine(s, new RegExp(`page ${page} shown at`)));
  return { x: Number(m[1]), y: Number(m[2]), width: Number(m[3]), height: Number(m[4]) };
}

// The panel's controls as the viewer last laid them out.
const controls = (s) => h.readLayout(s).controls;

async function shot(s, name) {
  return h.decodePng(await s.page.screenshot({ path: path.join(artifacts, `${name}.png`) }));
}

// The colour in the middle of a box's upper part, clear of the page's white number box.
function colourIn(image, box) {
  return h.pixel(image, box.x + box.width / 2, box.y + box.height * 0.15);
}

async function drag(s, from, dx, { steps = 10, pause = 40, touch = false } = {}) {
  const point = (i) => ({ x: Math.round(from.x + (dx * i) / steps), y: Math.round(from.y) });
  if (touch) {
    const send = (type, p) => s.cdp.send('Input.dispatchTouchEvent', { type, touchPoints: p ? [{ x: p.x, y: p.y }] : [] });
    await send('touchStart', point(0));
    for (let i = 1; i <= steps; i++) { await s.page.waitForTimeout(pause); await send('touchMove', point(i)); }
    await send('touchEnd');
    return;
  }
  await s.page.mouse.move(from.x, from.y);
  await s.page.mouse.down();
  for (let i = 1; i <= steps; i++) { await s.page.waitForTimeout(pause); await s.page.mouse.move(point(i).x, point(i).y); }
  await s.page.mouse.up();
}

test('spreads read right to left: the cover on the left, turns by key, click, swipe and buttons, overview, contents and Back', async () => {
  const s = await open(books.rtl, { width: 1280, height: 800 });
  try {
    const middle = s.viewport.width / 2;
    const cover = shownBox(s, 1);
    assert.ok(cover.x + cover.width <= middle + 1, `the cover stands alone left of the spine: ${JSON.stringify(cover)}`);
    let image = await shot(s, 'rtl-cover');
    assert.ok(h.near(colourIn(image, cover), colours[1]), `page 1's colour on the left, saw ${colourIn(image, cover)}`);
    assert.ok(h.near(h.pixel(image, middle + cover.width / 2, cover.y + 50), h.hexColour('cccccc')), 'nothing right of the spine');

    // The left arrow points the way the book reads: forward. Page 2 is on the right, page 3 on the left.
    let from = mark(s);
    await s.page.keyboard.press('ArrowLeft');
    await showing(s, '2-3 / 6', from);
    await line(s, /page 3 shown/, from);
    await s.page.waitForTimeout(200);
    assert.ok(shownBox(s, 2).x >= middle - 1, 'page 2 on the right');
    assert.ok(shownBox(s, 3).x + shownBox(s, 3).width <= middle + 1, 'page 3 on the left');
    image = await shot(s, 'rtl-spread');
    assert.ok(h.near(colourIn(image, shownBox(s, 3)), colours[3]), 'page 3 drawn on the left');
    from = mark(s);
    await s.page.keyboard.press('ArrowRight');
    await showing(s, '1 / 6', from);

    // A click on the left-hand page's outer half turns forward; a swipe to the right does too.
    const pageWidth = cover.width;
    from = mark(s);
    await s.page.mouse.click(middle - pageWidth * 0.7, cover.y + cover.height / 2);
    await line(s, /turning soft from 1 \/ 6$/, from);
    await showing(s, '2-3 / 6', from);
    from = mark(s);
    await drag(s, { x: middle - pageWidth * 0.5, y: cover.y + cover.height / 2 }, pageWidth * 0.6);
    await showing(s, '4-5 / 6', from);
    from = mark(s);
    await s.page.mouse.click(middle + pageWidth * 0.7, cover.y + cover.height / 2);
    await showing(s, '2-3 / 6', from);

    // Home and End go to the covers; the back cover stands alone on the right.
    from = mark(s);
    await s.page.keyboard.press('End');
    await showing(s, '6 / 6', from);
    await line(s, /page 6 shown/, from);
    assert.ok(shownBox(s, 6).x >= middle - 1, 'the back cover on the right');
    from = mark(s);
    await s.page.keyboard.press('Home');
    await showing(s, '1 / 6', from);

    // The panel's page buttons run the other way: next left of previous, last at the left end.
    const c = controls(s);
    assert.ok(c.last.x < c.next.x && c.next.x < c.previous.x && c.previous.x < c.first.x,
      `last, next, previous, first from the left: ${JSON.stringify(c)}`);
    from = mark(s);
    await s.page.mouse.click(c.next.x, c.next.y);
    await showing(s, '2-3 / 6', from);

    // The overview's first row runs from the right: page 1 at its right end, and a press on the
    // thumbnail left of it goes to page 2.
    from = mark(s);
    await s.page.mouse.click(c.overview.x, c.overview.y);
    const grid = await line(s, /overview grid columns=/, from);
    await line(s, /overview thumbnails settled/, from);
    await s.page.waitForTimeout(200);
    const [, columns, ox, oy, sx, tw, th] = /columns=(\d+) rows=\d+ origin=(\d+),(\d+) step=([\d.]+),[\d.]+ thumb=([\d.]+)x([\d.]+)/
      .exec(grid).map(Number);
    const cell = (column) => ({ x: ox + column * sx + tw / 2, y: oy + th * 0.2 });
    image = await shot(s, 'rtl-overview');
    assert.ok(h.near(h.pixel(image, cell(columns - 1).x, cell(columns - 1).y), colours[1]), 'page 1 at the right end of the row');
    assert.ok(h.near(h.pixel(image, cell(columns - 6).x, cell(columns - 6).y), colours[6]), 'page 6 sixth from the right');
    from = mark(s);
    await s.page.mouse.click(cell(columns - 4).x, cell(columns - 4).y + th * 0.3);
    await line(s, /overview jump to page 4$/, from);
    await showing(s, '4-5 / 6', from);

    // The contents jump to the chapter's page, and Back returns to the spread before it.
    from = mark(s);
    await s.page.keyboard.press('c');
    const opened = /contents open: (\d+) rows, first at (\d+),(\d+), row height (\d+)/.exec(await line(s, /contents open:/, from));
    assert.equal(Number(opened[1]), 3, 'the three Arabic entries');
    from = mark(s);
    await s.page.mouse.click(Number(opened[2]), Number(opened[3]) + Number(opened[4]));
    await line(s, /contents: to page 2$/, from);
    await showing(s, '2-3 / 6', from);
    from = mark(s);
    await s.page.evaluate(() => window.history.back());
    await showing(s, '4-5 / 6', from);
  } finally {
    await s.close();
  }
});

test('single pages read right to left: a deep link, a swipe to the right turns forward, the page stays in the middle', async () => {
  const s = await open(books.rtl, { width: 390, height: 844 }, { hash: '#page=3', touch: true });
  try {
    await showing(s, '3 / 6', 0);
    const page = shownBox(s, 3);
    assert.ok(Math.abs(page.x + page.width / 2 - s.viewport.width / 2) <= 2, `page 3 in the middle: ${JSON.stringify(page)}`);
    let from = mark(s);
    await drag(s, { x: page.x + page.width * 0.3, y: page.y + page.height / 2 }, page.width * 0.5, { touch: true });
    await showing(s, '4 / 6', from);
    from = mark(s);
    await drag(s, { x: page.x + page.width * 0.7, y: page.y + page.height / 2 }, -page.width * 0.5, { touch: true });
    await showing(s, '3 / 6', from);
    // A tap on the left half of the page turns forward, the left arrow too.
    from = mark(s);
    const tap = { x: Math.round(page.x + page.width * 0.2), y: Math.round(page.y + page.height / 2) };
    await s.cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [tap] });
    await s.cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    await showing(s, '4 / 6', from);
    from = mark(s);
    await s.page.keyboard.press('ArrowLeft');
    await showing(s, '5 / 6', from);
    assert.match(await s.page.evaluate(() => window.location.hash), /#page=5$/, 'the address names the page as in any book');
  } finally {
    await s.close();
  }
});

test('-direction ltr reads the same PDF left to right', async () => {
  const list = fs.readFileSync(path.join(books.overridden, 'data', 'pages.xml'), 'utf8');
  assert.doesNotMatch(list, /direction=/, 'a left-to-right book says nothing of its direction');
  assert.match(fs.readFileSync(path.join(books.rtl, 'data', 'pages.xml'), 'utf8'), /direction='rtl'/);
  const s = await open(books.overridden, { width: 1280, height: 800 });
  try {
    assert.ok(shownBox(s, 1).x >= s.viewport.width / 2 - 1, 'the cover on the right');
    const from = mark(s);
    await s.page.keyboard.press('ArrowRight');
    await showing(s, '2-3 / 6', from);
  } finally {
    await s.close();
  }
});

// The rows of a column of the screenshot whose colour is the cover's (red, whatever the shade).
function coverRows(image, x) {
  let rows = 0;
  for (let y = 0; y < image.height; y++) {
    const [r, g, b] = h.pixel(image, x, y);
    if (r > 90 && r > 2 * g && r > 2 * b) rows++;
  }
  return rows;
}

test('stiff covers swing as boards in perspective, in either reading direction', async () => {
  for (const [book, name] of [[books.hard, 'rtl'], [books.hardLtr, 'ltr']]) {
    const s = await open(book, { width: 1280, height: 800 });
    try {
      const middle = s.viewport.width / 2;
      const cover = shownBox(s, 1);
      const side = name === 'rtl' ? -1 : 1; // the side the cover stands on
      const outer = { x: middle + side * (cover.width - 8), y: cover.y + cover.height - 20 };
      await s.page.waitForTimeout(500); // the board's second views load beside the cover
      const from = mark(s);
      await s.page.mouse.move(outer.x, outer.y);
      await s.page.mouse.down();
      for (let i = 1; i <= 6; i++) await s.page.mouse.move(outer.x - side * cover.width * 0.1 * i, outer.y, { steps: 2 });
      await line(s, /turning stiff from 1 \/ 6$/, from);
      await s.page.waitForTimeout(150);
      const image = await shot(s, `hard-cover-${name}`);
      // Near the spine the board is as tall as the page; its free edge, risen away, is shorter.
      const near = coverRows(image, middle + side * 6);
      let farX = middle + side * 6;
      while (Math.abs(farX - middle) < cover.width && coverRows(image, farX + side * 2) > cover.height * 0.3) farX += side * 2;
      const far = coverRows(image, farX - side * 4);
      assert.ok(Math.abs(farX - middle) < cover.width * 0.8, `${name}: the board has risen (free edge ${Math.abs(farX - middle)} px from the spine)`);
      assert.ok(near >= cover.height * 0.95, `${name}: full height at the hinge (${near} of ${cover.height})`);
      assert.ok(far < near * 0.93, `${name}: the free edge (${far} px) is shorter than the hinge (${near} px)`);
      await s.page.mouse.up();
      await showing(s, '2-3 / 6', from);
    } finally {
      await s.close();
    }
  }
});
