// End-to-end tests of the viewer in headless Chromium with Ruffle: books made by the real tool and page
// converter from colours.pdf (page N filled with its own colour), and one from text200.pdf for the
// sharpness of a zoomed page, are served on 127.0.0.1, and what the reader sees is checked by
// screenshot pixels and by the lines the viewer logs to the console.
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
const { PANEL } = h;

let work, browser, colours;
const books = {};

before(async () => {
  fs.mkdirSync(artifacts, { recursive: true });
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'viewer-books-'));
  const pdf = path.join(pdfDir, 'colours.pdf');
  colours = h.pageColours(buildDir);
  assert.ok(Object.keys(colours).length >= 12, 'colour table from quavelin-pdfgen --colours');
  books.plain = h.makeBook(buildDir, pdf, path.join(work, 'plain'));
  books.styled = h.makeBook(buildDir, pdf, path.join(work, 'styled'),
    ['-bc', 'e07000', '-pc', '203880', '-tc', 'ffff00', '-bgc', '305030', '-hc', 'true']);
  books.missingPage = copyBook(books.plain, 'missing-page');
  fs.rmSync(path.join(books.missingPage, 'data', 'test0005.swf'));
  books.noList = copyBook(books.plain, 'no-list');
  fs.rmSync(path.join(books.noList, 'data', 'pages.xml'));
  books.noPlayer = copyBook(books.plain, 'no-player');
  fs.rmSync(path.join(books.noPlayer, 'ruffle'), { recursive: true });
  books.noViewer = copyBook(books.plain, 'no-book-swf');
  fs.rmSync(path.join(books.noViewer, 'book.swf'));
  books.noSwfobject = copyBook(books.plain, 'no-swfobject');
  fs.rmSync(path.join(books.noSwfobject, 'swfobject.js'));
  books.badList = copyBook(books.plain, 'bad-list');
  fs.writeFileSync(path.join(books.badList, 'data', 'pages.xml'), "<content width='595' height='842'><page src=");
  browser = await h.launch();
});

after(async () => {
  if (browser) await browser.close();
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

function copyBook(from, name) {
  const to = path.join(work, name);
  fs.cpSync(from, to, { recursive: true });
  return to;
}

// A book in a tab with Ruffle's own choice of renderer, opened at the cover unless a hash says otherwise.
const open = (book, options = {}) => h.openBook(browser, book, { canvas: false, waitFor: /page 1 shown/, ...options });

async function shot(session, name) {
  const file = path.join(artifacts, `${name}.png`);
  const png = await session.page.screenshot({ path: file });
  return h.decodePng(png);
}

// Colour of a page side, sampled away from the centred page number and the spine shade.
function sideColour(image, layout, side) {
  const points = [[0.3, 0.12], [0.7, 0.12], [0.3, 0.88], [0.7, 0.88]].map(([fx, fy]) => layout.at(side, fx, fy));
  return points.map((p) => h.pixel(image, p.x, p.y));
}

function assertSide(image, layout, side, pageNumber, what) {
  const expected = pageNumber === null ? null : colours[pageNumber];
  for (const seen of sideColour(image, layout, side)) {
    if (expected === null) {
      assert.ok(!Object.values(colours).some((c) => h.near(seen, c, 12)), `${what}: ${side} side should be empty, saw ${seen}`);
    } else {
      assert.ok(h.near(seen, expected), `${what}: ${side} side should show page ${pageNumber} (${expected}), saw ${seen}`);
    }
  }
}

async function expectView(session, label, left, right, name) {
  const showing = new RegExp(`showing ${label}$`);
  await h.waitForLine(session.page, session.lines, showing);
  let from = session.lines.length - 1;
  while (!showing.test(session.lines[from])) from--;
  for (const p of [left, right]) if (p !== null) await h.waitForLine(session.page, session.lines, new RegExp(`page ${p} shown`), from);
  await session.page.waitForTimeout(250);
  const image = await shot(session, name);
  if (session.layout.spread) assertSide(image, session.layout, 'left', left, label);
  assertSide(image, session.layout, 'right', right, label);
  return image;
}

function mark(session) {
  return session.lines.length;
}

async function waitShowing(session, label, from) {
  await h.waitForLine(session.page, session.lines, new RegExp(`showing ${label.replace('/', '\\/')}$`), from);
}

test('the cover shows alone on the right, full screen works, no console errors', async () => {
  const s = await open(books.plain);
  try {
    assert.ok(s.layout.spread, 'a 1280x800 window shows spreads');
    await expectView(s, '1 / 12', null, 1, 'cover');
    // The full screen button puts the player in full screen and takes it out again.
    const button = s.layout.controls.fullscreen;
    await s.page.mouse.click(button.x, button.y);
    await s.page.waitForFunction(() => document.fullscreenElement !== null);
    await s.page.mouse.click(button.x, button.y);
    await s.page.waitForFunction(() => document.fullscreenElement === null);
    assert.deepEqual(s.errors, []);
  } finally { await s.close(); }
});

// The player and its modules come from one place: the book's own folder (then nothing leaves the book's
// server), or the pinned CDN address where a publisher deleted that folder.
test('the book plays from its own player folder offline, and from the CDN without that folder', async () => {
  const cases = [
    { book: () => books.plain, refuseOutside: true, player: (s) => `${s.server.url}ruffle/`, name: 'own-player-offline', module: /\.wasm\.gz$/ },
    { book: () => books.noPlayer, refuseOutside: false, player: () => 'https://unpkg.com/@ruffle-rs/ruffle@', name: 'cdn-player', missing: /404/, module: /\.wasm$/ },
  ];
  for (const c of cases) {
    const s = await open(c.book(), { refuseOutside: c.refuseOutside });
    try {
      const from = c.player(s);
      const scripts = s.requests.filter((u) => /\/ruffle\.js$/.test(u));
      // The book's own modules are gzip files; the public copy has the plain ones.
      const modules = s.requests.filter((u) => c.module.test(u));
      assert.ok(scripts.some((u) => u.startsWith(from)), `${c.name}: ruffle.js from ${from}; requests:\n${s.requests.join('\n')}`);
      assert.ok(modules.length > 0 && modules.every((u) => u.startsWith(from)), `${c.name}: player modules from ${from}: ${modules}`);
      if (c.refuseOutside) {
        assert.deepEqual(s.requests.filter((u) => !u.startsWith(s.server.url)), [], `${c.name}: requests that left the server`);
      }
      assertSide(await shot(s, c.name), s.layout, 'right', 1, c.name);
      // The browser reports the missing folder's ruffle.js; nothing else may go wrong.
      assert.deepEqual(s.errors.filter((e) => !(c.missing && c.missing.test(e))), []);
    } finally { await s.close(); }
  }
});

test('buttons, keys and the page field reach the right pages', async () => {
  const s = await open(books.plain);
  const click = async (name) => { const c = s.layout.controls[name]; await s.page.mouse.click(c.x, c.y); };
  const steps = [
    { act: () => click('next'), label: '2-3 / 12', left: 2, right: 3, name: 'next-button' },
    { act: () => click('next'), label: '4-5 / 12', left: 4, right: 5, name: 'next-again' },
    { act: () => click('previous'), label: '2-3 / 12', left: 2, right: 3, name: 'previous-button' },
    { act: () => click('last'), label: '12 / 12', left: 12, right: null, name: 'last-button' },
    { act: () => click('first'), label: '1 / 12', left: null, right: 1, name: 'first-button' },
    { act: () => s.page.keyboard.press('ArrowRight'), label: '2-3 / 12', left: 2, right: 3, name: 'key-right' },
    { act: () => s.page.keyboard.press('PageDown'), label: '4-5 / 12', left: 4, right: 5, name: 'key-pagedown' },
    { act: () => s.page.keyboard.press('ArrowLeft'), label: '2-3 / 12', left: 2, right: 3, name: 'key-left' },
    { act: () => s.page.keyboard.press('End'), label: '12 / 12', left: 12, right: null, name: 'key-end' },
    { act: () => s.page.keyboard.press('PageUp'), label: '10-11 / 12', left: 10, right: 11, name: 'key-pageup' },
    { act: () => s.page.keyboard.press('Home'), label: '1 / 12', left: null, right: 1, name: 'key-home' },
    {
      act: async () => { await click('field'); await s.page.keyboard.type('7'); await s.page.keyboard.press('Enter'); },
      label: '6-7 / 12', left: 6, right: 7, name: 'page-field',
    },
    // The page field hands the keys back to the book: no click needed before the arrows work.
    { act: () => s.page.keyboard.press('ArrowRight'), label: '8-9 / 12', left: 8, right: 9, name: 'key-after-field' },
  ];
  try {
    for (const step of steps) {
      const from = mark(s);
      await step.act();
      await waitShowing(s, step.label, from);
      await expectView(s, step.label, step.left, step.right, step.name);
    }
    // Only the pages within two spreads of the view stay loaded: never more than ten, and at either
    // cover at most five (the cover and the next two spreads), at least the three it shows or preloads.
    const held = (label) => s.lines.map((l, i) => (l.endsWith(`showing ${label}`) ? i : -1)).filter((i) => i >= 0)
      .map((i) => Number(/holding (\d+)/.exec(s.lines.slice(i).find((l) => /holding \d+ pages/.test(l)))[1]));
    const all = s.lines.filter((l) => /holding \d+ pages/.test(l)).map((l) => Number(/holding (\d+)/.exec(l)[1]));
    assert.ok(all.length > 0 && Math.max(...all) <= 10, `pages held: ${all}`);
    assert.ok([...held('12 / 12'), ...held('1 / 12')].every((n) => n >= 3 && n <= 5), `pages held at the covers: ${held('12 / 12')} ${held('1 / 12')}`);
    // A number that names no page leaves the view alone.
    const from = mark(s);
    await click('field');
    await s.page.keyboard.type('99');
    await s.page.keyboard.press('Enter');
    await h.waitForLine(s.page, s.lines, /no page "99"/, from);
    assert.deepEqual(s.errors, []);
  } finally { await s.close(); }
});

test('a deep link opens its page and the address follows the reader', async () => {
  const s = await open(books.plain, { hash: '#page=8', waitFor: /page 9 shown/ });
  try {
    await expectView(s, '8-9 / 12', 8, 9, 'deep-link');
    assert.match(s.page.url(), /#page=8$/);
    const from = mark(s);
    await s.page.keyboard.press('ArrowRight');
    await waitShowing(s, '10-11 / 12', from);
    await s.page.waitForFunction(() => window.location.hash === '#page=10');
    // Editing the address turns the book too.
    const before = mark(s);
    await s.page.evaluate(() => { window.location.hash = '#page=3'; });
    await waitShowing(s, '2-3 / 12', before);
    await expectView(s, '2-3 / 12', 2, 3, 'address-edited');
  } finally { await s.close(); }
});

test('links inside a page: to another page turns the book, a URL opens a new tab', async () => {
  const s = await open(books.plain, { hash: '#page=2', waitFor: /page 3 shown/ });
  try {
    await browser.context.route('https://example.com/**', (route) => route.fulfill({ status: 200, body: 'linked' }));
    // colours.pdf page 2: internal link [100 100 495 200] to page 7, URL link [100 300 495 400].
    const toPage7 = s.layout.at('left', 297 / 595, 1 - 150 / 842);
    let from = mark(s);
    await s.page.mouse.click(toPage7.x, toPage7.y);
    await waitShowing(s, '6-7 / 12', from);
    await expectView(s, '6-7 / 12', 6, 7, 'internal-link');
    from = mark(s);
    await s.page.keyboard.press('Home');
    await s.page.keyboard.press('ArrowRight');
    await waitShowing(s, '2-3 / 12', from);
    await s.page.waitForTimeout(300);
    const url = s.layout.at('left', 297 / 595, 1 - 350 / 842);
    const opened = browser.context.waitForEvent('page', { timeout: 10000 });
    await s.page.mouse.click(url.x, url.y);
    const tab = await opened;
    await tab.waitForLoadState();
    assert.equal(tab.url(), 'https://example.com/colours');
    await tab.close();
  } finally {
    await browser.context.unroute('https://example.com/**');
    await s.close();
  }
});

test('colours and stiff covers from the page list', async () => {
  const s = await open(books.styled);
  try {
    const image = await shot(s, 'styled');
    const { size, controls } = s.layout;
    assert.ok(h.near(h.pixel(image, 8, 8), h.hexColour('305030')), `background colour, saw ${h.pixel(image, 8, 8)}`);
    assert.ok(h.near(h.pixel(image, 4, size.height - 4), h.hexColour('203880')), 'panel colour');
    const next = controls.next;
    const button = { x: next.x - 15, y: next.y - 12, width: 30, height: 24 };
    assert.ok(h.share(image, h.hexColour('e07000'), button) > 0.4, 'button colour');
    assert.ok(h.count(image, h.hexColour('ffff00'), button) >= 20, 'text colour on the buttons');
    // The stiff cover follows a drag from its corner; letting go past the spine finishes the turn.
    const corner = s.layout.at('right', 0.99, 0.98);
    const spine = s.layout.at('right', 0, 0.95);
    let from = mark(s);
    await s.page.mouse.move(corner.x, corner.y);
    await s.page.mouse.down();
    for (let i = 1; i <= 12; i++) {
      await s.page.mouse.move(corner.x - (corner.x - spine.x) * 1.6 * i / 12, spine.y);
      await s.page.waitForTimeout(20);
    }
    await s.page.mouse.up();
    await h.waitForLine(s.page, s.lines, /turning stiff from 1 \/ 12/, from);
    await waitShowing(s, '2-3 / 12', from);
    from = mark(s);
    await s.page.keyboard.press('Home');
    await waitShowing(s, '1 / 12', from);
    from = mark(s);
    await s.page.keyboard.press('ArrowRight');
    await h.waitForLine(s.page, s.lines, /turning stiff from 1 \/ 12/, from);
    await waitShowing(s, '2-3 / 12', from);
    await s.page.keyboard.press('ArrowRight');
    await h.waitForLine(s.page, s.lines, /turning soft from 2-3 \/ 12/, from);
    await waitShowing(s, '4-5 / 12', from);
    // Back to the cover by dragging the board from the left.
    await s.page.keyboard.press('ArrowLeft');
    await waitShowing(s, '2-3 / 12', mark(s));
    await s.page.waitForTimeout(300);
    const grab = s.layout.at('left', 0.01, 0.98);
    const drop = s.layout.at('right', 0.6, 0.9);
    const back = mark(s);
    await s.page.mouse.move(grab.x, grab.y);
    await s.page.mouse.down();
    for (let i = 1; i <= 10; i++) await s.page.mouse.move(grab.x + (drop.x - grab.x) * i / 10, grab.y + (drop.y - grab.y) * i / 10);
    await s.page.mouse.up();
    await h.waitForLine(s.page, s.lines, /turning stiff from 2-3 \/ 12/, back);
    await waitShowing(s, '1 / 12', back);
  } finally { await s.close(); }
});

test('a page turned by dragging its corner follows the pointer', async () => {
  const s = await open(books.plain);
  try {
    const corner = s.layout.at('right', 0.99, 0.98);
    const spineX = s.layout.at('right', 0, 0).x;
    await s.page.mouse.move(corner.x, corner.y);
    await s.page.mouse.down();
    const steps = 12;
    const target = { x: spineX - (corner.x - spineX) * 0.5, y: corner.y - 60 };
    for (let i = 1; i <= steps; i++) {
      await s.page.mouse.move(corner.x + (target.x - corner.x) * i / steps, corner.y + (target.y - corner.y) * i / steps);
      await s.page.waitForTimeout(20);
    }
    await s.page.waitForTimeout(200);
    const mid = await shot(s, 'drag-middle');
    // Mid-drag the folded sheet's back (page 2) lies left of the spine and page 3 shows underneath.
    const leftHalf = { x: Math.round(spineX - 200), y: 100, width: 180, height: 400 };
    assert.ok(h.share(mid, colours[2], leftHalf) > 0.2, 'the back of the turning sheet');
    const rightEdge = { x: Math.round(corner.x - 60), y: Math.round(corner.y - 200), width: 50, height: 150 };
    assert.ok(h.share(mid, colours[3], rightEdge) > 0.2, 'the page revealed underneath');
    const from = mark(s);
    await s.page.mouse.up();
    await waitShowing(s, '2-3 / 12', from);
    await expectView(s, '2-3 / 12', 2, 3, 'drag-done');
  } finally { await s.close(); }
});

test('double click zooms to full size and back', async () => {
  const s = await open(books.plain, { hash: '#page=4', waitFor: /page 5 shown/ });
  try {
    const p = s.layout.at('right', 0.5, 0.2);
    let from = mark(s);
    await s.page.mouse.dblclick(p.x, p.y);
    await h.waitForLine(s.page, s.lines, /zoomed in/, from);
    await s.page.waitForTimeout(200);
    const zoomed = await shot(s, 'zoomed');
    const area = { x: 0, y: 0, width: s.layout.size.width, height: s.layout.size.height - PANEL };
    assert.ok(h.share(zoomed, colours[5], area) > 0.5, 'the zoomed page fills most of the window');
    // Dragging moves the enlarged page.
    from = mark(s);
    await s.page.mouse.move(p.x, p.y);
    await s.page.mouse.down();
    for (let i = 1; i <= 5; i++) await s.page.mouse.move(p.x - 40 * i, p.y + 30 * i);
    await s.page.mouse.up();
    const moved = /moved to (-?\d+),(-?\d+)/.exec(s.lines[await h.waitForLine(s.page, s.lines, /zoomed page moved to/, from)]);
    const before = /moved to/.test(s.lines[from - 1]) ? null : moved;
    assert.ok(before, 'a drag reported');
    const panned = await shot(s, 'zoomed-moved');
    assert.notDeepEqual(panned.pixels, zoomed.pixels, 'the view changed with the drag');
    from = mark(s);
    await s.page.mouse.dblclick(p.x, p.y);
    await h.waitForLine(s.page, s.lines, /zoomed out/, from);
    await expectView(s, '4-5 / 12', 4, 5, 'unzoomed');
  } finally { await s.close(); }
});

// Luminance of a screenshot pixel, and between pixel centres by bilinear interpolation (coordinates in
// screen pixels, a pixel's centre at +0.5).
function luminance(image, x, y) {
  const i = (y * image.width + x) * 3;
  return 0.299 * image.pixels[i] + 0.587 * image.pixels[i + 1] + 0.114 * image.pixels[i + 2];
}

function bilinear(image, x, y) {
  const u = x - 0.5, v = y - 0.5;
  const x0 = Math.floor(u), y0 = Math.floor(v);
  const s = u - x0, t = v - y0;
  const at = (px, py) => luminance(image, Math.min(Math.max(px, 0), image.width - 1), Math.min(Math.max(py, 0), image.height - 1));
  return (1 - t) * ((1 - s) * at(x0, y0) + s * at(x0 + 1, y0)) + t * ((1 - s) * at(x0, y0 + 1) + s * at(x0 + 1, y0 + 1));
}

// Mean squared step between neighbouring pixels: blurring a picture, or enlarging it, lowers it.
function edgeEnergy(sample, width, height) {
  let sum = 0;
  for (let y = 0; y + 1 < height; y++) {
    for (let x = 0; x + 1 < width; x++) {
      const here = sample(x, y);
      sum += (sample(x + 1, y) - here) ** 2 + (sample(x, y + 1) - here) ** 2;
    }
  }
  return sum / ((width - 1) * (height - 1));
}

// A picture enlarged pixel by pixel `factor` times has no steps between pixels copied from one source
// pixel. Over the possible offsets of that grid of blocks, the smallest mean step inside a block over the
// mean step overall: near 0 for such a picture, near 1 for one with detail of its own.
function blockSteps(sample, width, height, factor) {
  let worst = Infinity;
  for (const horizontal of [true, false]) {
    const steps = [];
    for (let y = 0; y + 1 < height; y++) {
      for (let x = 0; x + 1 < width; x++) {
        const d = horizontal ? sample(x + 1, y) - sample(x, y) : sample(x, y + 1) - sample(x, y);
        steps.push({ at: (horizontal ? x : y) + 0.5, energy: d * d });
      }
    }
    const all = steps.reduce((sum, st) => sum + st.energy, 0) / steps.length;
    for (let phase = 0; phase < factor; phase += factor / 64) {
      let inside = 0, count = 0;
      for (const st of steps) {
        if (Math.floor((st.at - phase) / factor) === Math.floor((st.at + 1 - phase) / factor)) {
          inside += st.energy;
          count++;
        }
      }
      if (count) worst = Math.min(worst, inside / count / all);
    }
  }
  return worst;
}

// A zoomed page must be drawn afresh at its new size, not enlarged from the picture shown before: it
// needs more edge energy than the normal view smoothly enlarged (a page drawn at the zoomed size keeps
// text edges about a pixel wide while the page grows), and detail inside the normal view's pixels
// (which a picture enlarged pixel by pixel lacks). This holds for today's bitmap pages (stored at twice
// the stage resolution) as for vector pages, in both renderers.
test('a zoomed text page is drawn at its zoomed size, not enlarged from the normal view', async () => {
  const book = h.makeBook(buildDir, path.join(pdfDir, 'text200.pdf'), path.join(work, 'text'), ['-pagerange', '1-3']);
  const server = await h.serve(book);
  try {
    for (const renderer of ['default', 'canvas']) {
      const session = await open(book, { server, canvas: renderer === 'canvas' });
      const { page, lines, layout } = session;
      try {
        await page.waitForTimeout(100);
        const normal = await shot(session, `text-normal-${renderer}`);
        // Body text on the cover, as fractions of the page; the double click lands in its middle.
        const area = { fx: 0.25, fy: 0.36, fw: 0.5, fh: 0.1 };
        const anchor = layout.at('right', 0.5, 0.41);
        let from = lines.length;
        await page.mouse.dblclick(anchor.x, anchor.y);
        await h.waitForLine(page, lines, /zoomed in/, from);
        // A press and release without a move reports where the enlarged book lies.
        await page.waitForTimeout(500);
        from = lines.length;
        await page.mouse.move(anchor.x + 40, anchor.y + 20);
        await page.mouse.down();
        await page.mouse.up();
        const moved = /moved to (-?\d+),(-?\d+)/.exec(lines[await h.waitForLine(page, lines, /zoomed page moved to/, from)]);
        const book0 = { x: Number(moved[1]), y: Number(moved[2]) };
        await page.waitForTimeout(300);
        const zoomed = await shot(session, `text-zoomed-${renderer}`);
        const scale = Math.max(1, layout.fit * 2);
        const factor = scale / layout.fit;
        const ox = Math.round(book0.x + area.fx * layout.pw * scale), oy = Math.round(book0.y + area.fy * layout.ph * scale);
        const width = Math.round(area.fw * layout.pw * scale), height = Math.round(area.fh * layout.ph * scale);
        assert.ok(ox >= 0 && oy >= 0 && ox + width <= zoomed.width && oy + height <= zoomed.height - PANEL,
          `${renderer}: the zoomed text lies inside the window (${ox},${oy} ${width}x${height})`);
        const zoomedAt = (x, y) => luminance(zoomed, ox + x, oy + y);
        // The same points of the page in the normal view.
        const normalAt = (x, y) => layout.at('right', (ox + x + 0.5 - book0.x) / scale / layout.pw, (oy + y + 0.5 - book0.y) / scale / layout.ph);
        const smooth = (x, y) => { const p = normalAt(x, y); return bilinear(normal, p.x, p.y); };
        const blocky = (x, y) => { const p = normalAt(x, y); return luminance(normal, Math.floor(p.x), Math.floor(p.y)); };
        const corner = layout.at('right', area.fx, area.fy);
        const shown = edgeEnergy((x, y) => luminance(normal, Math.round(corner.x) + x, Math.round(corner.y) + y),
          Math.round(width / factor), Math.round(height / factor));
        const sharp = edgeEnergy(zoomedAt, width, height);
        const enlarged = edgeEnergy(smooth, width, height);
        const detail = blockSteps(zoomedAt, width, height, factor);
        const blocks = blockSteps(blocky, width, height, factor);
        console.log(`${renderer}: zoom ${factor.toFixed(2)}x; edge energy normal ${shown.toFixed(0)}, zoomed ${sharp.toFixed(0)}, ` +
          `normal enlarged ${enlarged.toFixed(0)} (ratio ${(sharp / enlarged).toFixed(2)}); steps inside blocks: zoomed ${detail.toFixed(2)}, ` +
          `normal enlarged pixel by pixel ${blocks.toFixed(2)}`);
        assert.ok(shown > 1000, `${renderer}: the normal view shows text in the measured area (edge energy ${shown.toFixed(0)})`);
        assert.ok(sharp / enlarged > 1.5, `${renderer}: the zoomed page is sharper than the normal view enlarged ` +
          `(edge energy ${sharp.toFixed(0)} against ${enlarged.toFixed(0)})`);
        assert.ok(blocks < 0.2, `${renderer}: blocks of a picture enlarged pixel by pixel are found (${blocks.toFixed(2)})`);
        assert.ok(detail > 0.5, `${renderer}: the zoomed page has detail inside the normal view's pixels (${detail.toFixed(2)})`);
        assert.deepEqual(session.errors, []);
      } finally { await session.close(); }
    }
  } finally { await server.close(); }
});

test('a narrow window shows one page at a time; keys work before any click', async () => {
  const s = await open(books.plain, { viewport: { width: 600, height: 900 }, dismiss: false });
  try {
    assert.equal(s.layout.spread, false);
    await expectView(s, '1 / 12', null, 1, 'single-cover');
    const from = mark(s);
    await s.page.keyboard.press('ArrowRight');
    await waitShowing(s, '2 / 12', from);
    await expectView(s, '2 / 12', null, 2, 'single-next');
    // Widening the window brings back spreads, at the spread that holds the page being read.
    const from2 = mark(s);
    await s.page.setViewportSize({ width: 1280, height: 800 });
    await h.waitForLine(s.page, s.lines, /layout 1280x800 spreads/, from2);
    s.layout = h.readLayout(s);
    await expectView(s, '2-3 / 12', 2, 3, 'widened');
  } finally { await s.close(); }
});

test('a missing page file or page list gets a clear message', async () => {
  const cases = [
    { book: () => books.missingPage, hash: '#page=4', log: /page 5 missing/, name: 'missing-page' },
    { book: () => books.noList, hash: '', log: /page list data\/pages\.xml is missing/, name: 'missing-list' },
    { book: () => books.badList, hash: '', log: /page list data\/pages\.xml is malformed/, name: 'malformed-list' },
  ];
  for (const c of cases) {
    const s = await open(c.book(), { hash: c.hash, waitFor: c.log });
    try {
      const image = await shot(s, c.name);
      if (c.name === 'missing-page') {
        // The page's place shows paper and the message, not the page colour.
        const paper = { x: Math.round(s.layout.at('right', 0.1, 0.1).x), y: Math.round(s.layout.at('right', 0.1, 0.1).y), width: 200, height: 150 };
        assert.ok(h.share(image, [255, 255, 255], paper) > 0.9, 'paper where the missing page would be');
        assertSide(image, s.layout, 'left', 4, 'page before the missing one');
      } else {
        // A message box (white) stands in the middle of the window.
        const middle = { x: 560, y: 380, width: 160, height: 30 };
        assert.ok(h.share(image, [255, 255, 255], middle) > 0.3, 'message box in the middle');
      }
    } finally { await s.close(); }
  }
});

// Where the book cannot play, a few words in its place say why, and never that the browser lacks
// JavaScript or Flash when that is not the cause.
test('a book that cannot play says why', async () => {
  const quoted = (text) => text.replace(/[.*+?^${}()|[\]\\]/g, '\\$&');
  const cases = [
    { name: 'scripts-off', book: () => books.plain, scriptsOff: true, says: /needs JavaScript, which is turned off/ },
    { name: 'player-unreachable', book: () => books.noPlayer, refuseOutside: true,
      says: /player could not be loaded\. This book's own copy \(the folder ruffle .*\) is missing, and the public copy at unpkg\.com could not be reached: check the network/ },
    { name: 'opened-from-disk', book: () => books.plain, fromDisk: true,
      says: new RegExp(`opened from the disk[^]*python3 -m http\\.server -d ${quoted(books.plain)} 8000[^]*open http://127\\.0\\.0\\.1:8000/`) },
    { name: 'no-book-swf', book: () => books.noViewer, says: /incomplete: book\.swf is missing beside index\.html/ },
    { name: 'no-swfobject', book: () => books.noSwfobject, says: /incomplete: swfobject\.js is missing beside index\.html/ },
  ];
  for (const c of cases) {
    const scriptsOff = async ({ page }) => {
      const cdp = await browser.context.newCDPSession(page);
      await cdp.send('Emulation.setScriptExecutionDisabled', { value: true });
    };
    const s = await open(c.book(), { waitFor: null, refuseOutside: c.refuseOutside, prepare: c.scriptsOff ? scriptsOff : null,
      url: c.fromDisk ? `file://${c.book()}/index.html` : null });
    const { page } = s;
    try {
      const message = page.locator('.fallback').first();
      await message.waitFor({ state: 'visible', timeout: 15000 });
      // The player, had it started after all, would have replaced the message by now.
      await page.waitForTimeout(500);
      await shot(s, `message-${c.name}`);
      const text = (await page.locator('body').innerText()).replace(/\s+/g, ' ');
      assert.match(text, c.says, c.name);
      if (!c.scriptsOff) assert.doesNotMatch(text, /JavaScript|Flash/, `${c.name}: no claim about scripts or Flash`);
      assert.ok(text.length < 400, `${c.name}: a short message, got ${text.length} characters`);
    } finally { await s.close(); }
  }
});
