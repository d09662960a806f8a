// What a reader takes away from a book, in headless Chromium with Ruffle: the PDF of a book made with
// -download (its button, the very bytes), print (the PDF where the book carries it, else the window),
// and the link to the pages in view, copied and opened again. One book from colours.pdf, and a copy of
// it whose page list offers no PDF.
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

let work, browser;
const books = {};

before(async () => {
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'viewer-takeaway-'));
  books.carried = h.makeBook(buildDir, path.join(pdfDir, 'colours.pdf'), path.join(work, 'carried'), ['-download']);
  books.plain = path.join(work, 'plain');
  fs.cpSync(books.carried, books.plain, { recursive: true });
  const list = path.join(books.plain, 'data', 'pages.xml');
  fs.writeFileSync(list, fs.readFileSync(list, 'utf8').replace(/ download='[^']*'/, ''));
  browser = await h.launch();
  await browser.context.grantPermissions(['clipboard-read', 'clipboard-write']);
});

after(async () => {
  if (browser) await browser.close();
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

const open = (book, options = {}) => h.openBook(browser, book, { viewport: { width: 1280, height: 800 }, ...options });

const mark = (s) => s.lines.length;
const line = async (s, pattern, from) => s.lines[await h.waitForLine(s.page, s.lines, pattern, from)];

const controls = (s) => h.readLayout(s).controls;

test('a book made with -download offers its PDF, byte for byte, and prints it', async () => {
  const s = await open(books.carried);
  try {
    const c = controls(s);
    assert.ok(c.download && c.print && c.share, `download, print and share in the panel: ${Object.keys(c)}`);
    const downloaded = s.page.waitForEvent('download');
    await s.page.mouse.click(c.download.x, c.download.y);
    const file = await (await downloaded).path();
    assert.ok(fs.readFileSync(file).equals(fs.readFileSync(path.join(pdfDir, 'colours.pdf'))), 'the PDF as it was made into the book');
    // A tab of its own asks for the PDF (headless Chromium, without a PDF viewer, then keeps it blank).
    const opened = browser.context.waitForEvent('page');
    const asked = browser.context.waitForEvent('request', { predicate: (r) => /\/data\/book\.pdf$/.test(r.url()), timeout: 15000 });
    const from = mark(s);
    await s.page.mouse.click(c.print.x, c.print.y);
    await line(s, /print opens data\/book\.pdf$/, from);
    const tab = await opened;
    assert.notEqual(tab, s.page, 'the PDF opens in a tab of its own');
    await asked;
    await tab.close();
  } finally { await s.close(); }
});

test('without the PDF there is no download button, print prints the window, share copies a link that opens the same pages', async () => {
  const s = await open(books.plain);
  try {
    const c = controls(s);
    assert.equal(c.download, undefined, 'no download button');
    await s.page.evaluate(() => { window.printed = 0; window.print = () => { window.printed += 1; }; });
    let from = mark(s);
    await s.page.mouse.click(c.print.x, c.print.y);
    await line(s, /print the pages in view$/, from);
    await s.page.waitForTimeout(200);
    assert.equal(await s.page.evaluate(() => window.printed), 1, 'the window is printed');

    from = mark(s);
    for (const key of ['ArrowRight', 'ArrowRight']) await s.page.keyboard.press(key);
    await line(s, /showing 4-5 \/ 12$/, from);
    from = mark(s);
    await s.page.mouse.click(c.share.x, c.share.y);
    await line(s, /link to #page=4 copied$/, from);
    await s.page.waitForTimeout(300);
    const copied = await s.page.evaluate(() => navigator.clipboard.readText());
    assert.equal(copied, s.server.url + 'index.html#page=4');
    const again = await open(books.plain, { server: s.server, url: copied, waitFor: /showing 4-5 \/ 12$/, dismiss: false });
    await again.close();
  } finally { await s.close(); }
});
