// Fidelity of page files at their own size: every page of vector.pdf and gradients.pdf, two of
// sample.pdf and the quirk files, converted by swfsdk.dll and played alone by Ruffle, must look like
// MuPDF's raster of the same page; and the same measure must tell the real pages from
// vector-controls.pdf's copies with one defect each.
// Screenshots, rasters and difference maps go to FIDELITY_ARTIFACTS.
'use strict';
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const path = require('path');
const f = require('./fidelity.js');

// 4x4-pixel blocks after a 3x3 blur. A page passes when its blocks differ by no more than
// kMaxMeanDiff levels on average and no more than kMaxBadShare of them by more than kBadLevels.
const kBlock = 4;
const kBadLevels = 40;
const kMaxMeanDiff = 2;
const kMaxBadShare = 0.001;

// vector-controls.pdf's pages: which real page each copies, and what it lost.
const CONTROLS = [
  { control: 1, page: 'standard-font', defect: 'one glyph missing' },
  { control: 2, page: 'render-modes', defect: 'the text clip of render mode 7 lost' },
  { control: 3, page: 'fill-rules', defect: 'even-odd star filled nonzero' },
  { control: 4, page: 'nested-clips', defect: 'inner even-odd clip lost' },
  { control: 5, page: 'blend-multiply', defect: 'normal blending instead of multiply' },
];

// Pages whose defects are known and reported to the converter's owner: they run and report, but do
// not fail the run until fixed (FIDELITY_STRICT=1 fails them too). Key: renderer/page.
const KNOWN_DEFECTS = {
  'canvas/dashed-strokes': 'miter joins lose their points in the canvas renderer',
};

let work;
let entries;
const scoreLines = [];

before(() => {
  work = f.makeWork();
  entries = f.pagesToCompare(work);
});

after(() => {
  if (scoreLines.length) {
    fs.writeFileSync(path.join(f.artifacts, 'similarity-scores.txt'), scoreLines.join('\n') + '\n');
  }
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

function passes(result) {
  return result.meanDiff <= kMaxMeanDiff && result.badShare <= kMaxBadShare;
}

function describe(result) {
  return `mean difference ${result.meanDiff.toFixed(2)} (at most ${kMaxMeanDiff}), ` +
    `blocks past ${kBadLevels} levels ${(result.badShare * 100).toFixed(2)}% (at most ${kMaxBadShare * 100}%)`;
}

async function checkPage(player, entry, played) {
  const shot = await f.play(player, entry, 1);
  assert.deepEqual([shot.stage.width, shot.stage.height], [entry.width, entry.height], 'stage size');
  const image = f.decodePng(shot.png);
  const reference = f.raster(work, entry.pdf, entry.number, entry.width, entry.height);
  const result = f.compare(image, reference, { block: kBlock, badLevels: kBadLevels });
  const stem = `${player.renderer}-${entry.name}`;
  f.saveArtifact(`${stem}-played.png`, shot.png);
  f.saveArtifact(`${stem}-mupdf.png`, f.pngOf(reference));
  const diff = f.saveArtifact(`${stem}-diff.png`, f.diffPng(result));
  scoreLines.push(`${stem}: ${describe(result)}`);
  played[entry.name] = image;
  assert.ok(passes(result), `${stem}: ${describe(result)}; see ${diff}`);
}

function checkControls(renderer, played) {
  const controlsPdf = path.join(process.env.QUAVELIN_TEST_PDF_DIR, 'vector-controls.pdf');
  const unnoticed = [];
  for (const c of CONTROLS) {
    const image = played[c.page];
    assert.ok(image, `${c.page} was played`);
    const reference = f.raster(work, controlsPdf, c.control, image.width, image.height);
    const result = f.compare(image, reference, { block: kBlock, badLevels: kBadLevels });
    scoreLines.push(`${renderer}-${c.page} against a copy with ${c.defect}: ${describe(result)}`);
    f.saveArtifact(`${renderer}-control-${c.page}-diff.png`, f.diffPng(result));
    if (passes(result)) unnoticed.push(`${c.page} with ${c.defect}: ${describe(result)}`);
  }
  assert.deepEqual(unnoticed, [], 'copies with a defect passed for the real pages');
}

for (const renderer of f.RENDERERS) {
  test(`${renderer.name}: each page looks like MuPDF's raster`, async (t) => {
    const player = await f.launchPlayer(work, renderer);
    try {
      const probe = await f.play(player, entries[0], 1);
      if (probe.renderer !== renderer.name) {
        t.skip(`Ruffle used the ${probe.renderer} renderer: no ${renderer.name} in this browser`);
        return;
      }
      const played = {};
      for (const entry of entries) {
        await t.test(entry.name, { todo: f.knownDefect(KNOWN_DEFECTS, renderer.name, entry.name) },
          () => checkPage(player, entry, played));
      }
      await t.test('pages with a defect do not pass', () => checkControls(renderer.name, played));
    } finally {
      await player.close();
    }
  });
}
