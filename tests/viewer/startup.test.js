// How a book starts in headless Chromium: the player's module fetched as the gzip file the book carries
// and inflated in the page (or the plain one where that is missing, or as a server that compresses by
// itself sends it), one player folder shared by the books of a site, and the previews of the first
// spreads that the reader can turn through before the player has started.
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
const ruffleDir = path.join(process.env.VIEWER_NODE_MODULES, '@ruffle-rs', 'ruffle');
const { PLAYER_MS } = h;
let work, browser, colours;
const books = {};

before(async () => {
  fs.mkdirSync(artifacts, { recursive: true });
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'viewer-startup-'));
  colours = h.pageColours(buildDir);
  const pdf = path.join(pdfDir, 'colours.pdf');
  books.own = h.makeBook(buildDir, pdf, path.join(work, 'own'));
  books.plainModule = path.join(work, 'plain-module');
  fs.cpSync(books.own, books.plainModule, { recursive: true });
  for (const name of fs.readdirSync(path.join(books.plainModule, 'ruffle'))) {
    if (!name.endsWith('.wasm.gz')) continue;
    fs.rmSync(path.join(books.plainModule, 'ruffle', name));
    fs.copyFileSync(path.join(ruffleDir, name.replace(/\.gz$/, '')), path.join(books.plainModule, 'ruffle', name.replace(/\.gz$/, '')));
  }
  // A site: the player folder once, two books beside it that load it.
  books.site = path.join(work, 'site');
  fs.mkdirSync(books.site);
  fs.cpSync(path.join(books.own, 'ruffle'), path.join(books.site, 'player'), { recursive: true });
  h.makeBook(buildDir, pdf, path.join(books.site, 'first'), ['-player', '../player/']);
  h.makeBook(buildDir, pdf, path.join(books.site, 'second'), ['-player', '../player']);
  books.noShared = path.join(work, 'no-shared');
  fs.mkdirSync(books.noShared);
  h.makeBook(buildDir, pdf, path.join(books.noShared, 'book'), ['-player', '../player/']);
  browser = await h.launch();
});

after(async () => {
  if (browser) await browser.close();
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

// Opens index.html at `address` below the server's root and records what was fetched (url, status and
// body bytes, in `fetched`); requests that leave 127.0.0.1 fail, as on a server without internet
// access. `hold` keeps the player's script back until release() is called.
function open(root, address, { encoding = 'none', waitFor = /page 1 shown/, ...options } = {}) {
  const recordFetches = (session) => {
    session.fetched = [];
    session.page.on('requestfinished', async (request) => {
      const sizes = await request.sizes().catch(() => null);
      const response = await request.response().catch(() => null);
      session.fetched.push({ url: request.url(), status: response ? response.status() : 0, body: sizes ? sizes.responseBodySize : -1 });
    });
  };
  return h.openBook(browser, root, { address, serve: { encoding }, refuseOutside: true, waitFor, dismiss: false,
    prepare: recordFetches, ...options });
}

// The player's modules that came (a missing gzip file is asked for first, and answers 404).
function moduleRequests(session) {
  return session.fetched.filter((r) => /\.wasm(\.gz)?$/.test(r.url) && r.status === 200);
}

test('the player module comes compressed from any server, plain where the gzip file is missing', async () => {
  const gz = fs.readdirSync(path.join(books.own, 'ruffle')).filter((n) => n.endsWith('.wasm.gz'));
  assert.equal(gz.length, 2, `two compressed modules in the book: ${gz}`);
  assert.deepEqual(fs.readdirSync(path.join(books.own, 'ruffle')).filter((n) => n.endsWith('.wasm')), [], 'no plain module');
  const cases = [
    { name: 'plain-server', book: books.own, encoding: 'none', fetched: /\.wasm\.gz$/, compressed: true },
    { name: 'gz-as-encoding', book: books.own, encoding: 'gz-files', fetched: /\.wasm\.gz$/, compressed: false },
    { name: 'compressing-server', book: books.own, encoding: 'all', fetched: /\.wasm\.gz$/, compressed: false },
    // The gzip file asked for first is missing here: the browser logs its 404.
    { name: 'plain-module', book: books.plainModule, encoding: 'none', fetched: /\.wasm$/, compressed: false, missing: /404/ },
  ];
  for (const c of cases) {
    const s = await open(c.book, 'index.html', { encoding: c.encoding });
    try {
      // The module's request is recorded when its body has been read, which a busy machine delays.
      for (let waited = 0; moduleRequests(s).length === 0 && waited < 10000; waited += 100) await s.page.waitForTimeout(100);
      await s.page.waitForTimeout(300);
      const modules = moduleRequests(s);
      assert.equal(modules.length, 1, `${c.name}: one module fetched: ${JSON.stringify(modules)}`);
      assert.match(modules[0].url, c.fetched, c.name);
      assert.ok(modules[0].url.startsWith(s.server.url + 'ruffle/'), `${c.name}: from the book's own folder`);
      if (c.compressed) {
        const onDisk = fs.statSync(path.join(c.book, 'ruffle', path.basename(modules[0].url))).size;
        // The browser counts a few bytes of framing into the body.
        assert.ok(Math.abs(modules[0].body - onDisk) < 1024, `${c.name}: the compressed file's ${onDisk} bytes, got ${modules[0].body}`);
        assert.ok(onDisk < 7 * 1024 * 1024, `${c.name}: ${onDisk} bytes`);
      }
      const image = h.decodePng(await s.page.screenshot({ path: path.join(artifacts, `startup-${c.name}.png`) }));
      assert.ok(h.share(image, colours[1], { x: 700, y: 80, width: 400, height: 150 }) > 0.9, `${c.name}: page 1 drawn`);
      assert.deepEqual(s.errors.filter((e) => !(c.missing && c.missing.test(e))), [], c.name);
    } finally { await s.close(); }
  }
});

test('books of a site share one player folder, and a missing one is named', async () => {
  for (const name of ['first', 'second']) {
    const s = await open(books.site, `${name}/index.html`);
    try {
      assert.ok(!fs.existsSync(path.join(books.site, name, 'ruffle')), `${name}: no player folder in the book`);
      const player = s.fetched.filter((r) => /ruffle\.js$|\.wasm(\.gz)?$|core\.ruffle/.test(r.url));
      assert.ok(player.length >= 3, `${name}: player files fetched: ${JSON.stringify(player)}`);
      assert.ok(player.every((r) => r.url.startsWith(s.server.url + 'player/')), `${name}: all from /player/: ${JSON.stringify(player)}`);
      assert.deepEqual(s.fetched.filter((r) => r.url.startsWith(`${s.server.url}${name}/ruffle/`)), [], name);
      assert.deepEqual(s.errors, [], name);
    } finally { await s.close(); }
  }
  const s = await open(books.noShared, 'book/index.html', { waitFor: null });
  try {
    await s.page.waitForFunction(() => document.querySelector('.problem') !== null, null, { timeout: PLAYER_MS });
    const said = await s.page.evaluate(() => document.querySelector('.problem').textContent);
    assert.match(said, /The player could not be loaded\. This book's shared player \(the folder \.\.\/player\/, given with -player\) is missing/);
  } finally { await s.close(); }
});

// The view the previews show: which colours stand left and right of the middle.
async function previewSides(s, name) {
  await s.page.waitForTimeout(400);  // the slide ends
  const image = h.decodePng(await s.page.screenshot({ path: path.join(artifacts, `startup-preview-${name}.png`) }));
  const at = (x) => Object.keys(colours).find((p) => h.near(h.pixel(image, x, 400), colours[p], 30)) || null;
  return { left: at(640 - 150), right: at(640 + 150), image };
}

test('before the player the reader turns the previews, and the viewer starts where the reader got to', async () => {
  const s = await open(books.own, 'index.html', { hold: true, waitFor: null, viewport: { width: 1280, height: 800 } });
  try {
    await s.page.waitForFunction(() => document.getElementById('poster') && document.getElementById('poster').style.display === 'block');
    let sides = await previewSides(s, 'cover');
    assert.deepEqual([sides.left, sides.right], [null, '1'], 'the cover alone on the right');
    await s.page.keyboard.press('ArrowRight');
    sides = await previewSides(s, 'key');
    assert.deepEqual([sides.left, sides.right], ['2', '3'], 'a key turns to pages 2-3');
    assert.equal(await s.page.evaluate(() => window.location.hash), '#page=2');
    await s.page.mouse.click(1100, 400);
    sides = await previewSides(s, 'click');
    assert.deepEqual([sides.left, sides.right], ['4', '5'], 'a click on the right half turns to 4-5');
    // Past the previews the turn waits for the player, and says so.
    await s.page.keyboard.press('Space');
    assert.equal(await s.page.evaluate(() => getComputedStyle(document.getElementById('starting')).display), 'block');
    sides = await previewSides(s, 'waiting');
    assert.deepEqual([sides.left, sides.right], ['4', '5'], 'the last previews stay while the turn waits');
    assert.equal(await s.page.evaluate(() => window.location.hash), '#page=6');
    s.release();
    await h.waitForLine(s.page, s.lines, /showing 6-7 \/ 12$/, 0, PLAYER_MS);
    await s.page.waitForFunction(() => document.getElementById('cover') === null, null, { timeout: PLAYER_MS });
    assert.deepEqual(s.fetched.filter((r) => /preview\d\.jpg$/.test(r.url)).map((r) => path.basename(r.url)).sort(),
      ['preview2.jpg', 'preview3.jpg', 'preview4.jpg', 'preview5.jpg']);
    assert.deepEqual(s.errors, []);
  } finally { await s.close(); }
});

test('a swipe turns the previews on a phone, and back', async () => {
  const s = await open(books.own, 'index.html', { hold: true, waitFor: null, viewport: { width: 400, height: 700 } });
  try {
    await s.page.waitForFunction(() => document.getElementById('poster') && document.getElementById('poster').style.display === 'block');
    const swipe = (fromX, toX) => s.page.evaluate(([a, b]) => {
      const target = document.getElementById('cover');
      const touch = (x) => new Touch({ identifier: 1, target, clientX: x, clientY: 350 });
      target.dispatchEvent(new TouchEvent('touchstart', { touches: [touch(a)], changedTouches: [touch(a)], bubbles: true, cancelable: true }));
      target.dispatchEvent(new TouchEvent('touchend', { touches: [], changedTouches: [touch(b)], bubbles: true, cancelable: true }));
    }, [fromX, toX]);
    await swipe(300, 100);
    await s.page.waitForTimeout(300);
    assert.equal(await s.page.evaluate(() => window.location.hash), '#page=2', 'one page at a time on a narrow screen');
    await swipe(300, 100);
    await swipe(100, 300);
    await s.page.waitForTimeout(300);
    assert.equal(await s.page.evaluate(() => window.location.hash), '#page=2', 'a swipe the other way turns back');
    s.release();
    await h.waitForLine(s.page, s.lines, /showing 2 \/ 12$/, 0, PLAYER_MS);
    assert.deepEqual(s.errors, []);
  } finally { await s.close(); }
});
