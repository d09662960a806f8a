// Zoom and the overview in headless Chromium with Ruffle, on books the real tool makes from colours.pdf
// (page N filled with its own colour): the page drawn at each zoom level, no background beside a zoomed
// page wherever it is dragged, a double click that zooms without turning, and the thumbnail overview:
// where the reader is, a jump on a click, and on a 1,000-page book only the thumbnails near sight loaded.
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
const BACKGROUND = h.hexColour('cccccc');
const HIGHLIGHT = h.hexColour('2a7ae2');

let work, browser, colours;
const books = {};

before(async () => {
  fs.mkdirSync(artifacts, { recursive: true });
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'viewer-zoom-'));
  colours = h.pageColours(buildDir);
  books.plain = h.makeBook(buildDir, path.join(pdfDir, 'colours.pdf'), path.join(work, 'plain'));
  books.long = repeatPages(books.plain, path.join(work, 'long'), 1000);
  browser = await h.launch();
});

after(async () => {
  if (browser) await browser.close();
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

// A book whose page list names `count` pages, cycling through the page files of `source`.
function repeatPages(source, target, count) {
  fs.cpSync(source, target, { recursive: true });
  const listPath = path.join(target, 'data', 'pages.xml');
  const list = fs.readFileSync(listPath, 'utf8');
  const files = [...list.matchAll(/<page src='([^']+)'[^>]*\/>/g)].map((m) => m[1]);
  const pages = Array.from({ length: count }, (_, i) => `<page src='${files[i % files.length]}'/>`);
  fs.writeFileSync(listPath, `${list.split('\n')[0]}\n${pages.join('\n')}\n</content>`);
  return target;
}

// A book in a tab, with what the tests here ask of it: the panel's controls, the room above the panel,
// screenshots and clicks on controls by name.
async function open(book, { viewport = { width: 1280, height: 800 }, ...options } = {}) {
  const s = await h.openBook(browser, book, { viewport, waitFor: /page 1 shown/, ...options });
  s.controls = s.layout.controls;
  s.size = viewport;
  if (!s.controls) {
    await s.close();
    throw new Error('the viewer logged no layout');
  }
  s.room = { x: 0, y: 0, width: viewport.width, height: s.controls.next.y - 22 }; // above the panel
  s.mark = () => s.lines.length;
  s.wait = (pattern, from) => h.waitForLine(s.page, s.lines, pattern, from);
  s.shot = async (name) => h.decodePng(await s.page.screenshot({ path: path.join(artifacts, `${name}.png`) }));
  s.click = async (name) => { const c = s.controls[name]; await s.page.mouse.click(c.x, c.y); };
  return s;
}

// The box of the pixels within `tolerance` of a colour, sampled every other pixel inside `area`.
function boxOf(image, rgb, area, tolerance = 20) {
  let left = Infinity, right = -Infinity, top = Infinity, bottom = -Infinity;
  for (let y = area.y; y < area.y + area.height; y += 2) {
    for (let x = area.x; x < area.x + area.width; x += 2) {
      if (!h.near(h.pixel(image, x, y), rgb, tolerance)) continue;
      left = Math.min(left, x); right = Math.max(right, x); top = Math.min(top, y); bottom = Math.max(bottom, y);
    }
  }
  return { left, right, top, bottom, width: right - left, height: bottom - top };
}

// Background beside the pages could only show along the room's edges: strips 4 pixels deep on each side
// (inside the room, the grey of anti-aliased page numbers would pass for it).
function backgroundPixels(image, room) {
  const strips = [
    { x: room.x, y: room.y, width: room.width, height: 4 }, { x: room.x, y: room.y + room.height - 5, width: room.width, height: 4 },
    { x: room.x, y: room.y, width: 4, height: room.height - 1 }, { x: room.x + room.width - 4, y: room.y, width: 4, height: room.height - 1 },
  ];
  return strips.reduce((sum, strip) => sum + h.count(image, BACKGROUND, strip, 4), 0);
}

async function dragBy(s, from, dx, dy) {
  await s.page.mouse.move(from.x, from.y);
  await s.page.mouse.down();
  for (let i = 1; i <= 6; i++) await s.page.mouse.move(from.x + dx * i / 6, from.y + dy * i / 6);
  await s.page.mouse.up();
}

test('zoom levels by keys and Ctrl+wheel: a lone cover drawn 2x and 4x, centred, no background above or below', async () => {
  // A wide, low window, where even the cover at 4x is narrower than the window.
  const s = await open(books.plain, { viewport: { width: 1600, height: 420 } });
  try {
    const room = s.room;
    // The cover's outer edge: the spine shade darkens its inner edge, so that one is found from the
    // window's middle, where the spine lies at the fitted size and the cover's middle lies when zoomed.
    const fitted = boxOf(await s.shot('zoom-fit'), colours[1], room);
    const middle = room.width / 2;
    const fittedWidth = fitted.right - middle;
    const steps = [
      { act: () => s.page.keyboard.press('+'), factor: 2, log: /zoomed in to 2x/ },
      { act: () => s.page.keyboard.press('+'), factor: 4, log: /zoomed to 4x/ },
      { act: () => s.page.keyboard.press('-'), factor: 2, log: /zoomed to 2x/ },
      {
        act: async () => {
          await s.page.mouse.move(room.width * 0.7, room.height * 0.3);
          await s.page.keyboard.down('Control');
          await s.page.mouse.wheel(0, -120);
          await s.page.keyboard.up('Control');
        },
        factor: 4, log: /zoomed to 4x/,
      },
    ];
    for (const step of steps) {
      const from = s.mark();
      await step.act();
      await s.wait(step.log, from);
      await s.page.waitForTimeout(300);
      const image = await s.shot(`zoom-${step.factor}x`);
      const cover = boxOf(image, colours[1], room);
      const what = `${step.factor}x after ${step.log}`;
      const half = (cover.right - middle) / fittedWidth * 2;
      assert.ok(Math.abs(half - step.factor) < 0.05, `${what}: centred cover drawn ${half.toFixed(2)}x (right edge ${cover.right})`);
      assert.ok(cover.left >= middle - (cover.right - middle) - 3, `${what}: nothing of the cover left of its place (${cover.left})`);
      assert.ok(cover.top <= 2 && cover.bottom >= room.height - 3, `${what}: the cover fills the room's height (${cover.top}-${cover.bottom})`);
    }
    // Dragging the narrow cover sideways leaves it centred; dragging it down stops at its top edge.
    const from = s.mark();
    await dragBy(s, { x: room.width / 2, y: room.height / 2 }, 300, 5000);
    await s.wait(/zoomed page moved to/, from);
    const dragged = boxOf(await s.shot('zoom-4x-dragged'), colours[1], room);
    assert.ok(Math.abs(dragged.right - fitted.right - fittedWidth) <= 4, `still centred after a sideways drag (${dragged.right})`);
    assert.ok(dragged.top <= 2, `no background above the page after a drag down (${dragged.top})`);
    // The panel's buttons step through the levels too; Escape goes back to the fitted book.
    let out = s.mark();
    await s.click('zoomout');
    await s.wait(/zoomed to 2x/, out);
    out = s.mark();
    await s.page.keyboard.press('Escape');
    await s.wait(/zoomed out/, out);
    out = s.mark();
    await s.click('zoomin');
    await s.wait(/zoomed in to 2x/, out);
    assert.deepEqual(s.errors, []);
  } finally { await s.close(); }
});

test('a zoomed spread dragged to each corner never shows background; a double click zooms without turning', async () => {
  const s = await open(books.plain, { hash: '#page=4', waitFor: /page 5 shown/ });
  try {
    const room = s.room;
    const fitted = boxOf(await s.shot('spread-fit'), colours[5], room);
    // Double clicks where a single click turns the page: the outer edge's middle and its lifted corner.
    const spots = [
      { x: fitted.right - fitted.width * 0.04, y: (fitted.top + fitted.bottom) / 2 },
      { x: fitted.right - fitted.width * 0.03, y: fitted.bottom - fitted.height * 0.03 },
    ];
    for (const spot of spots) {
      await s.page.mouse.move(spot.x - 30, spot.y);
      await s.page.mouse.move(spot.x, spot.y);
      await s.page.waitForTimeout(200);
      const from = s.mark();
      await s.page.mouse.dblclick(spot.x, spot.y);
      await s.wait(/zoomed in to 2x/, from);
      await s.page.waitForTimeout(1000);
      const since = s.lines.slice(from);
      const turned = (lines) => lines.some((l) => /turning|showing (?!4-5 )/.test(l));
      assert.ok(!turned(since), `a double click at ${spot.x},${spot.y} turned:\n${since.join('\n')}`);
      const back = s.mark();
      await s.page.mouse.dblclick(spot.x, spot.y);
      await s.wait(/zoomed out/, back);
      await s.page.waitForTimeout(600);
      assert.ok(!turned(s.lines.slice(back)), 'the double click back turned');
    }
    // A single click there still turns, once the double click time is over.
    let from = s.mark();
    await s.page.mouse.click(spots[0].x, spots[0].y);
    await s.wait(/showing 6-7 \/ 12$/, from);
    // At 4x, dragged as far as it goes each way, the spread covers the whole room.
    from = s.mark();
    await s.page.keyboard.press('+');
    await s.page.keyboard.press('+');
    await s.wait(/zoomed to 4x/, from);
    const centre = { x: room.width / 2, y: room.height / 2 };
    for (const [dx, dy] of [[-4000, -4000], [4000, 4000], [4000, -4000], [-4000, 4000]]) {
      from = s.mark();
      await dragBy(s, centre, dx, dy);
      await s.wait(/zoomed page moved to/, from);
      await s.page.waitForTimeout(150);
      const image = await s.shot(`spread-4x-drag-${dx > 0 ? 'right' : 'left'}-${dy > 0 ? 'down' : 'up'}`);
      assert.equal(backgroundPixels(image, room), 0, `background shows after a drag by ${dx},${dy}`);
      const seen = boxOf(image, dx > 0 ? colours[6] : colours[7], room);
      assert.ok(seen.width > 0, `the ${dx > 0 ? 'left' : 'right'} page's outer part is in view after a drag by ${dx},${dy}`);
    }
    // Two fingers moving apart to 2.2 times their distance settle at 2x, about the point between them.
    from = s.mark();
    await s.page.keyboard.press('Escape');
    await s.wait(/zoomed out/, from);
    const cdp = await browser.context.newCDPSession(s.page);
    await cdp.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
    const fingers = (spread) => [{ x: centre.x - spread / 2, y: centre.y, id: 1 }, { x: centre.x + spread / 2, y: centre.y, id: 2 }];
    from = s.mark();
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: fingers(100) });
    for (let i = 1; i <= 6; i++) await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: fingers(100 + 120 * i / 6) });
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    await s.wait(/zoomed (in )?to 2x/, from);
    await s.page.waitForTimeout(300);
    assert.equal(backgroundPixels(await s.shot('spread-pinched'), room), 0, 'background shows after a pinch');
    // The first finger may lift the sheet for a moment before the second makes it a pinch; the view stays.
    const seen = [...s.lines].reverse().find((l) => /showing /.test(l) && s.lines.indexOf(l) < from);
    const turned = s.lines.slice(from).filter((l) => /showing /.test(l) && l !== seen);
    assert.deepEqual(turned, [], 'the pinch turned the book');
    assert.deepEqual(s.errors, []);
  } finally { await s.close(); }
});

// Where the overview draws a page's thumbnail, from the grid it logs.
function gridOf(lines) {
  const line = [...lines].reverse().find((l) => /overview grid /.test(l));
  const n = (name) => new RegExp(`${name}=([-\\d.]+)(?:[,x]([-\\d.]+))?`).exec(line).slice(1).map(Number);
  const [columns] = n('columns');
  const [ox, oy] = n('origin');
  const [sx, sy] = n('step');
  const [tw, th] = n('thumb');
  const [cx, cy] = n('close');
  return {
    columns, tw, th, close: { x: cx, y: cy },
    cell: (page, scroll = 0) => ({ x: ox + (page % columns) * sx, y: oy + Math.floor(page / columns) * sy - scroll, width: tw, height: th }),
  };
}

test('the overview shows every page, frames where the reader is, jumps on a click and closes', async () => {
  const s = await open(books.plain, { hash: '#page=4', waitFor: /page 5 shown/ });
  try {
    let from = s.mark();
    await s.click('overview');
    await s.wait(/overview opened at page 4/, from);
    await s.wait(/overview thumbnails settled/, from);
    await s.page.waitForTimeout(300);
    const image = await s.shot('overview');
    const grid = gridOf(s.lines);
    for (let page = 0; page < 12; page++) {
      const cell = grid.cell(page);
      const seen = h.pixel(image, cell.x + cell.width * 0.3, cell.y + cell.height * 0.15);
      assert.ok(h.near(seen, colours[page + 1]), `thumbnail of page ${page + 1} shows its colour (${colours[page + 1]}), saw ${seen}`);
      const edge = { x: cell.x - 4, y: cell.y + cell.height * 0.3, width: 3, height: cell.height * 0.4 };
      const framed = h.share(image, HIGHLIGHT, edge, 40) > 0.5;
      assert.equal(framed, page === 3 || page === 4, `page ${page + 1} ${framed ? 'is' : 'is not'} framed`);
    }
    // A click on a thumbnail closes the overview and turns there.
    const target = grid.cell(8);
    from = s.mark();
    await s.page.mouse.click(target.x + target.width / 2, target.y + target.height / 2);
    await s.wait(/overview closed/, from);
    await s.wait(/showing 8-9 \/ 12$/, from);
    // Escape and the close button close it without a turn.
    for (const close of [() => s.page.keyboard.press('Escape'), () => s.page.mouse.click(gridOf(s.lines).close.x, gridOf(s.lines).close.y)]) {
      from = s.mark();
      await s.click('overview');
      await s.wait(/overview opened at page 8/, from);
      await close();
      await s.wait(/overview closed/, from);
      await s.page.waitForTimeout(300);
      assert.ok(!s.lines.slice(from).some((l) => /showing/.test(l)), 'closing the overview turned the book');
    }
    assert.deepEqual(s.errors, []);
  } finally { await s.close(); }
});

test('on a 1,000-page book the overview loads only the thumbnails near the rows in sight', async () => {
  const s = await open(books.long);
  try {
    const pageFiles = (from) => s.requests.slice(from).filter((u) => /\/data\/test\d+\.swf$/.test(u)).length;
    const holding = (line) => Number(/holding (\d+)/.exec(line)[1]);
    let requested = s.requests.length;
    let from = s.mark();
    await s.click('overview');
    await s.wait(/overview thumbnails settled/, from);
    const grid = gridOf(s.lines);
    const sight = /overview rows (\d+)-(\d+) of (\d+)/.exec(s.lines[await s.wait(/overview rows /, from)]);
    const rowsInSight = Number(sight[2]) - Number(sight[1]) + 1;
    assert.equal(Number(sight[3]), Math.ceil(1000 / grid.columns));
    // The rows in sight and one more below.
    const nearSight = (rowsInSight + 1) * grid.columns;
    assert.ok(pageFiles(requested) <= nearSight, `${pageFiles(requested)} page files requested on opening, at most ${nearSight}`);
    // Wheel a few rows down, then jump to the end: the rows passed over are not all loaded, the far
    // ones are let go of.
    requested = s.requests.length;
    from = s.mark();
    await s.page.mouse.move(s.size.width / 2, s.room.height / 2);
    for (let i = 0; i < 6; i++) await s.page.mouse.wheel(0, 120);
    await s.wait(/overview rows ([2-9]|\d\d+)-/, from);
    await s.page.keyboard.press('End');
    await s.wait(new RegExp(`overview rows \\d+-${sight[3]} of`), from);
    const end = s.mark();
    await s.wait(/overview thumbnails settled/, end - 1);
    await s.page.waitForTimeout(500);
    const loadedAfter = pageFiles(requested);
    assert.ok(loadedAfter <= 4 * nearSight, `${loadedAfter} page files requested while scrolling 1,000 pages to the end`);
    const held = s.lines.slice(from).filter((l) => /overview .*holding \d+/.test(l)).map(holding);
    const most = (rowsInSight + 2 * 3) * grid.columns;
    assert.ok(Math.max(...held) <= most, `thumbnails held at most ${most}: ${held}`);
    await s.shot('overview-1000-end');
    // Opened at the back cover, the overview starts at the end with the back cover framed.
    from = s.mark();
    await s.page.keyboard.press('Escape');
    await s.wait(/overview closed/, from);
    await s.page.keyboard.press('End');
    await s.wait(/showing 1000 \/ 1000$/, from);
    from = s.mark();
    await s.click('overview');
    await s.wait(/overview opened at page 1000/, from);
    await s.wait(/overview thumbnails settled/, from);
    const frame = await s.shot('overview-1000-at-end');
    assert.ok(h.count(frame, HIGHLIGHT, s.room, 40) > 50, 'the back cover is framed in sight');
    assert.deepEqual(s.errors, []);
  } finally { await s.close(); }
});
