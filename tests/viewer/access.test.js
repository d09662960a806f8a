// The book for readers who do not see the pages: the text version (text.html) parsed by a real HTML
// parser and held against the words, outline and labels of data/book.json, its links back into the
// book followed in Chromium, and axe-core's WCAG 2.2 A/AA and best-practice rules run on it.
// Books from index.pdf (outline, labels, several scripts, a scanned page with a hidden text layer)
// and tagged.pdf (headings, a list, a figure with alternative text, a scan without any text).
// Environment: VIEWER_NODE_MODULES, QUAVELIN_BUILD_DIR, QUAVELIN_TEST_PDF_DIR, VIEWER_ARTIFACTS.
'use strict';
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const h = require('./harness.js');

const nodeModules = process.env.VIEWER_NODE_MODULES;
const parse5 = require(path.join(nodeModules, 'parse5'));
const axeSource = fs.readFileSync(path.join(nodeModules, 'axe-core', 'axe.min.js'), 'utf8');
const buildDir = process.env.QUAVELIN_BUILD_DIR;
const pdfDir = process.env.QUAVELIN_TEST_PDF_DIR;
const { PLAYER_MS } = h;
const AXE_TAGS = ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22a', 'wcag22aa', 'best-practice'];

let work, browser;
const books = {};

before(async () => {
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'viewer-access-'));
  for (const name of ['index', 'tagged']) {
    const dir = h.makeBook(buildDir, path.join(pdfDir, `${name}.pdf`), path.join(work, name));
    const html = fs.readFileSync(path.join(dir, 'text.html'), 'utf8');
    const errors = [];
    const doc = parse5.parse(html, { sourceCodeLocationInfo: false, onParseError: (e) => errors.push(e.code) });
    const index = JSON.parse(fs.readFileSync(path.join(dir, 'data', 'book.json'), 'utf8'));
    books[name] = { dir, html, doc, errors, index };
  }
  browser = await h.launch();
});

after(async () => {
  if (browser) await browser.close();
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

// ---- the parsed tree ----------------------------------------------------------------------------

function attr(node, name) {
  const found = (node.attrs || []).find((a) => a.name === name);
  return found ? found.value : null;
}

function* walk(node) {
  yield node;
  for (const child of node.childNodes || []) yield* walk(child);
}

function elements(root, tag) {
  return [...walk(root)].filter((n) => n.tagName === tag);
}

function textOf(node, skip = () => false) {
  if (node.nodeName === '#text') return node.value;
  if (skip(node)) return ' ';
  const inner = (node.childNodes || []).map((c) => textOf(c, skip)).join('');
  return node.tagName === 'br' || node.tagName === 'p' || node.tagName === 'li' || /^h\d$/.test(node.tagName || '')
    ? ` ${inner} ` : inner;
}

// A page's words as the text version has them: headings, back links and notes left out.
function pageTokens(section) {
  const skip = (n) => n.tagName === 'h2' || attr(n, 'class') === 'back' || attr(n, 'class') === 'none' ||
    attr(n, 'class') === 'what' || attr(n, 'class') === 'figure';
  return textOf(section, skip).split(/\s+/).filter(Boolean);
}

// Every word of the index in order and once: a word ending in a hyphen may have been joined with the
// next (the hyphen dropped, or kept before a capital).
function matchWords(words, tokens) {
  let t = 0;
  for (let i = 0; i < words.length; i++) {
    const word = words[i];
    if (tokens[t] === word) { t++; continue; }
    const next = words[i + 1];
    const stem = word.replace(/(-|\u00ad|\u2010)$/, '');
    if (next !== undefined && stem !== word && (tokens[t] === stem + next || tokens[t] === word + next)) {
      t++; i++; continue;
    }
    return `word ${i} "${word}" is "${tokens[t]}" in the text version`;
  }
  return t === tokens.length ? null : `the text version has more: "${tokens.slice(t).join(' ')}"`;
}

function plain(node) {
  return textOf(node).replace(/\s+/g, ' ').trim();
}

function sections(book) {
  return elements(book.doc, 'section');
}

// ---- the document -------------------------------------------------------------------------------

test('the text version is well-formed HTML with the title, language and a page per book page', () => {
  const expected = { index: { title: 'Book index features', lang: 'en' }, tagged: { title: 'Tagged & structured', lang: 'en-GB' } };
  for (const [name, book] of Object.entries(books)) {
    assert.deepEqual(book.errors, [], `${name}: parse errors`);
    const html = elements(book.doc, 'html')[0];
    assert.equal(attr(html, 'lang'), expected[name].lang, `${name}: lang`);
    assert.equal(plain(elements(book.doc, 'title')[0]), expected[name].title, `${name}: title`);
    assert.equal(plain(elements(book.doc, 'h1')[0]), expected[name].title, `${name}: h1`);
    assert.equal(book.index.title, expected[name].title, `${name}: the index's title`);
    const meta = Object.fromEntries(elements(book.doc, 'meta').map((m) => [attr(m, 'property') || attr(m, 'name'), attr(m, 'content')]));
    assert.equal(meta['og:image'], 'data/poster.jpg', `${name}: sharing image`);
    assert.ok(fs.existsSync(path.join(book.dir, 'data', 'poster.jpg')), `${name}: the poster it names`);
    assert.ok(meta.description && meta.description.length > 10, `${name}: description`);
    const pages = sections(book);
    assert.equal(pages.length, book.index.pages, `${name}: sections`);
    pages.forEach((section, i) => {
      assert.equal(attr(section, 'id'), `page-${i + 1}`);
      assert.equal(plain(elements(section, 'h2')[0]), `Page ${book.index.labels[i]}`, `${name}: heading of page ${i + 1}`);
      const back = elements(section, 'a').map((a) => attr(a, 'href'));
      assert.ok(back.includes(`index.html#page=${i + 1}`), `${name}: link back from page ${i + 1}`);
    });
  }
});

test('every word of the book index appears once and in order, page by page', () => {
  for (const [name, book] of Object.entries(books)) {
    sections(book).forEach((section, i) => {
      const words = book.index.text[i].words.map((w) => w[4]);
      assert.equal(matchWords(words, pageTokens(section)), null, `${name} page ${i + 1}`);
    });
  }
  // The hyphenated word of tagged.pdf is one word again.
  assert.ok(pageTokens(sections(books.tagged)[0]).includes('hyphenated'));
});

test('the contents lead to the pages the outline names', () => {
  const book = books.index;
  const flat = [];
  (function flatten(entries) { for (const e of entries) { flat.push(e); flatten(e.children || []); } })(book.index.outline);
  const links = elements(elements(book.doc, 'nav')[0], 'a');
  const linked = flat.filter((e) => e.page > 0);
  assert.equal(links.length, linked.length);
  links.forEach((a, i) => {
    assert.equal(plain(a), linked[i].title);
    assert.equal(attr(a, 'href'), `#page-${linked[i].page}`);
  });
  const ids = new Set(sections(book).map((s) => attr(s, 'id')));
  for (const a of links) assert.ok(ids.has(attr(a, 'href').slice(1)), attr(a, 'href'));
  // A document without an outline has no contents to offer.
  assert.equal(elements(books.tagged.doc, 'nav').length, 0);
});

test('a tagged PDF gives headings, a list and the figure\'s alternative text; a scan says it has no text', () => {
  const [first, scan] = sections(books.tagged);
  assert.deepEqual(elements(first, 'h3').map((n) => plain(n)), ['Tagged heading']);
  assert.deepEqual(elements(first, 'li').map((n) => plain(n)), ['First item', 'Second item']);
  const figure = elements(first, 'p').find((p) => attr(p, 'class') === 'figure');
  assert.ok(figure && /A red square, the company logo/.test(textOf(figure)), 'figure text');
  assert.ok(elements(scan, 'p').some((p) => attr(p, 'class') === 'none'), 'the scan says so');
  // index.pdf's scanned page carries a hidden text layer: its words are there, no note.
  assert.ok(!elements(sections(books.index)[6], 'p').some((p) => attr(p, 'class') === 'none'));
});

// ---- in the browser -----------------------------------------------------------------------------

async function axeViolations(page) {
  await page.addScriptTag({ content: axeSource });
  const result = await page.evaluate((tags) => window.axe.run(document, { runOnly: { type: 'tag', values: tags } }), AXE_TAGS);
  return result.violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
}

test('axe finds nothing to fault in the text version, at 320 px wide too', async () => {
  for (const [name, book] of Object.entries(books)) {
    const text = await h.openBook(browser, book.dir, { address: 'text.html', canvas: false, waitFor: null,
      viewport: { width: 320, height: 640 } });
    const { page } = text;
    try {
      assert.deepEqual(await axeViolations(page), [], name);
      const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
      assert.ok(overflow <= 0, `${name}: scrolls sideways by ${overflow} px at 320 px`);
    } finally { await text.close(); }
  }
});

test('a link back from the text version opens the book at that page', async () => {
  const text = await h.openBook(browser, books.index.dir, { address: 'text.html', waitFor: null });
  const { page, lines } = text;
  try {
    await page.click('a[href="index.html#page=4"]');
    await page.waitForURL(/index\.html#page=4$/);
    await h.waitForLine(page, lines, /quavelin: page 4 shown/, 0, PLAYER_MS);
  } finally { await text.close(); }
});

// ---- the book's page ----------------------------------------------------------------------------

// The book's page with the player running, as the reader finds it: nothing clicked yet.
const openBook = (dir, options = {}) => h.openBook(browser, dir, { waitFor: /quavelin: page \d+ shown/, dismiss: false, ...options });

test('index.html with the player running: landmarks, title, named player, and nothing axe faults', async () => {
  const opened = await openBook(books.index.dir);
  const { page } = opened;
  try {
    await page.waitForFunction(() => document.title === 'Book index features');
    const facts = await page.evaluate(() => {
      const book = document.getElementById('book');
      return { lang: document.documentElement.lang, h1: document.querySelector('main h1').textContent,
        name: book.getAttribute('aria-label'), tag: book.tagName.toLowerCase() };
    });
    assert.deepEqual(facts, { lang: 'en', h1: 'Book index features', name: 'Page-flip book: Book index features', tag: facts.tag });
    assert.notEqual(facts.tag, 'div', 'the player stands in the page');
    assert.deepEqual(await axeViolations(page), []);
  } finally {
    await opened.close();
  }
});

test('the text version is the first thing the keyboard reaches, and shows when it has the focus', async () => {
  const opened = await openBook(books.index.dir);
  const { page } = opened;
  try {
    // The page gives the player the focus at once; from the top of the document, Tab comes first to
    // the link.
    await page.evaluate(() => {
      document.documentElement.tabIndex = -1;
      document.documentElement.focus();
    });
    await page.keyboard.press('Tab');
    const focused = await page.evaluate(() => {
      const link = document.activeElement;
      const box = link.getBoundingClientRect();
      return { id: link.id, href: link.getAttribute('href'), top: box.top, bottom: box.bottom };
    });
    assert.equal(focused.id, 'text-version');
    assert.equal(focused.href, 'text.html');
    assert.ok(focused.top >= 0 && focused.bottom <= 800, `link at ${focused.top}-${focused.bottom}`);
  } finally {
    await opened.close();
  }
});

test('the live region names the pages in view, with their labels, after a turn', async () => {
  const opened = await openBook(books.index.dir);
  const { page, lines } = opened;
  try {
    await page.waitForFunction(() => document.getElementById('pages-status').textContent === 'Page Cover of 8');
    const from = lines.length;
    await page.focus('#book');
    await page.keyboard.press('ArrowRight');
    await h.waitForLine(page, lines, /quavelin: showing/, from, PLAYER_MS);
    await page.waitForFunction(() => document.getElementById('pages-status').textContent === 'Pages i-ii of 8');
    const region = await page.evaluate(() => {
      const status = document.getElementById('pages-status');
      return [status.getAttribute('role'), status.getAttribute('aria-live')];
    });
    assert.deepEqual(region, ['status', 'polite']);
  } finally {
    await opened.close();
  }
});

// ---- motion and keys ----------------------------------------------------------------------------

test('with reduced motion a turn shows the new pages at once, without the curl', async () => {
  const opened = await openBook(books.index.dir, { waitFor: /quavelin: reduced motion/,
    prepare: ({ page }) => page.emulateMedia({ reducedMotion: 'reduce' }) });
  const { page, lines } = opened;
  try {
    await h.waitForLine(page, lines, /quavelin: page 1 shown/, 0, PLAYER_MS);
    await page.focus('#book');
    const from = lines.length;
    await page.keyboard.press('ArrowRight');
    await h.waitForLine(page, lines, /quavelin: page 3 shown/, from, PLAYER_MS);
    const said = lines.slice(from).join('\n');
    assert.match(said, /turning plain from/);
    assert.doesNotMatch(said, /turning (soft|stiff)/);
    // Nothing moves once the pages are there: two frames apart are the same picture.
    const first = h.decodePng(await page.screenshot());
    await page.waitForTimeout(250);
    const second = h.decodePng(await page.screenshot());
    let differing = 0;
    for (let i = 0; i < first.pixels.length; i += 3) {
      if (Math.abs(first.pixels[i] - second.pixels[i]) > 8) differing++;
    }
    assert.ok(differing < first.width * first.height * 0.001, `${differing} pixels changed after the turn`);
    // The corner does not lift under the pointer either.
    const box = await page.locator('#book').boundingBox();
    const before = lines.length;
    await page.mouse.move(box.x + box.width - 200, box.y + box.height - 90);
    await page.waitForTimeout(300);
    assert.doesNotMatch(lines.slice(before).join('\n'), /turning/);
  } finally { await opened.close(); }
});

test('"?" lists the keys in the viewer, any key closes the list, and O opens the overview', async () => {
  const opened = await openBook(books.index.dir);
  const { page, lines } = opened;
  try {
    await page.focus('#book');
    let from = lines.length;
    await page.keyboard.press('?');
    await h.waitForLine(page, lines, /quavelin: keys shown/, from, PLAYER_MS);
    await page.keyboard.press('a');
    await h.waitForLine(page, lines, /quavelin: keys hidden/, from, PLAYER_MS);
    from = lines.length;
    await page.keyboard.press('o');
    await h.waitForLine(page, lines, /quavelin: overview opened/, from, PLAYER_MS);
  } finally {
    await opened.close();
  }
});
