// Sharpness of page files when the viewer zooms: each page file played by Ruffle at four times its
// stage size must keep the edges of MuPDF's raster at that size (vector pages scale, bitmaps blur).
// Screenshots and rasters go to FIDELITY_ARTIFACTS, the scores to sharpness-scores.txt there.
'use strict';
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const path = require('path');
const f = require('./fidelity.js');

const kScale = 4;
// Edge energy (mean squared luminance step) of the played page over that of MuPDF's raster: about 1
// for vector pages, 0.3-0.5 for bitmap pages (-s bitmap), whose pixels the zoom spreads.
const kMinSharpness = 0.85;

// Pages whose defects are known and reported to the converter's owner: they run and report, but do
// not fail the run until fixed (FIDELITY_STRICT=1 fails them too). Key: renderer/page.
const kRasterRegion = 'come as a raster region, which blurs when zoomed';
const KNOWN_DEFECTS = {
  ...Object.fromEntries(['canvas', 'webgl'].flatMap((renderer) => [
    ['fill-rules', `the self-overlapping stars ${kRasterRegion}`],
    ['nested-clips', `the clipped bands ${kRasterRegion}`],
    ['soft-mask', `the soft-masked image and its fade ${kRasterRegion}`],
    ['blend-multiply', `the blended circles ${kRasterRegion}`],
    ['group-alpha', `the grouped squares ${kRasterRegion}`],
  ].map(([page, defect]) => [`${renderer}/${page}`, defect]))),
  'canvas/jpeg-image': 'the canvas renderer smooths the photograph where MuPDF shows its pixels',
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
    fs.writeFileSync(path.join(f.artifacts, 'sharpness-scores.txt'), scoreLines.join('\n') + '\n');
  }
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

async function checkPage(player, entry) {
  const shot = await f.play(player, entry, kScale);
  const image = f.decodePng(shot.png);
  const reference = f.raster(work, entry.pdf, entry.number, entry.width * kScale, entry.height * kScale);
  const stem = `${player.renderer}-${entry.name}-x${kScale}`;
  f.saveArtifact(`${stem}-played.png`, shot.png);
  f.saveArtifact(`${stem}-mupdf.png`, f.pngOf(reference));
  const sharpness = f.edgeEnergy(image) / f.edgeEnergy(reference);
  scoreLines.push(`${stem}: sharpness ${sharpness.toFixed(3)} (at least ${kMinSharpness})`);
  assert.ok(sharpness >= kMinSharpness,
    `${stem}: edge energy ${sharpness.toFixed(3)} of MuPDF's (at least ${kMinSharpness}); see ${f.artifacts}`);
}

for (const renderer of f.RENDERERS) {
  test(`${renderer.name}: each page stays sharp at ${kScale}x`, async (t) => {
    const player = await f.launchPlayer(work, renderer);
    try {
      const probe = await f.play(player, entries[0], 1);
      if (probe.renderer !== renderer.name) {
        t.skip(`Ruffle used the ${probe.renderer} renderer: no ${renderer.name} in this browser`);
        return;
      }
      for (const entry of entries) {
        await t.test(entry.name, { todo: f.knownDefect(KNOWN_DEFECTS, renderer.name, entry.name) },
          () => checkPage(player, entry));
      }
    } finally {
      await player.close();
    }
  });
}
