// Viewer speed: time from navigation to the first page visible, and for one page turn, for a 10-page
// and a 1,000-page book made by the real tool from colours.pdf, in headless Chromium with Ruffle's
// canvas renderer. The 10-page book is the baseline; the target is 1000/10 <= 1.2 for opening.
// Usage: node bench/viewer/benchmark.js BUILD_DIR [--runs N]
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');

const buildDir = path.resolve(process.argv[2] || 'build');
const runsAt = process.argv.indexOf('--runs');
const runs = runsAt > 0 ? Number(process.argv[runsAt + 1]) : 7;
process.env.VIEWER_NODE_MODULES = process.env.VIEWER_NODE_MODULES || path.join(buildDir, 'viewer', 'node_modules');
const h = require(path.join(__dirname, '..', '..', 'tests', 'viewer', 'harness.js'));

// A book whose page list names `count` pages, cycling through the real page files of `source`.
function bookOfSize(source, target, count) {
  fs.cpSync(source, target, { recursive: true });
  const listPath = path.join(target, 'data', 'pages.xml');
  const list = fs.readFileSync(listPath, 'utf8');
  const headLine = list.split('\n')[0];
  const files = [...list.matchAll(/<page src='([^']+)'\/>/g)].map((m) => m[1]);
  const lines = [];
  for (let i = 0; i < count; i++) lines.push(`<page src='${files[i % files.length]}'/>`);
  fs.writeFileSync(listPath, `${headLine}\n${lines.join('\n')}\n</content>`);
  return target;
}

async function measure(browser, server) {
  const { page, lines } = await h.openPage(browser.context, { canvas: true });
  const started = Date.now();
  await page.goto(server.url + 'index.html');
  await h.waitForLine(page, lines, /page 1 shown/);
  const open = Date.now() - started;
  await page.mouse.click(6, 6);
  await page.waitForTimeout(300);
  const from = lines.length;
  const turnStarted = Date.now();
  await page.keyboard.press('ArrowRight');
  await h.waitForLine(page, lines, /page 3 shown/, from);
  const turn = Date.now() - turnStarted;
  await page.close();
  return { open, turn };
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const mid = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
}

async function main() {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'viewer-bench-'));
  try {
    const made = h.makeBook(buildDir, path.join(buildDir, 'testpdfs', 'colours.pdf'), path.join(work, 'made'));
    const books = { 10: bookOfSize(made, path.join(work, 'book10'), 10), 1000: bookOfSize(made, path.join(work, 'book1000'), 1000) };
    const servers = { 10: await h.serve(books[10]), 1000: await h.serve(books[1000]) };
    const browser = await h.launch();
    const results = { 10: [], 1000: [] };
    await measure(browser, servers[10]); // warm-up: Ruffle's wasm compiled once for both
    for (let run = 0; run < runs; run++) {
      for (const size of run % 2 ? [1000, 10] : [10, 1000]) results[size].push(await measure(browser, servers[size]));
    }
    await browser.close();
    for (const s of Object.values(servers)) await s.close();

    console.log(`viewer benchmark: ${runs} runs per book, canvas renderer, headless Chromium`);
    console.log('book         open ms (each run)                      median   turn ms median');
    const medians = {};
    for (const size of [10, 1000]) {
      const opens = results[size].map((r) => r.open);
      const turns = results[size].map((r) => r.turn);
      medians[size] = { open: median(opens), turn: median(turns) };
      console.log(`${String(size).padStart(4)} pages   ${opens.join(' ').padEnd(40)} ${String(medians[size].open).padStart(6)}   ${String(medians[size].turn).padStart(6)}`);
    }
    const openRatio = medians[1000].open / medians[10].open;
    const turnRatio = medians[1000].turn / medians[10].turn;
    console.log(`ratio 1000/10 (baseline: the 10-page book): open ${openRatio.toFixed(2)}, turn ${turnRatio.toFixed(2)}; target open <= 1.2: ${openRatio <= 1.2 ? 'met' : 'NOT met'}`);
  } finally {
    fs.rmSync(work, { recursive: true, force: true });
  }
}

main().catch((err) => { console.error(err); process.exit(1); });
