// The search part of the viewer benchmark: a 1,000-page book with a synthetic index (about 300 words a
// page, some accented, as a dense manual has), and per run the time to read the index and prepare the
// search when the reader opens it, the time from typing a word to its hits listed and to the first hit
// marked on its page, for a rare word (one page) and a common one (more hits than the list keeps),
// against the time to turn one page of the same book, measured in the same session.
'use strict';
const fs = require('fs');
const path = require('path');

const WORDS_PER_PAGE = 300;
const VOCABULARY = ('lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor incididunt ut labore ' +
  'et dolore magna aliqua enim ad minim veniam quis nostrud exercitation ullamco laboris nisi aliquip ex ea commodo ' +
  'consequat duis aute irure in reprehenderit voluptate velit esse cillum fugiat nulla pariatur excepteur sint ' +
  'occaecat cupidatat non proident sunt culpa qui officia deserunt mollit anim id est laborum café über naïve ' +
  'élève Ångström façade').split(' ');
const RARE = { word: 'Zéphyrus', page: 777 };
const COMMON = 'dolor';

// A small deterministic generator, so every run searches the same text.
function random(seed) {
  let state = seed;
  return () => { state = (state * 1103515245 + 12345) % 2147483648; return state / 2147483648; };
}

function syntheticIndex(pages, width, height) {
  const next = random(7);
  const text = [];
  for (let p = 1; p <= pages; p++) {
    const words = [];
    let x = 50, y = 60;
    for (let i = 0; i < WORDS_PER_PAGE; i++) {
      const word = p === RARE.page && i === 40 ? RARE.word : VOCABULARY[Math.floor(next() * VOCABULARY.length)];
      const w = Math.round(word.length * 6.2 * 10) / 10;
      if (x + w > width - 50) { x = 50; y += 14; }
      words.push([x, y, w, 11.5, word]);
      x = Math.round((x + w + 4) * 10) / 10;
    }
    text.push({ width, height, words });
  }
  const labels = Array.from({ length: pages }, (_, i) => String(i + 1));
  const outline = Array.from({ length: 50 }, (_, i) => ({ title: `Chapter ${i + 1}`, page: i * 20 + 1,
    children: [{ title: `Section ${i + 1}.1`, page: i * 20 + 5 }, { title: `Section ${i + 1}.2`, page: i * 20 + 12 }] }));
  return { version: 1, pages, labels, outline, text };
}

// Adds the index and the page list attributes the tool writes for it to a book of `pages` pages.
function addSyntheticIndex(book, pages) {
  const listPath = path.join(book, 'data', 'pages.xml');
  let list = fs.readFileSync(listPath, 'utf8');
  const width = Number(/width='([^']+)'/.exec(list)[1]);
  const height = Number(/height='([^']+)'/.exec(list)[1]);
  // The tool's own index attributes go first: an attribute given twice makes the list malformed.
  list = list.replace(/ (index|contents|search)='[^']*'/g, '');
  list = list.replace(/gotolabel='([^']*)'>/, (m) => `${m.slice(0, -1)} index='data/book.json' contents='true' search='true'>`);
  fs.writeFileSync(listPath, list);
  const file = path.join(book, 'data', 'book.json');
  fs.writeFileSync(file, JSON.stringify(syntheticIndex(pages, width, height)));
  return fs.statSync(file).size;
}

async function measureSearch(h, { page, lines }) {
  const since = async (pattern, from) => lines[await h.waitForLine(page, lines, pattern, from, 120000)];
  await page.mouse.click(6, 6);
  await page.waitForTimeout(300);
  let from = lines.length;
  let started = Date.now();
  await page.keyboard.press('ArrowRight');
  await since(/page 3 shown/, from);
  const turn = Date.now() - started;
  from = lines.length;
  started = Date.now();
  await page.keyboard.press('f');
  await since(/search ready in \d+ ms/, from);
  const ready = Date.now() - started;
  await page.waitForTimeout(300);
  const result = { turn, ready };
  for (const [key, word] of [['rare', RARE.word], ['common', COMMON]]) {
    await page.keyboard.press('Control+A');
    await page.keyboard.press('Backspace');
    await page.waitForTimeout(300);
    from = lines.length;
    started = Date.now();
    await page.keyboard.type(word);
    const listed = await since(new RegExp(`search "${word.toLowerCase().normalize('NFD').replace(/[\u0300-\u036f]/g, '')}": \\d+ hits`), from);
    result[`${key}Listed`] = Date.now() - started;
    result[`${key}Find`] = Number(/in (\d+) ms$/.exec(listed)[1]);
    await page.keyboard.press('Enter');
    const marked = await since(/hit 1 of \d+ marked on page (\d+)/, from);
    const target = Number(/on page (\d+)/.exec(marked)[1]);
    await since(new RegExp(`page ${target} shown`), from);
    result[`${key}Shown`] = Date.now() - started;
  }
  return result;
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const mid = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
}

function reportSearch(results, indexBytes) {
  const of = (field) => results.map((r) => r[field]);
  const row = (name, field) => console.log(`  ${name.padEnd(44)} ${of(field).join(' ').padEnd(36)} ${String(median(of(field))).padStart(6)}`);
  console.log(`search: a 1000-page book, ${WORDS_PER_PAGE} words a page, index ${(indexBytes / 2 ** 20).toFixed(1)} MiB ` +
    '(baseline: turning one page of the same book)');
  console.log('  ms                                           each run                             median');
  row('turn one page (baseline)', 'turn');
  row('open search: index read and search prepared', 'ready');
  row(`rare word typed: hits listed ("${RARE.word}")`, 'rareListed');
  row('  of which the search itself', 'rareFind');
  row('rare word: first hit marked and shown', 'rareShown');
  row(`common word typed: hits listed ("${COMMON}")`, 'commonListed');
  row('  of which the search itself', 'commonFind');
  row('common word: first hit marked and shown', 'commonShown');
  const turn = median(of('turn'));
  console.log(`  ratio to a turn: rare word listed ${(median(of('rareListed')) / turn).toFixed(2)}, shown ${(median(of('rareShown')) / turn).toFixed(2)}; ` +
    `common word listed ${(median(of('commonListed')) / turn).toFixed(2)}, shown ${(median(of('commonShown')) / turn).toFixed(2)}`);
  console.log('  (typing includes the 120 ms pause the field waits for after the last key; a hit shown includes the');
  console.log('   turn to its page; the index is read once, when the reader first opens search or contents)');
}

module.exports = { addSyntheticIndex, measureSearch, reportSearch };
