// End-to-end tests of contents, page labels and search in headless Chromium with Ruffle. The book is
// made by the real tool from colours.pdf (page N filled with its own colour); its index (outline, labels
// and words at known places) is written here by hand in the agreed book.json format, with the matching
// pages.xml attributes, so these tests stand alone from the converter's text extraction.
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
const artifacts = path.join(process.env.VIEWER_ARTIFACTS || path.join(os.tmpdir(), 'viewer-artifacts'), 'find');
const MARK = [0xff, 0xb0, 0x00];
const MARK_ALPHA = 0.45;

const LABELS = ['i', 'ii', 'iii', 'iv', '1', '2', '3', '4', '5', '6', '7', 'xii'];
// Rows as the contents panel lists them (small outlines start fully open), with their target pages.
const OUTLINE = [
  { title: 'Front matter', page: 1, children: [{ title: 'Préface', page: 3 }] },
  { title: 'Chapter One', page: 6, children: [{ title: 'Section 1.1', page: 7 }, { title: 'Section 1.2', page: 9 }] },
  { title: 'Not in this book', page: 0 },
];
// Words in the page's stage (595 x 842, the page size): a known word far from the centred page number.
const ZEBRA = { page: 7, box: [60, 110, 200, 60] };

let work, browser, colours;
const books = {};

function indexText(pageWidth, pageHeight) {
  const text = [];
  for (let p = 1; p <= 12; p++) {
    const words = [[300, 700, 40, 12, `page${p}`]];
    if (p === ZEBRA.page) words.unshift([...ZEBRA.box, 'Zébra']);
    if (p === 9 || p === 11) words.push([60, 300, 60, 14, 'quick'], [124, 300, 60, 14, 'brown'], [60, 320, 40, 14, 'fox.']);
    text.push({ width: pageWidth, height: pageHeight, words });
  }
  return { version: 1, pages: 12, labels: LABELS, outline: OUTLINE, text };
}

// The book as the tool made it before books had an index: no book.json, no index attributes in the
// page list (colours.pdf has text, so the tool of today writes both).
function withoutIndex(book) {
  fs.rmSync(path.join(book, 'data', 'book.json'), { force: true });
  const listPath = path.join(book, 'data', 'pages.xml');
  const list = fs.readFileSync(listPath, 'utf8').replace(/ (label|index|contents|search)='[^']*'/g, '');
  fs.writeFileSync(listPath, list);
  return book;
}

// The tool's pages.xml with the attributes it writes for a book with an index.
function addIndex(book, { contents = true, search = true, file = true } = {}) {
  const listPath = path.join(book, 'data', 'pages.xml');
  let list = fs.readFileSync(listPath, 'utf8');
  const width = Number(/width='([^']+)'/.exec(list)[1]);
  const height = Number(/height='([^']+)'/.exec(list)[1]);
  const extra = ` index='data/book.json'${contents ? " contents='true'" : ''}${search ? " search='true'" : ''}`;
  list = list.replace(/gotolabel='([^']*)'>/, (m) => m.slice(0, -1) + extra + '>');
  let n = 0;
  list = list.replace(/<page src='([^']+)'\/>/g, (m, src) => `<page src='${src}' label='${LABELS[n++]}'/>`);
  fs.writeFileSync(listPath, list);
  if (file) fs.writeFileSync(path.join(book, 'data', 'book.json'), JSON.stringify(indexText(width, height)));
  return book;
}

before(async () => {
  fs.mkdirSync(artifacts, { recursive: true });
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'viewer-find-'));
  colours = h.pageColours(buildDir);
  books.plain = withoutIndex(h.makeBook(buildDir, path.join(pdfDir, 'colours.pdf'), path.join(work, 'plain')));
  books.indexed = addIndex(copyBook(books.plain, 'indexed'));
  books.lostIndex = addIndex(copyBook(books.plain, 'lost-index'), { file: false });
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

// A book in a tab from the cover; failed requests are logged among the viewer's lines.
function open(book, options = {}) {
  const logFailures = ({ page, lines }) => page.on('response', (response) => {
    if (response.status() >= 400) lines.push(`HTTP ${response.status()} ${response.url()}`);
  });
  return h.openBook(browser, book, { waitFor: /page 1 shown/, prepare: logFailures, ...options });
}

const mark = (s) => s.lines.length;
const line = async (s, pattern, from) => s.lines[await h.waitForLine(s.page, s.lines, pattern, from)];
const point = (text) => { const [x, y] = text.split(',').map(Number); return { x, y }; };

async function shot(s, name) {
  return h.decodePng(await s.page.screenshot({ path: path.join(artifacts, `${name}.png`) }));
}

async function click(s, where) {
  await s.page.mouse.click(where.x, where.y);
}

// Contents and search open from their panel buttons, or from their keys (c, f).
async function openContents(s, how = 'button') {
  const from = mark(s);
  if (how === 'button') await click(s, s.layout.controls.contents);
  else await s.page.keyboard.press('c');
  return /contents open: (\d+) rows, first at (\d+,\d+), row height (\d+)/.exec(await line(s, /contents open:/, from));
}

async function openSearch(s, how = 'key') {
  const from = mark(s);
  if (how === 'button') await click(s, s.layout.controls.search);
  else await s.page.keyboard.press('f');
  const opened = /search open: field at (\d+,\d+)/.exec(await line(s, /search open:/, from));
  await line(s, /search ready in \d+ ms|no book index/, from);
  return point(opened[1]);
}

const blend = (under, over, alpha) => under.map((c, i) => Math.round(c * (1 - alpha) + over[i] * alpha));

test('the index is not read at opening; the contents list the outline and jump to its pages', async () => {
  const s = await open(books.indexed);
  try {
    await s.page.waitForTimeout(500);
    assert.deepEqual(s.requests.filter((u) => /book\.json/.test(u)), [], 'no index request when the book opens');
    const opened = await openContents(s);
    assert.equal(Number(opened[1]), 6, 'every entry of a small outline is listed');
    assert.equal(s.requests.filter((u) => /book\.json/.test(u)).length, 1, 'the index is read once the contents open');
    const first = point(opened[2]);
    const rowHeight = Number(opened[3]);
    await shot(s, 'contents-open');
    // A click on "Section 1.1" (the fourth row) turns to page 7.
    let from = mark(s);
    await click(s, { x: first.x, y: first.y + 3 * rowHeight });
    await line(s, /contents: to page 7$/, from);
    await line(s, /showing 6-7 \/ 12$/, from);
    await line(s, /counter 2-3 \/ 12$/, from);
    await line(s, /page 7 shown/, from);
    await s.page.waitForTimeout(250);
    const image = await shot(s, 'contents-jump');
    const right = s.layout.atPoint('right', 450, 600);
    assert.ok(h.near(h.pixel(image, right.x, right.y), colours[7]), `page 7 on the right, saw ${h.pixel(image, right.x, right.y)}`);
    // The browser's Back returns to where the reader was before the jump.
    from = mark(s);
    await s.page.evaluate(() => window.history.back());
    await line(s, /showing 1 \/ 12$/, from);
    // The greyed entry outside the book goes nowhere.
    from = mark(s);
    await click(s, { x: first.x, y: first.y + 5 * rowHeight });
    await s.page.waitForTimeout(400);
    assert.ok(!s.lines.slice(from).some((l) => /contents: to page|showing /.test(l)), 'an entry outside the book does not jump');
    // Keys: home, down to "Section 1.2", Enter jumps; Escape closes and the arrows turn pages again.
    from = mark(s);
    for (const key of ['Home', 'ArrowDown', 'ArrowDown', 'ArrowDown', 'ArrowDown', 'Enter']) await s.page.keyboard.press(key);
    await line(s, /contents: to page 9$/, from);
    await line(s, /showing 8-9 \/ 12$/, from);
    // Left on a child steps to its parent, left again closes it: "Chapter One" then has no rows below.
    from = mark(s);
    await s.page.keyboard.press('ArrowLeft');
    await s.page.keyboard.press('ArrowLeft');
    await s.page.keyboard.press('ArrowDown');
    await s.page.keyboard.press('Enter');
    await s.page.waitForTimeout(400);
    assert.ok(!s.lines.slice(from).some((l) => /contents: to page/.test(l)), 'the row after a closed chapter is the entry outside the book');
    from = mark(s);
    await s.page.keyboard.press('Escape');
    await line(s, /side panel closed/, from);
    await s.page.keyboard.press('ArrowRight');
    await line(s, /showing 10-11 \/ 12$/, from);
    assert.deepEqual(s.errors, []);
  } finally { await s.close(); }
});

test('search lists hits with labels and snippets, ignores case and accents, and marks the hit on its page', async () => {
  const s = await open(books.indexed);
  try {
    const field = await openSearch(s, 'button');
    let from = mark(s);
    await click(s, field);
    await s.page.keyboard.type('ZEBRA');
    const listed = /search "zebra": 1 hits, first on page 7 at (\d+,\d+)/.exec(await line(s, /search "zebra":/, from));
    assert.ok(listed, 'one hit listed');
    await shot(s, 'search-listed');
    from = mark(s);
    await s.page.keyboard.press('Enter');
    await line(s, /hit 1 of 1 marked on page 7/, from);
    await line(s, /showing 6-7 \/ 12$/, from);
    await line(s, /page 7 shown/, from);
    await s.page.waitForTimeout(300);
    const image = await shot(s, 'search-marked');
    // The box over the word shows the mark's colour over the page's; the paper beside it does not.
    const [x, y, w, hgt] = ZEBRA.box;
    const inside = s.layout.atPoint('right', x + w / 2, y + hgt / 2);
    const below = s.layout.atPoint('right', x + w / 2, y + hgt * 2.2);
    const expected = blend(colours[7], MARK, MARK_ALPHA);
    assert.ok(h.near(h.pixel(image, inside.x, inside.y), expected, 20), `mark over the word: expected ${expected}, saw ${h.pixel(image, inside.x, inside.y)}`);
    assert.ok(h.near(h.pixel(image, below.x, below.y), colours[7], 12), `no mark below the word, saw ${h.pixel(image, below.x, below.y)}`);
    const box = { x: Math.round(s.layout.atPoint('right', x, y).x), y: Math.round(s.layout.atPoint('right', x, y).y), width: Math.round(w * s.layout.fit), height: Math.round(hgt * s.layout.fit) };
    assert.ok(h.share(image, expected, box, 20) > 0.9, 'the mark covers the word box');
    // A phrase across two words: two hits; next goes to the second, on page 11.
    from = mark(s);
    await click(s, field);
    await s.page.keyboard.press('Control+A');
    await s.page.keyboard.type('Quick  Brown');
    const phrase = /search "quick brown": 2 hits, first on page 9 at (\d+,\d+)/.exec(await line(s, /search "quick brown":/, from));
    assert.ok(phrase, 'the phrase is found on two pages');
    from = mark(s);
    await click(s, point(phrase[1]));
    await line(s, /hit 1 of 2 marked on page 9/, from);
    await line(s, /showing 8-9 \/ 12$/, from);
    from = mark(s);
    await s.page.keyboard.press('Enter');
    await line(s, /hit 2 of 2 marked on page 11/, from);
    await line(s, /showing 10-11 \/ 12$/, from);
    from = mark(s);
    await s.page.keyboard.press('Shift+Enter');
    await line(s, /hit 1 of 2 marked on page 9/, from);
    // Closing the panel takes the mark away.
    from = mark(s);
    await s.page.keyboard.press('Escape');
    await line(s, /side panel closed/, from);
    await s.page.waitForTimeout(300);
    const cleared = await shot(s, 'search-closed');
    const phraseAt = s.layout.atPoint('right', 90, 307);
    assert.ok(h.near(h.pixel(cleared, phraseAt.x, phraseAt.y), colours[9], 12), `no mark once search is closed, saw ${h.pixel(cleared, phraseAt.x, phraseAt.y)}`);
    assert.deepEqual(s.errors, []);
  } finally { await s.close(); }
});

test('labels in the counter and the page field', async () => {
  const s = await open(books.indexed);
  try {
    await line(s, /counter i \/ 12$/, 0);
    const cases = [{ typed: 'xii', showing: '12 / 12', counter: 'xii / 12' }, { typed: '3', showing: '6-7 / 12', counter: '2-3 / 12' },
      { typed: 'IV', showing: '4-5 / 12', counter: 'iv-1 / 12' }];
    for (const c of cases) {
      const from = mark(s);
      await click(s, s.layout.controls.field);
      await s.page.keyboard.type(c.typed);
      await s.page.keyboard.press('Enter');
      await line(s, new RegExp(`showing ${c.showing.replace('/', '\\/')}$`), from);
      await line(s, new RegExp(`counter ${c.counter.replace('/', '\\/')}$`), from);
    }
  } finally { await s.close(); }
});

test('a book without an index hides contents and search and plays as before', async () => {
  const s = await open(books.plain);
  try {
    assert.ok(s.layout.controls.next, 'the panel is laid out');
    assert.equal(s.layout.controls.contents, undefined, 'no contents button');
    assert.equal(s.layout.controls.search, undefined, 'no search button');
    const from = mark(s);
    for (const key of ['c', 'f', 'ArrowRight']) await s.page.keyboard.press(key);
    await line(s, /showing 2-3 \/ 12$/, from);
    await s.page.waitForTimeout(300);
    assert.ok(!s.lines.slice(from).some((l) => /contents open|search open/.test(l)), 'neither panel opens');
    assert.deepEqual(s.requests.filter((u) => /book\.json/.test(u)), []);
    assert.deepEqual(s.errors, []);
  } finally { await s.close(); }
});

test('a book whose index file is missing says so and plays on', async () => {
  const s = await open(books.lostIndex);
  try {
    await openSearch(s);
    await line(s, /no book index: data\/book\.json is missing/, 0);
    const from = mark(s);
    await s.page.keyboard.press('Escape');
    await s.page.keyboard.press('ArrowRight');
    await line(s, /showing 2-3 \/ 12$/, from);
  } finally { await s.close(); }
});
