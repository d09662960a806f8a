// Start-up of a book for a reader with an empty cache, in headless Chromium with Chromium's own network
// emulation: bytes fetched, the time to the cover poster, to the first page the player draws, and to a
// turn asked for at once, for the book as it was laid out before the compressed player and the previews
// (its index.html from commit BASELINE_COMMIT, the player's plain modules) and as it is now; then the
// second book of a site whose books share one player folder, against a warm visit of the same book.
'use strict';
const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');

// The last commit before the compressed player, the early fetches and the previews.
const BASELINE_COMMIT = '3982070';
const NETWORKS = {
  loopback: null,
  'fast-4g': { latency: 60, downloadThroughput: (9e6 / 8), uploadThroughput: (1.5e6 / 8) },
  '3g': { latency: 300, downloadThroughput: (1.6e6 / 8), uploadThroughput: (750e3 / 8) },
};
// The book of `made` as it was laid out before: the baseline's index.html, the plain player modules.
function baselineBook(made, target, repoDir, ruffleDir, ruffleUrl) {
  fs.cpSync(made, target, { recursive: true });
  const page = execFileSync('git', ['-C', repoDir, 'show', `${BASELINE_COMMIT}:viewer/index.html.in`]).toString();
  fs.writeFileSync(path.join(target, 'index.html'), page.replace('@RUFFLE_URL@', ruffleUrl));
  fs.rmSync(path.join(target, 'ruffle'), { recursive: true });
  fs.mkdirSync(path.join(target, 'ruffle'));
  for (const name of fs.readdirSync(ruffleDir)) {
    if (/\.(js|wasm)$|^LICENSE/.test(name)) fs.copyFileSync(path.join(ruffleDir, name), path.join(target, 'ruffle', name));
  }
  return target;
}

// Marks, in the page's own clock from navigation: the poster shown, the first page drawn by the
// player, and pages 2-3 shown (as previews, or by the player).
function instrument() {
  const marks = (window.benchMarks = {});
  const log = console.log;
  let asked = false;
  const shown = new Set();
  console.log = function (...args) {
    const text = String(args[0]);
    const now = performance.now();
    if (!marks.page && /^quavelin: page \d+ shown/.test(text)) marks.page = now;
    if (/^quavelin: showing 2-3 \//.test(text)) asked = true;
    const page = /^quavelin: page ([23]) shown/.exec(text);
    if (asked && page) shown.add(page[1]);
    if (asked && shown.size === 2 && !marks.turned) marks.turned = now;
    return log.apply(this, args);
  };
  const watch = () => {
    const now = performance.now();
    const poster = document.getElementById('poster');
    if (!marks.poster && poster && poster.style.display === 'block' && poster.complete) marks.poster = now;
    const previews = Array.from(document.querySelectorAll('#cover .preview'))
      .filter((p) => p.style.display === 'block' && p.complete && /preview[23]\.jpg$/.test(p.src));
    if (!marks.turned && previews.length === 2) marks.turned = now;
    if (!(marks.page && marks.turned)) requestAnimationFrame(watch);
  };
  requestAnimationFrame(watch);
}

// One visit: the page opened over `network`, a click on the right-hand page as soon as the poster shows
// (or after 300 ms); the bytes are what arrived before
// the first page.
async function visit(h, browser, server, address, network, cold) {
  const emulate = async ({ page }) => {
    const cdp = await browser.context.newCDPSession(page);
    await cdp.send('Network.enable');
    if (cold) await cdp.send('Network.clearBrowserCache');
    if (network) await cdp.send('Network.emulateNetworkConditions', { offline: false, ...network });
    await page.addInitScript(instrument);
  };
  const session = await h.openBook(browser, server.root, { server, address, routeCdn: false, waitFor: null,
    timeout: 300000, prepare: emulate });
  try {
    return await firstPageAndTurn(session.page, server.url + address);
  } finally {
    await session.close();
  }
}

// Clicks the right-hand page until a turn is asked for and waits for the first page and the turn.
async function firstPageAndTurn(page, url) {
  const marks = () => page.evaluate(() => window.benchMarks || {});
  const started = Date.now();
  let pressed = 0;
  for (;;) {
    const m = await marks();
    if (m.page && m.turned) break;
    if (Date.now() - started > 300000) throw new Error(`${url}: no first page within 300 s: ${JSON.stringify(m)}`);
    const turnAsked = await page.evaluate(() => /page=2/.test(window.location.hash) || !!(window.benchMarks || {}).turned);
    const ready = m.poster || Date.now() - started > 300;
    if (ready && !turnAsked && Date.now() - pressed > 500) {
      const size = page.viewportSize();
      await page.mouse.click(size.width * 0.75, size.height / 2);
      pressed = Date.now();
    }
    await page.waitForTimeout(40);
  }
  const m = await marks();
  const fetched = await page.evaluate((until) => performance.getEntries()
    .filter((e) => (e.entryType === 'navigation' || e.entryType === 'resource') && e.responseEnd <= until)
    .map((e) => ({ name: e.name, bytes: e.transferSize, body: e.encodedBodySize })), m.page);
  const sum = (list) => list.reduce((s, e) => s + e.bytes, 0);
  // What crossed the network for the player: nothing for a file the cache had, headers for a 304.
  const player = fetched.filter((e) => /\/(ruffle|player)\//.test(e.name));
  return { poster: m.poster ? Math.round(m.poster) : null, page: Math.round(m.page), turned: Math.round(m.turned),
    bytes: sum(fetched), playerBytes: sum(player) };
}

const median = (values) => {
  const sorted = values.filter((v) => v !== null).sort((a, b) => a - b);
  return sorted.length ? sorted[Math.floor((sorted.length - 1) / 2)] : null;
};

async function compareStartup(h, browser, made, work, options) {
  const { repoDir, ruffleDir, ruffleUrl, runs } = options;
  const books = { before: baselineBook(made, path.join(work, 'before'), repoDir, ruffleDir, ruffleUrl), now: made };
  const site = path.join(work, 'site');
  fs.mkdirSync(site);
  fs.cpSync(path.join(made, 'ruffle'), path.join(site, 'player'), { recursive: true });
  for (const name of ['first', 'second']) h.makeBook(options.buildDir, options.pdf, path.join(site, name), ['-player', '../player/']);
  // A static server as a publisher would have one: files as they are, cacheable, with validators.
  const serve = (root) => h.serve(root, { cacheable: true });
  const servers = { before: await serve(books.before), now: await serve(books.now), site: await serve(site) };
  console.log(`start-up: colours.pdf (12 pages), empty cache; a click on the cover when the poster shows, again every 500 ms`);
  console.log(`  baseline: the layout of commit ${BASELINE_COMMIT} (plain player modules, no previews, no early fetches)`);
  console.log('  network    layout  runs  MB before page 1  poster ms  first page ms  turn done ms');
  const results = {};
  for (const network of Object.keys(NETWORKS)) {
    const count = network === '3g' ? 1 : runs;
    for (const layout of ['before', 'now']) results[`${network}/${layout}`] = [];
    for (let run = 0; run < count; run++) {
      for (const layout of run % 2 ? ['now', 'before'] : ['before', 'now']) {
        results[`${network}/${layout}`].push(await visit(h, browser, servers[layout], 'index.html', NETWORKS[network], true));
      }
    }
    for (const layout of ['before', 'now']) {
      const r = results[`${network}/${layout}`];
      const med = (field) => median(r.map((x) => x[field]));
      console.log(`  ${network.padEnd(9)}  ${layout.padEnd(6)}  ${String(r.length).padStart(4)}  ${(med('bytes') / 1e6).toFixed(2).padStart(16)}  ` +
        `${String(med('poster') ?? '-').padStart(9)}  ${String(med('page')).padStart(13)}  ${String(med('turned')).padStart(12)}`);
    }
    const ratio = (field) => (median(results[`${network}/now`].map((x) => x[field])) /
      median(results[`${network}/before`].map((x) => x[field]))).toFixed(2);
    console.log(`  ${network}: now/before first page ${ratio('page')}, turn ${ratio('turned')}, bytes ${ratio('bytes')}`);
  }
  const fast = (field) => median(results['fast-4g/now'].map((x) => x[field]));
  console.log(`  targets on fast-4g: turn within 2000 ms: ${fast('turned') <= 2000 ? 'met' : 'NOT met'} (${fast('turned')}), ` +
    `first page at most 8000 ms: ${fast('page') <= 8000 ? 'met' : 'NOT met'} (${fast('page')}), ` +
    `at most 6 MB before it: ${fast('bytes') <= 6e6 ? 'met' : 'NOT met'} (${(fast('bytes') / 1e6).toFixed(2)})`);
  console.log();

  // A site: the first book opened cold, then the second (its player from the cache); the baseline is
  // the second book opened cold and then again (warm). Either way the player's module is used for
  // the second time, which the browser compiles again (it keeps compiled code from the third on).
  // And warm visits of one book, before and now.
  console.log('shared player: the second book of a site after the first, against a warm visit of that book (fast-4g)');
  const second = [], warmSecond = [], warm = { before: [], now: [] };
  for (let run = 0; run < runs; run++) {
    await visit(h, browser, servers.site, 'first/index.html', NETWORKS['fast-4g'], true);
    second.push(await visit(h, browser, servers.site, 'second/index.html', NETWORKS['fast-4g'], false));
    await visit(h, browser, servers.site, 'second/index.html', NETWORKS['fast-4g'], true);
    warmSecond.push(await visit(h, browser, servers.site, 'second/index.html', NETWORKS['fast-4g'], false));
    for (const layout of ['before', 'now']) {
      await visit(h, browser, servers[layout], 'index.html', NETWORKS['fast-4g'], true);
      warm[layout].push(await visit(h, browser, servers[layout], 'index.html', NETWORKS['fast-4g'], false));
    }
  }
  const med = (list, field) => median(list.map((x) => x[field]));
  console.log(`  second book after the first: first page ${med(second, 'page')} ms, player bytes fetched ${med(second, 'playerBytes')}`);
  console.log(`  warm visit of the second book alone: first page ${med(warmSecond, 'page')} ms`);
  console.log(`  ratio second/warm: ${(med(second, 'page') / med(warmSecond, 'page')).toFixed(2)} (target <= 1.2: ` +
    `${med(second, 'page') <= 1.2 * med(warmSecond, 'page') ? 'met' : 'NOT met'}), no player bytes: ${med(second, 'playerBytes') < 4096 ? 'met' : 'NOT met'} (headers of revalidations at most)`);
  console.log(`  warm visit of one book: before ${med(warm.before, 'page')} ms, now ${med(warm.now, 'page')} ms, ` +
    `ratio now/before ${(med(warm.now, 'page') / med(warm.before, 'page')).toFixed(2)} (not slower: ${med(warm.now, 'page') <= med(warm.before, 'page') * 1.05 ? 'met' : 'NOT met'})`);
  for (const s of Object.values(servers)) await s.close();
}

module.exports = { compareStartup };
