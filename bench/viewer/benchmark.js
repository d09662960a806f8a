// Viewer speed in headless Chromium with Ruffle (its canvas renderer unless --renderer default): time
// from navigation to the first page visible, and for one page turn, in two comparisons measured in the
// same run.
//   size:  a 10-page and a 1,000-page book made by the real tool from colours.pdf; the 10-page book
//          is the baseline, target 1000/10 <= 1.2 for opening.
//   pages: a book of text200.pdf with the converter's default (vector) pages and the same book made
//          with -all2bitmap; the bitmap book is the baseline, target vector/bitmap <= 1.2 for opening
//          and for a turn. Beside them the vector book with pages that carry their own fonts instead
//          of importing the book's font library, the baseline for the library's cost to a turn.
//   overview: the thumbnail overview opened on the same two books and paged down to its end: time to
//          the first thumbnails drawn, time to the last ones drawn, and the peak memory of the tab (the
//          player's WebAssembly memory, which holds every loaded page, plus the JavaScript heap).
// A turn also reports its frames: how many the browser painted and the longest gap between two, which
// shows a turn that keeps its time but stutters. The turn measured brings pages never drawn before; a
// turn back to the first view, whose pages the player has drawn already, is timed beside it.
//   cover: the time from navigation to the first frame that shows the cover in page 1's colour, for a
//          book made by the real tool from colours.pdf, whose index.html shows the poster at once, and
//          the same book without data/poster.jpg (the baseline), where the cover waits for the player.
//   search: a 1,000-page book with a synthetic book index: the time from typing a word to its hits
//          listed and to the first hit shown, against the time to turn one page (see search.js).
//   startup: a first visit over loopback, emulated Fast 4G and 3G, for the book as laid out before the
//          compressed player and the previews and as it is now, and the second book of a site sharing
//          one player (see startup.js; only with --only startup, it takes minutes).
// Usage: node bench/viewer/benchmark.js BUILD_DIR [--runs N] [--renderer canvas|default] [--only size|pages|overview|search|cover|startup]
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');

const buildDir = path.resolve(process.argv[2] || 'build');
const runsAt = process.argv.indexOf('--runs');
const runs = runsAt > 0 ? Number(process.argv[runsAt + 1]) : 5;
const rendererAt = process.argv.indexOf('--renderer');
const renderer = rendererAt > 0 ? process.argv[rendererAt + 1] : 'canvas';
if (!['canvas', 'default'].includes(renderer)) throw new Error(`--renderer ${renderer}: canvas or default`);
process.env.VIEWER_NODE_MODULES = process.env.VIEWER_NODE_MODULES || path.join(buildDir, 'viewer', 'node_modules');
const h = require(path.join(__dirname, '..', '..', 'tests', 'viewer', 'harness.js'));
const TARGET = 1.2;
const onlyAt = process.argv.indexOf('--only');
const only = onlyAt > 0 ? process.argv[onlyAt + 1] : null;
if (only && !['size', 'pages', 'overview', 'search', 'cover', 'startup'].includes(only)) throw new Error(`--only ${only}: size, pages, overview, search, cover or startup`);
const wanted = (part) => !only || only === part;
const search = require('./search.js');
const startup = require('./startup.js');
// A book whose page list names `count` pages, cycling through the real page files of `source`.
function bookOfSize(source, target, count) {
  fs.cpSync(source, target, { recursive: true });
  const listPath = path.join(target, 'data', 'pages.xml');
  const list = fs.readFileSync(listPath, 'utf8');
  const headLine = list.split('\n')[0];
  const files = [...list.matchAll(/<page src='([^']+)'[^>]*\/>/g)].map((m) => m[1]);
  const lines = [];
  for (let i = 0; i < count; i++) lines.push(`<page src='${files[i % files.length]}'/>`);
  fs.writeFileSync(listPath, `${headLine}\n${lines.join('\n')}\n</content>`);
  return target;
}

// The book `server` serves, opened in a tab of `browser` at the cover; the tab is closed after `use`.
async function withBook(browser, server, use, options = {}) {
  const session = await h.openBook(browser, server.root, { server, canvas: renderer === 'canvas', waitFor: /page 1 shown/,
    timeout: 30000, dismiss: false, ...options });
  try {
    return await use(session);
  } finally {
    await session.close();
  }
}

const measure = (browser, server) => withBook(browser, server, async (session) => {
  const { page, lines } = session;
  const open = session.shownAt - session.navigatedAt;
  await page.mouse.click(6, 6);
  await page.waitForTimeout(300);
  const from = lines.length;
  await page.evaluate(() => {
    const frames = (window.benchFrames = []);
    const tick = (t) => { frames.push(t); if (!window.benchFramesDone) requestAnimationFrame(tick); };
    requestAnimationFrame(tick);
  });
  const turnStarted = Date.now();
  await page.keyboard.press('ArrowRight');
  await h.waitForLine(page, lines, /page 3 shown/, from);
  const turn = Date.now() - turnStarted;
  const frames = await page.evaluate(() => { window.benchFramesDone = true; return window.benchFrames; });
  const gaps = frames.slice(1).map((t, i) => t - frames[i]);
  await page.waitForTimeout(300);
  const backFrom = lines.length;
  const backStarted = Date.now();
  await page.keyboard.press('ArrowLeft');
  await h.waitForLine(page, lines, /page 1 shown/, backFrom);
  const back = Date.now() - backStarted;
  return { open, turn, back, frames: frames.length, longestFrame: Math.round(Math.max(0, ...gaps)) };
});

// Every WebAssembly memory the page creates, so the player's heap can be read from outside.
function watchMemory() {
  window.benchMemories = [];
  const note = (result) => {
    const instance = result.instance || result;
    for (const value of Object.values(instance.exports || {})) if (value instanceof WebAssembly.Memory) window.benchMemories.push(value);
    return result;
  };
  const instantiate = WebAssembly.instantiate;
  WebAssembly.instantiate = function (...args) { return instantiate.apply(this, args).then(note); };
  const streaming = WebAssembly.instantiateStreaming;
  if (streaming) WebAssembly.instantiateStreaming = function (...args) { return streaming.apply(this, args).then(note); };
}

// Opens the overview from the panel and pages it down to its end, sampling the tab's memory meanwhile.
async function measureOverview(browser, server) {
  let cdp;
  const watch = async ({ page }) => {
    await page.addInitScript(watchMemory);
    cdp = await browser.context.newCDPSession(page);
    await cdp.send('Performance.enable');
  };
  return withBook(browser, server, (session) => pageDownOverview(session, cdp), { prepare: watch, timeout: 90000 });
}

async function pageDownOverview(session, cdp) {
  const { page, lines } = session;
  let peak = 0;
  const sample = async () => {
    const wasm = await page.evaluate(() => (window.benchMemories || []).reduce((sum, m) => sum + m.buffer.byteLength, 0));
    const { metrics } = await cdp.send('Performance.getMetrics');
    const heap = metrics.find((m) => m.name === 'JSHeapUsedSize').value;
    peak = Math.max(peak, wasm + heap);
  };
  await page.mouse.click(6, 6);
  await page.waitForTimeout(300);
  const button = h.readLayout(session).controls.overview;
  await sample();
  let from = lines.length;
  const started = Date.now();
  await page.mouse.click(button.x, button.y);
  await h.waitForLine(page, lines, /overview thumbnails settled/, from, 90000);
  const open = Date.now() - started;
  const rows = Number(/ of (\d+) in sight/.exec(lines.slice(from).find((l) => /overview rows /.test(l)))[1]);
  await sample();
  // A reader paging down: a key every 150 ms, memory sampled between, until the last row is drawn.
  from = lines.length;
  const scrollStarted = Date.now();
  const lastRowInSight = () => new RegExp(`overview rows \\d+-${rows} of`).test(lines.filter((l) => /overview rows /.test(l)).pop());
  let lastPress = scrollStarted;
  for (let presses = 0; !lastRowInSight(); presses++) {
    if (presses > 4 * rows) throw new Error(`the overview did not reach its last row after ${presses} Page Down presses`);
    lastPress = Date.now();
    await page.keyboard.press('PageDown');
    await page.waitForTimeout(150);
    await sample();
  }
  // The last thumbnails drawn: the settled line that follows the one bringing the last row into sight.
  const atEnd = lines.map((l, i) => (/overview rows /.test(l) ? i : -1)).filter((i) => i >= 0).pop();
  await h.waitForLine(page, lines, /overview thumbnails settled/, atEnd, 90000);
  const scroll = Date.now() - scrollStarted;
  const catchUp = Date.now() - lastPress;
  await sample();
  return { open, scroll, catchUp, memory: peak / 2 ** 20 };
}

// Frames come from the compositor as it paints (a screencast, scaled down so that taking them costs the
// page little); the first in which page 1's colour covers a fifth of the window is the cover's.
async function firstCover(browser, server, coverColour) {
  let cdp;
  const frames = [];
  const record = async ({ page }) => {
    cdp = await browser.context.newCDPSession(page);
    cdp.on('Page.screencastFrame', (frame) => {
      const at = frame.metadata.timestamp ? frame.metadata.timestamp * 1000 : Date.now();
      frames.push({ at, png: Buffer.from(frame.data, 'base64') });
      cdp.send('Page.screencastFrameAck', { sessionId: frame.sessionId }).catch(() => {});
    });
    await cdp.send('Page.startScreencast', { format: 'png', maxWidth: 320, maxHeight: 200, everyNthFrame: 1 });
  };
  const started = await withBook(browser, server, async ({ page, navigatedAt }) => {
    await page.waitForTimeout(500);
    await cdp.send('Page.stopScreencast');
    return navigatedAt;
  }, { prepare: record });
  for (const frame of frames) {
    if (h.share(h.decodePng(frame.png), coverColour, undefined, 16) >= 0.2) return Math.round(frame.at - started);
  }
  throw new Error('no frame showed the cover');
}

async function coverComparison(browser, pdfs, work) {
  const withPoster = h.makeBook(buildDir, path.join(pdfs, 'colours.pdf'), path.join(work, 'poster'));
  const withoutPoster = path.join(work, 'no-poster');
  fs.cpSync(withPoster, withoutPoster, { recursive: true });
  fs.rmSync(path.join(withoutPoster, 'data', 'poster.jpg'));
  const colour = h.pageColours(buildDir)[1];
  const servers = { poster: await h.serve(withPoster), plain: await h.serve(withoutPoster) };
  const results = { poster: [], plain: [] };
  await firstCover(browser, servers.plain, colour); // warm-up
  for (let run = 0; run < runs; run++) {
    for (const key of run % 2 ? ['plain', 'poster'] : ['poster', 'plain']) {
      results[key].push(await firstCover(browser, servers[key], colour));
    }
  }
  for (const s of Object.values(servers)) await s.close();
  const kib = (fs.statSync(path.join(withPoster, 'data', 'poster.jpg')).size / 1024).toFixed(1);
  console.log(`cover: colours.pdf, ms from navigation to the first frame showing the cover (baseline: no poster)`);
  for (const [key, name] of [['plain', 'no poster'], ['poster', `poster ${kib} KiB`]]) {
    console.log(`  ${name.padEnd(16)}  ${results[key].join(' ').padEnd(40)} median ${String(median(results[key])).padStart(6)}`);
  }
  console.log(`  ratio poster/no poster: ${(median(results.poster) / median(results.plain)).toFixed(3)}`);
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const mid = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
}

function bookBytes(book) {
  const data = path.join(book, 'data');
  return fs.readdirSync(data).reduce((sum, name) => sum + fs.statSync(path.join(data, name)).size, 0);
}

// Prints one comparison; `baseline` and `other` name keys of `results`.
function report(title, results, names, baseline, other) {
  console.log(title);
  console.log('  book            open ms (each run)                 median   turn ms (each run)            median  frames  longest    back');
  const medians = {};
  for (const key of [baseline, other]) {
    const of = (field) => results[key].map((r) => r[field]);
    medians[key] = { open: median(of('open')), turn: median(of('turn')) };
    console.log(`  ${names[key].padEnd(14)}  ${of('open').join(' ').padEnd(34)} ${String(medians[key].open).padStart(6)}   ` +
      `${of('turn').join(' ').padEnd(28)} ${String(medians[key].turn).padStart(6)}  ${String(median(of('frames'))).padStart(6)}  ` +
      `${String(median(of('longestFrame'))).padStart(7)}  ${String(median(of('back'))).padStart(6)}`);
  }
  return { open: medians[other].open / medians[baseline].open, turn: medians[other].turn / medians[baseline].turn };
}

const verdict = (ratio) => (ratio <= TARGET ? 'met' : 'NOT met');

async function main() {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'viewer-bench-'));
  try {
    const pdfs = path.join(buildDir, 'testpdfs');
    if (only === 'startup') {
      const browser = await h.launch();
      const made = h.makeBook(buildDir, path.join(pdfs, 'colours.pdf'), path.join(work, 'made'));
      const ruffleDir = path.join(process.env.VIEWER_NODE_MODULES, '@ruffle-rs', 'ruffle');
      const version = JSON.parse(fs.readFileSync(path.join(ruffleDir, 'package.json'), 'utf8')).version;
      await startup.compareStartup(h, browser, made, work, { buildDir, pdf: path.join(pdfs, 'colours.pdf'),
        repoDir: path.join(__dirname, '..', '..'), ruffleDir, runs,
        ruffleUrl: `https://unpkg.com/@ruffle-rs/ruffle@${version}/ruffle.js` });
      await browser.close();
      return;
    }
    if (only === 'cover') {
      const browser = await h.launch();
      console.log(`viewer benchmark: ${runs} runs per book, ${renderer === 'canvas' ? 'canvas renderer' : "Ruffle's own choice of renderer"}, headless Chromium`);
      await coverComparison(browser, pdfs, work);
      await browser.close();
      return;
    }
    const made = h.makeBook(buildDir, path.join(pdfs, 'colours.pdf'), path.join(work, 'made'));
    const books = {};
    if (wanted('size') || wanted('overview')) {
      books[10] = bookOfSize(made, path.join(work, 'book10'), 10);
      books[1000] = bookOfSize(made, path.join(work, 'book1000'), 1000);
    }
    if (wanted('pages')) {
      books.vector = h.makeBook(buildDir, path.join(pdfs, 'text200.pdf'), path.join(work, 'vector'));
      books.bitmap = h.makeBook(buildDir, path.join(pdfs, 'text200.pdf'), path.join(work, 'bitmap'), ['-all2bitmap']);
      books.ownFonts = h.bookWithOwnFonts(buildDir, books.vector, path.join(pdfs, 'text200.pdf'), path.join(work, 'own-fonts'));
    }
    let indexBytes = 0;
    const indexed = path.join(work, 'indexed1000');
    if (wanted('search')) {
      bookOfSize(made, indexed, 1000);
      indexBytes = search.addSyntheticIndex(indexed, 1000);
    }
    const keys = Object.keys(books);
    const servers = {};
    for (const key of keys) servers[key] = await h.serve(books[key]);
    const searchServer = wanted('search') ? await h.serve(indexed) : null;
    const browser = await h.launch();
    const results = Object.fromEntries(keys.map((key) => [key, []]));
    const searchResults = [];
    // warm-up: Ruffle's wasm compiled once for all
    await measure(browser, servers[10] || searchServer || Object.values(servers)[0]);
    for (let run = 0; run < runs; run++) {
      // Each pair alternates which book goes first, so drift in background load hits both alike.
      const order = (run % 2 ? [1000, 10, 'bitmap', 'ownFonts', 'vector'] : [10, 1000, 'vector', 'ownFonts', 'bitmap'])
        .filter((key) => key in books);
      for (const key of order) results[key].push(await measure(browser, servers[key]));
      if (searchServer) searchResults.push(await withBook(browser, searchServer, (session) => search.measureSearch(h, session)));
    }
    const overview = { 10: [], 1000: [] };
    for (let run = 0; run < runs && wanted('overview'); run++) {
      for (const key of run % 2 ? [1000, 10] : [10, 1000]) overview[key].push(await measureOverview(browser, servers[key]));
    }
    await browser.close();
    for (const s of Object.values(servers)) await s.close();
    if (searchServer) await searchServer.close();

    console.log(`viewer benchmark: ${runs} runs per book, ${renderer === 'canvas' ? 'canvas renderer' : "Ruffle's own choice of renderer"}, headless Chromium`);
    if (wanted('size')) {
      const size = report('size: colours.pdf pages repeated (baseline: the 10-page book)',
        results, { 10: '10 pages', 1000: '1000 pages' }, 10, 1000);
      console.log(`  ratio 1000/10: open ${size.open.toFixed(2)}, turn ${size.turn.toFixed(2)}; target open <= ${TARGET}: ${verdict(size.open)}`);
      console.log();
    }
    if (wanted('pages')) {
      const mb = (key) => (bookBytes(books[key]) / 2 ** 20).toFixed(1);
      const pages = report('pages: text200.pdf, default pages against -all2bitmap (baseline: the bitmap book)',
        results, { vector: `default ${mb('vector')}M`, bitmap: `bitmap ${mb('bitmap')}M` }, 'bitmap', 'vector');
      console.log(`  ratio vector/bitmap: open ${pages.open.toFixed(2)} (target <= ${TARGET}: ${verdict(pages.open)}), ` +
        `turn ${pages.turn.toFixed(2)} (target <= ${TARGET}: ${verdict(pages.turn)})`);
      const fonts = report('fonts: text200.pdf, pages importing the font library against pages with their own fonts (baseline)',
        results, { vector: `library ${mb('vector')}M`, ownFonts: `own fonts ${mb('ownFonts')}M` }, 'ownFonts', 'vector');
      console.log(`  ratio library/own fonts: open ${fonts.open.toFixed(2)}, turn ${fonts.turn.toFixed(2)} (target: no slower, <= 1.0 within noise)`);
      console.log('  (M = MiB of page files in data/; a turn includes its 650 ms animation; frames painted during');
      console.log('   the turn and the longest gap between two in ms; back: ms of a turn back to pages drawn before)');
      console.log();
    }
    if (wanted('overview')) {
      console.log('overview: opened from the panel and paged down to the end (baseline: the 10-page book)');
      console.log('  book         open ms (median)  to the end ms (median)  after the last key ms  peak memory MiB (median)');
      const med = (key, field) => median(overview[key].map((r) => r[field]));
      for (const key of [10, 1000]) {
        console.log(`  ${`${key} pages`.padEnd(11)}  ${String(med(key, 'open')).padStart(16)}  ${String(med(key, 'scroll')).padStart(22)}  ` +
          `${String(med(key, 'catchUp')).padStart(20)}  ${med(key, 'memory').toFixed(1).padStart(24)}`);
      }
      console.log(`  ratio 1000/10: open ${(med(1000, 'open') / med(10, 'open')).toFixed(2)}, ` +
        `peak memory ${(med(1000, 'memory') / med(10, 'memory')).toFixed(2)}`);
      console.log('  (paging down presses Page Down every 150 ms; after the last key: until the last row\'s thumbnails are');
      console.log('   drawn; memory: the player\'s WebAssembly memory plus the JavaScript heap, sampled while paging down)');
      console.log();
    }
    if (wanted('search')) search.reportSearch(searchResults, indexBytes);
    if (wanted('cover')) {
      const coverBrowser = await h.launch();
      await coverComparison(coverBrowser, pdfs, work);
      await coverBrowser.close();
    }
  } finally {
    fs.rmSync(work, { recursive: true, force: true });
  }
}

main().catch((err) => { console.error(err); process.exit(1); });
