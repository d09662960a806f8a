// The book as a reader uses it, in headless Chromium with Ruffle, by window: a touch phone (390x844), a
// desktop window (1024x768) and a wide screen (1920x1080). The panel's controls must all be reachable
// inside the window, the counter whole even in a 1,000-page book, swipes and taps turn past their
// thresholds only, keys work after the page field, Back and Forward move between jumps, impossible
// jumps and damaged page files are told, and pages of every shape are drawn at their own shape.
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
const { PANEL, MARGIN } = h;
const ALL_CONTROLS = ['first', 'previous', 'next', 'last', 'field', 'zoomout', 'zoomin', 'overview', 'contents', 'search', 'fullscreen'];

let work, browser, colours;
const books = {};

// A copy of a book whose page list is rewritten: `pages` is the list of page files (each may carry a
// label), `attributes` more attributes of <content>.
function rewrittenBook(from, name, pages, attributes = '') {
  const to = path.join(work, name);
  fs.cpSync(from, to, { recursive: true });
  const list = path.join(to, 'data', 'pages.xml');
  // The tool's own index attributes go: the rewritten list says what this book offers.
  const head = /<content[^>]*/.exec(fs.readFileSync(list, 'utf8'))[0].replace(/ (index|contents|search)='[^']*'/g, '');
  const entries = pages.map((p) => `<page src='data/${p.file}'${p.label ? ` label='${p.label}'` : ''}/>`).join('\n');
  fs.writeFileSync(list, `${head} ${attributes}>\n${entries}\n</content>\n`);
  return to;
}

const file = (n) => `test${String(n).padStart(4, '0')}.swf`;

before(async () => {
  fs.mkdirSync(artifacts, { recursive: true });
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'viewer-reader-'));
  colours = h.pageColours(buildDir);
  const plain = h.makeBook(buildDir, path.join(pdfDir, 'colours.pdf'), path.join(work, 'plain'));
  // The same twelve page files listed over and over: a 1,000-page book at little cost.
  books.thousand = rewrittenBook(plain, 'thousand', Array.from({ length: 1000 }, (_, i) => ({ file: file((i % 12) + 1) })),
    "contents='true' search='true'");
  const labels = ['i', 'ii', '1', '2', '3', '4', '5', '6', '7', '8', '9', '10'];
  books.labelled = rewrittenBook(plain, 'labelled', labels.map((label, i) => ({ file: file(i + 1), label })),
    "contents='true' search='true'");
  // Page 7 left out (the link on page 2 leads outside the book), page 5 cut short.
  books.gappy = rewrittenBook(plain, 'gappy', [1, 2, 3, 4, 5, 6, 8, 9].map((n) => ({ file: file(n) })));
  const cut = path.join(books.gappy, 'data', file(5));
  fs.writeFileSync(cut, fs.readFileSync(cut).subarray(0, Math.floor(fs.statSync(cut).size / 2)));
  books.shapes = h.makeBook(buildDir, path.join(pdfDir, 'shapes.pdf'), path.join(work, 'shapes'));
  browser = await h.launch();
});

after(async () => {
  if (browser) await browser.close();
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

const open = (book, viewport, options = {}) => h.openBook(browser, book, { viewport, ...options });

const mark = (s) => s.lines.length;
const lastLine = (s, pattern) => h.lastLine(s.lines, pattern);
const quoted = (text) => text.replace(/[.*+?^${}()|[\]\\/]/g, '\\$&');

async function waitShowing(s, label, from) {
  return h.waitForLine(s.page, s.lines, new RegExp(`showing ${quoted(label)}$`), from);
}

// Controls as a layout (or menu) line gives them: name -> {x, y, width, height} (centre, size). The
// counter's entry is its box and is checked on its own.
const controlsOf = (line) => h.controlsOf(line).controls;

function assertInside(s, name, c) {
  const { width, height } = s.viewport;
  assert.ok(c.x - c.width / 2 >= 0 && c.x + c.width / 2 <= width && c.y - c.height / 2 >= 0 && c.y + c.height / 2 <= height,
    `${name} lies inside the ${width}x${height} window: ${JSON.stringify(c)}`);
  assert.ok(c.width >= 44 && c.height >= 44, `${name} is a 44-pixel target: ${JSON.stringify(c)}`);
}

// The counter's text lies whole between the previous and next buttons.
function assertCounterWhole(s, text) {
  const line = lastLine(s, new RegExp(`counter "${quoted(text)}" at`));
  assert.ok(line, `counter shows "${text}"`);
  const [l, t, r, b] = /at (-?\d+),(-?\d+),(-?\d+),(-?\d+)/.exec(line).slice(1).map(Number);
  const c = controlsOf(lastLine(s, /layout \d+x\d+/));
  assert.ok(l >= c.previous.x + c.previous.width / 2 && r <= c.next.x - c.next.width / 2,
    `counter "${text}" (${l}..${r}) lies between previous and next (${c.previous.x + 22}..${c.next.x - 22})`);
  assert.ok(t >= s.viewport.height - PANEL && b <= s.viewport.height, `counter "${text}" inside the panel`);
}

// Every control is in the panel, or in the menu behind "more", and each lies inside the window.
async function assertAllReachable(s, expectMenu) {
  const panel = controlsOf(lastLine(s, /layout \d+x\d+/));
  for (const [name, c] of Object.entries(panel)) assertInside(s, name, c);
  let menu = {};
  assert.equal(Boolean(panel.more), expectMenu, `a "more" menu ${expectMenu ? 'is' : 'is not'} needed`);
  if (panel.more) {
    const from = mark(s);
    await s.page.mouse.click(panel.more.x, panel.more.y);
    menu = controlsOf(s.lines[await h.waitForLine(s.page, s.lines, /quavelin: menu /, from)]);
    for (const [name, c] of Object.entries(menu)) assertInside(s, `${name} (menu)`, c);
  }
  const reachable = new Set([...Object.keys(panel), ...Object.keys(menu)]);
  for (const name of ALL_CONTROLS) assert.ok(reachable.has(name), `${name} is reachable: ${[...reachable]}`);
  return { panel, menu };
}

// Where the pages lie as the viewer last placed them: a point given as fractions of the right- or
// left-hand page's width and height, and a page's width on screen.
const geometry = (s) => h.readLayout(s);

// A horizontal drag by `dx` pixels from `at`, in `steps` moves `pause` ms apart, by mouse or by touch.
async function swipe(s, at, dx, { steps = 10, pause = 40, touch = false } = {}) {
  const point = (i) => ({ x: Math.round(at.x + (dx * i) / steps), y: Math.round(at.y) });
  if (touch) {
    const send = (type, p) => s.cdp.send('Input.dispatchTouchEvent', { type, touchPoints: p ? [{ x: p.x, y: p.y }] : [] });
    await send('touchStart', point(0));
    for (let i = 1; i <= steps; i++) { await s.page.waitForTimeout(pause); await send('touchMove', point(i)); }
    await send('touchEnd');
  } else {
    await s.page.mouse.move(at.x, at.y);
    await s.page.mouse.down();
    for (let i = 1; i <= steps; i++) { await s.page.waitForTimeout(pause); await s.page.mouse.move(point(i).x, point(i).y); }
    await s.page.mouse.up();
  }
}

// Swipes from the middle of the page: past a third of the page turns, a short slow one falls back, both
// ways. (Flicks depend on timing, which a busy test machine distorts; the logic tests cover them.)
async function checkSwipes(s, { touch, before, after: next }) {
  const g = geometry(s);
  let current = s.lines.lastIndexOf(lastLine(s, /showing /));
  const cases = [
    { what: 'forward, a quarter of the page, slowly', dx: -0.25, pause: 60, turns: false },
    { what: 'forward, 40% of the page', dx: -0.4, pause: 40, turns: true, shows: next },
    { what: 'back, a fifth of the page, slowly', dx: 0.2, pause: 60, turns: false },
    { what: 'back, 40% of the page', dx: 0.4, pause: 40, turns: true, shows: before },
    { what: 'forward again, 40% of the page', dx: -0.4, pause: 40, turns: true, shows: next },
  ];
  for (const c of cases) {
    const from = mark(s);
    const start = g.at('right', c.dx < 0 ? 0.8 : 0.2, 0.5);
    await swipe(s, start, c.dx * g.pageWidth, { steps: c.steps, pause: c.pause, touch });
    const verdict = s.lines[await h.waitForLine(s.page, s.lines, /swipe -?\d+ px/, from)];
    assert.match(verdict, c.turns ? /turns$/ : /falls back$/, `${c.what}: ${verdict}`);
    if (c.turns) await waitShowing(s, c.shows, from);
    await s.page.waitForTimeout(900);
    // A sheet that falls back lands on the view it left.
    const shown = lastLine(s, /showing /);
    if (!c.turns) assert.ok(shown === s.lines[current], `${c.what}: the view stays (${shown})`);
    current = s.lines.lastIndexOf(lastLine(s, /showing /));
  }
}

test('phone 390x844 with touch: every control reachable, counter whole, swipes turn both ways', async () => {
  const s = await open(books.thousand, { width: 390, height: 844 }, { touch: true });
  try {
    assert.match(lastLine(s, /layout /), /single pages/);
    const { menu } = await assertAllReachable(s, true);
    // A control from the menu works: the last page of the thousand.
    let from = mark(s);
    await s.page.mouse.click(menu.last.x, menu.last.y);
    await waitShowing(s, '1000 / 1000', from);
    assertCounterWhole(s, '1000 / 1000');
    from = mark(s);
    await s.page.keyboard.press('Home');
    await waitShowing(s, '1 / 1000', from);
    await h.waitForLine(s.page, s.lines, /page 1 shown at/, from);
    await s.page.waitForTimeout(300);
    await checkSwipes(s, { touch: true, before: '1 / 1000', after: '2 / 1000' });
    await s.page.screenshot({ path: path.join(artifacts, 'reader-phone.png') });
    assert.deepEqual(s.errors, []);
  } finally { await s.close(); }
});

test('desktop 1024x768: controls, swipes, taps, double click, keys after the page field, Back and Forward', async () => {
  const s = await open(books.labelled, { width: 1024, height: 768 });
  try {
    assert.match(lastLine(s, /layout /), /spreads/);
    const { panel } = await assertAllReachable(s, false);
    await s.page.mouse.move(6, 6);
    await checkSwipes(s, { touch: false, before: '1 / 12', after: '2-3 / 12' });
    // The counter gives the pages' labels.
    assertCounterWhole(s, 'ii-1 / 12');
    // A tap on a page's outer half turns it; on its inner half it does not; a double click only zooms.
    const g = geometry(s);
    const right = g.at('right', 0.8, 0.5);
    const left = g.at('left', 0.2, 0.5);
    const inner = g.at('right', 0.3, 0.5);
    const steps = [
      { what: 'tap on the right page\'s outer half', act: () => s.page.mouse.click(right.x, right.y), shows: '4-5 / 12' },
      { what: 'tap on the left page\'s outer half', act: () => s.page.mouse.click(left.x, left.y), shows: '2-3 / 12' },
      { what: 'Space', act: () => s.page.keyboard.press('Space'), shows: '4-5 / 12' },
      { what: 'Shift+Space', act: () => s.page.keyboard.press('Shift+Space'), shows: '2-3 / 12' },
    ];
    for (const step of steps) {
      const from = mark(s);
      await step.act();
      await waitShowing(s, step.shows, from);
      await s.page.waitForTimeout(400);
    }
    let from = mark(s);
    await s.page.mouse.move(inner.x, inner.y);
    await s.page.mouse.click(inner.x, inner.y);
    await s.page.waitForTimeout(900);
    assert.ok(!s.lines.slice(from).some((l) => /showing |turning /.test(l)), 'a tap on the inner half leaves the view');
    await s.page.mouse.dblclick(right.x, right.y);
    await h.waitForLine(s.page, s.lines, /zoomed in/, from);
    await s.page.waitForTimeout(900);
    assert.ok(!s.lines.slice(from).some((l) => /showing |turning /.test(l)), 'a double click zooms without turning');
    await s.page.keyboard.press('Escape');
    await h.waitForLine(s.page, s.lines, /zoomed out/, from);
    // The page field takes a label, then hands the keys back; Back and Forward move between jumps.
    from = mark(s);
    await s.page.mouse.click(panel.field.x, panel.field.y);
    await s.page.keyboard.type('5');
    await s.page.keyboard.press('Enter');
    await waitShowing(s, '6-7 / 12', from);
    assertCounterWhole(s, '4-5 / 12');
    from = mark(s);
    await s.page.keyboard.press('ArrowRight');
    await waitShowing(s, '8-9 / 12', from);
    const history = [
      { what: 'Back to before the page field', act: () => s.page.evaluate(() => history.back()), shows: '2-3 / 12' },
      { what: 'Forward to the page field\'s page', act: () => s.page.evaluate(() => history.forward()), shows: '8-9 / 12' },
    ];
    for (const step of history) {
      from = mark(s);
      await step.act();
      await waitShowing(s, step.shows, from);
    }
    // A link inside a page is a jump too: Back returns to the page that held it.
    from = mark(s);
    await s.page.keyboard.press('Home');
    await s.page.keyboard.press('ArrowRight');
    await waitShowing(s, '2-3 / 12', from);
    await s.page.waitForTimeout(500);
    // colours.pdf page 2 (on the left): a link to page 7 at [100 100 495 200].
    const onLink = g.at('left', 297 / 595, 1 - 150 / 842);
    from = mark(s);
    await s.page.mouse.click(onLink.x, onLink.y);
    await waitShowing(s, '6-7 / 12', from);
    from = mark(s);
    await s.page.evaluate(() => history.back());
    await waitShowing(s, '2-3 / 12', from);
    await s.page.screenshot({ path: path.join(artifacts, 'reader-desktop.png') });
    assert.deepEqual(s.errors, []);
  } finally { await s.close(); }
});

test('desktop 1024x768: impossible jumps and a page file cut short are told', async () => {
  const s = await open(books.gappy, { width: 1024, height: 768 }, { hash: '#page=2', waitFor: /page 3 shown/ });
  try {
    const notices = [
      { what: 'a link to a page left out of the book', act: async () => {
        const onLink = geometry(s).at('left', 297 / 595, 1 - 150 / 842);
        await s.page.mouse.click(onLink.x, onLink.y);
      }, says: /notice: Page 7 is not in this book/ },
      { what: 'a page number past the end', act: async () => {
        const c = controlsOf(lastLine(s, /layout /));
        await s.page.mouse.click(c.field.x, c.field.y);
        await s.page.keyboard.type('999');
        await s.page.keyboard.press('Enter');
      }, says: /notice: There is no page .999. in this book \(1.8\)/ },
    ];
    for (const n of notices) {
      const from = mark(s);
      await n.act();
      await h.waitForLine(s.page, s.lines, n.says, from);
      await s.page.waitForTimeout(200);
      assert.ok(!s.lines.slice(from).some((l) => /showing /.test(l)), `${n.what}: the view stays`);
    }
    const image = h.decodePng(await s.page.screenshot({ path: path.join(artifacts, 'reader-notice.png') }));
    // The notice: light text on a dark box above the panel, in the middle.
    const box = { x: 432, y: 768 - PANEL - 34, width: 160, height: 12 };
    assert.ok(h.share(image, [0x33, 0x33, 0x33], box, 8) > 0.3, 'the notice is visible above the panel');
    // The page file cut short is reported as a missing one is, with its reason on the page.
    const from = mark(s);
    await s.page.keyboard.press('ArrowRight');
    await h.waitForLine(s.page, s.lines, /page 5 missing/, from);
  } finally { await s.close(); }
});

// shapes.pdf: A4, A4, landscape A4, A4, a 16:9 slide, A4, each filled with its colour.
const SHAPES = [[595, 842], [595, 842], [842, 595], [595, 842], [960, 540], [595, 842]];

for (const viewport of [{ width: 1024, height: 768 }, { width: 1920, height: 1080 }]) {
  test(`${viewport.width}x${viewport.height}: each page of a mixed-shape book at its own shape, wide pages across the spread`, async () => {
    const s = await open(books.shapes, viewport);
    try {
      const areaW = viewport.width - 2 * MARGIN;
      const areaH = viewport.height - PANEL - 2 * MARGIN;
      const fit = Math.min(areaW / (2 * 595), areaH / 842);
      for (let page = 1; page <= SHAPES.length; page++) {
        const from = mark(s);
        if (page > 1) {
          // A wide page's neighbours stand alone, so the End-ward walk goes one view at a time.
          const c = controlsOf(lastLine(s, /layout /));
          await s.page.mouse.click(c.field.x, c.field.y);
          await s.page.keyboard.type(String(page));
          await s.page.keyboard.press('Enter');
        }
        const line = s.lines[await h.waitForLine(s.page, s.lines, new RegExp(`page ${page} shown at`), page > 1 ? from : 0)];
        await s.page.waitForTimeout(400);
        const [x, y, w, hgt] = /at (-?\d+),(-?\d+) (\d+)x(\d+)/.exec(line).slice(1).map(Number);
        const [pw, ph] = SHAPES[page - 1];
        assert.ok(Math.abs(w / hgt - pw / ph) < 0.02 * (pw / ph), `page ${page}: drawn ${w}x${hgt} keeps its shape ${pw}x${ph}`);
        // As large as its slot allows: a page slot, or the whole spread for a wide page.
        const slotW = pw > ph ? 2 * 595 * fit : 595 * fit;
        assert.ok(Math.abs(w - slotW) <= 2 || Math.abs(hgt - 842 * fit) <= 2, `page ${page}: ${w}x${hgt} fills its slot ${slotW.toFixed(0)}x${(842 * fit).toFixed(0)}`);
        // What is on screen is that box in the page's colour.
        const image = h.decodePng(await s.page.screenshot({ path: path.join(artifacts, `reader-shapes-${viewport.width}-${page}.png`) }));
        const inner = { x: x + 6, y: y + 6, width: w - 12, height: hgt - 12 };
        assert.ok(h.share(image, colours[page], inner) > 0.95, `page ${page}: its colour fills the box ${JSON.stringify(inner)}`);
        const outside = [{ x: x - 4, y: y + hgt / 2 }, { x: x + w / 2, y: y - 4 }, { x: x + w + 3, y: y + hgt / 2 }, { x: x + w / 2, y: y + hgt + 3 }]
          .filter((p) => p.x >= 0 && p.y >= 0 && p.x < viewport.width && p.y < viewport.height - PANEL);
        for (const p of outside) assert.ok(!h.near(h.pixel(image, p.x, p.y), colours[page], 12), `page ${page}: nothing of it outside its box at ${p.x},${p.y}`);
      }
      assert.deepEqual(s.errors, []);
    } finally { await s.close(); }
  });
}

test('wide 1920x1080: the controls in the panel, the counter whole at the widest spread of 1,000 pages', async () => {
  const s = await open(books.thousand, { width: 1920, height: 1080 });
  try {
    const { panel } = await assertAllReachable(s, false);
    const from = mark(s);
    await s.page.mouse.click(panel.field.x, panel.field.y);
    await s.page.keyboard.type('998');
    await s.page.keyboard.press('Enter');
    await waitShowing(s, '998-999 / 1000', from);
    assertCounterWhole(s, '998-999 / 1000');
  } finally { await s.close(); }
});
