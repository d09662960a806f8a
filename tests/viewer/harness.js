// Shared by the viewer's browser tests and its benchmark: a static server for a book folder on
// 127.0.0.1, headless Chromium through playwright-core with Ruffle served from the npm package in place
// of its CDN address, console capture, a book opened in a tab and its layout read back from the log,
// and pixel reading from screenshots.
'use strict';
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const { execFileSync } = require('child_process');

const nodeModules = process.env.VIEWER_NODE_MODULES;
if (!nodeModules) throw new Error('VIEWER_NODE_MODULES is not set');
const { chromium } = require(path.join(nodeModules, 'playwright-core'));
const ruffleDir = path.join(nodeModules, '@ruffle-rs', 'ruffle');

const CHROMIUM_FLAGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.swf': 'application/x-shockwave-flash',
  '.xml': 'text/xml', '.wasm': 'application/wasm', '.json': 'application/json', '.jpg': 'image/jpeg' };

// The headers of a file as a static server sends it. `encoding` 'gz-files' sends a .gz file as its
// content with Content-Encoding: gzip (as Apache does), 'all' compresses every response on the fly;
// `cacheable` lets the browser keep files a few minutes, with validators, where the tests want
// every request to reach the server.
function headersFor(file, stat, { encoding = 'none', cacheable = false }) {
  const typed = encoding === 'gz-files' ? file.replace(/\.gz$/, '') : file;
  const headers = { 'Content-Type': TYPES[path.extname(typed)] || 'application/octet-stream' };
  if (cacheable) Object.assign(headers, { 'Cache-Control': 'max-age=300', ETag: `"${stat.size}-${stat.mtimeMs}"`,
    'Last-Modified': stat.mtime.toUTCString() });
  else headers['Cache-Control'] = 'no-store';
  if ((encoding === 'gz-files' && file.endsWith('.gz')) || encoding === 'all') headers['Content-Encoding'] = 'gzip';
  return headers;
}

function serve(root, options = {}) {
  const server = http.createServer((req, res) => {
    const urlPath = decodeURIComponent(new URL(req.url, 'http://127.0.0.1').pathname);
    const file = path.resolve(path.join(root, urlPath === '/' ? '/index.html' : urlPath));
    if (!file.startsWith(path.resolve(root) + path.sep)) { res.writeHead(403); res.end(); return; }
    fs.stat(file, (statErr, stat) => fs.readFile(file, (err, data) => {
      if (statErr || err) { res.writeHead(404); res.end('not found'); return; }
      const headers = headersFor(file, stat, options);
      if (options.cacheable && req.headers['if-none-match'] === headers.ETag) { res.writeHead(304, headers); res.end(); return; }
      res.writeHead(200, headers);
      res.end(options.encoding === 'all' ? zlib.gzipSync(data, { level: 1 }) : data);
    }));
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
    root,
    url: `http://127.0.0.1:${server.address().port}/`,
    // Chromium keeps idle connections open, which would hold close() forever.
    close: () => new Promise((done) => { server.close(done); server.closeAllConnections(); }),
  })));
}

async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'viewer-profile-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium', args: CHROMIUM_FLAGS, headless: true,
    viewport: { width: 1280, height: 800 },
  });
  return {
    context,
    close: async () => { await context.close(); fs.rmSync(profile, { recursive: true, force: true }); },
  };
}

// Any request to a Ruffle CDN address is answered from the npm package.
async function routeRuffle(page) {
  await page.route(/\/@ruffle-rs\/ruffle@[^/]+\/(.+)$/, (route) => {
    const name = new URL(route.request().url()).pathname.split('/').pop();
    const file = path.join(ruffleDir, name);
    if (!fs.existsSync(file)) return route.fulfill({ status: 404, body: 'not in the package' });
    const type = TYPES[path.extname(file)] || 'application/octet-stream';
    return route.fulfill({ status: 200, contentType: type, body: fs.readFileSync(file) });
  });
}

// Opens a page that records console lines and page errors.
async function openPage(context, options = {}) {
  const page = await context.newPage();
  const lines = [];
  const errors = [];
  page.on('console', (msg) => {
    lines.push(msg.text());
    if (msg.type() === 'error') errors.push(msg.text());
  });
  page.on('pageerror', (err) => errors.push(String(err)));
  if (options.canvas) {
    // Keeps the page's own config object but makes Ruffle draw with its canvas renderer.
    await page.addInitScript(() => {
      const holder = {};
      Object.defineProperty(window, 'RufflePlayer', {
        configurable: true,
        get: () => holder.value,
        set: (value) => {
          holder.value = value;
          const config = value.config || {};
          let current = Object.assign({}, config, { preferredRenderer: 'canvas' });
          Object.defineProperty(value, 'config', {
            configurable: true,
            get: () => current,
            set: (next) => { current = Object.assign({}, next, { preferredRenderer: 'canvas' }); },
          });
        },
      });
    });
  }
  // A routed page gets no HTTP cache: a benchmark of warm visits asks for none.
  if (options.routeCdn !== false) await routeRuffle(page);
  return { page, lines, errors };
}

// Waits until a console line matching `pattern` appears after index `from`.
async function waitForLine(page, lines, pattern, from = 0, timeout = 30000) {
  const start = Date.now();
  for (;;) {
    for (let i = from; i < lines.length; i++) if (pattern.test(lines[i])) return i;
    if (Date.now() - start > timeout) {
      throw new Error(`no console line ${pattern} within ${timeout} ms; got:\n${lines.slice(from).join('\n')}`);
    }
    await page.waitForTimeout(50);
  }
}

// ---- books in a tab --------------------------------------------------------------------------

// How long the player's first start may take on a busy machine.
const PLAYER_MS = 90000;
// The viewer's margin around the pages and the height of its panel (viewer/src/views/Layout.hx, panel/Panel.hx).
const MARGIN = 16;
const PANEL = 44;

// Opens a book in a new tab of `browser` and waits for the viewer: serves `root` (or uses the running
// `server`, which stays open), opens index.html (`address` below the root, `hash` after it, or the
// absolute `url`) and waits up to `timeout` for a log line matching `waitFor` (none when null), then
// dismisses Ruffle's one-time notices with a hover and a click on the bare backdrop, which the viewer
// ignores. `prepare(session)` runs before the navigation; `hold` keeps the player's script back until
// session.release(); `refuseOutside` fails every request that leaves 127.0.0.1, as on a server without
// internet access. The session's close() closes the tab and the server it started; a book that fails to
// open is closed before the error goes on, so that it cannot keep the test run alive.
async function openBook(browser, root, options = {}) {
  const o = { address: 'index.html', hash: '', canvas: true, waitFor: /page \d+ shown/, timeout: PLAYER_MS, dismiss: true };
  for (const [name, value] of Object.entries(options)) if (value !== undefined) o[name] = value;
  const server = o.server || await serve(root, o.serve);
  const session = { server, book: path.join(root, path.dirname(o.address)), requests: [], release: () => {} };
  let loaded = Promise.resolve();
  session.close = async () => {
    session.release();
    await loaded.catch(() => {});
    try {
      if (session.page) await session.page.close();
    } finally {
      if (!o.server) await server.close();
    }
  };
  try {
    Object.assign(session, await openPage(browser.context, { canvas: o.canvas, routeCdn: o.routeCdn }));
    await prepareTab(browser, session, o);
    session.navigatedAt = Date.now();
    loaded = session.page.goto(o.url || server.url + o.address + o.hash, { waitUntil: 'commit', timeout: o.timeout });
    await loaded;
    if (o.waitFor) {
      await waitForLine(session.page, session.lines, o.waitFor, 0, o.timeout);
      session.shownAt = Date.now();
      if (o.dismiss) await dismissNotices(session.page);
    }
    session.layout = readLayout(session);
  } catch (error) {
    await session.close();
    throw error;
  }
  return session;
}

async function prepareTab(browser, session, o) {
  const { page } = session;
  const { requests } = session;
  page.on('request', (request) => requests.push(request.url()));
  if (o.refuseOutside) await page.route((url) => url.hostname !== '127.0.0.1', (route) => route.abort());
  if (o.hold) {
    const held = new Promise((resolve) => { session.release = resolve; });
    await page.route(/ruffle\.js$/, async (route) => { await held; await route.continue(); });
  }
  if (o.viewport) await page.setViewportSize(o.viewport);
  session.viewport = page.viewportSize();
  if (o.touch) {
    session.cdp = await browser.context.newCDPSession(page);
    await session.cdp.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
  }
  if (o.prepare) await o.prepare(session);
}

async function dismissNotices(page) {
  await page.mouse.move(6, 6);
  await page.mouse.click(6, 6);
  await page.waitForTimeout(200);
}

// The last of `lines` that matches `pattern`.
function lastLine(lines, pattern) {
  for (let i = lines.length - 1; i >= 0; i--) if (pattern.test(lines[i])) return lines[i];
  return undefined;
}

// The controls a layout or menu line gives: name -> {x, y, width, height} (centre and size), and the
// counter's box {left, top, right, bottom} apart, as `counter`.
function controlsOf(line) {
  const controls = {};
  let counter;
  for (const m of line.matchAll(/(\w+)=(-?\d+),(-?\d+),(-?\d+),(-?\d+)/g)) {
    const [a, b, c, d] = m.slice(2).map(Number);
    if (m[1] === 'counter') counter = { left: a, top: b, right: c, bottom: d };
    else controls[m[1]] = { x: a, y: b, width: c, height: d };
  }
  return { controls, counter };
}

// Where the viewer last laid the book out, from its last layout line and the page list: the window's
// size, spreads or single pages, the panel's controls, and where the points of a page lie on screen,
// worked out as the viewer does. Only the size where no layout line has come.
function readLayout(session) {
  const size = session.page.viewportSize();
  const logged = lastLine(session.lines, /quavelin: layout \d+x\d+/);
  if (!logged) return { size };
  const spread = / spreads /.test(logged);
  const { controls, counter } = controlsOf(logged);
  const listPath = path.join(session.book, 'data', 'pages.xml');
  const list = fs.existsSync(listPath) ? fs.readFileSync(listPath, 'utf8') : '';
  const pw = Number((/width='([^']+)'/.exec(list) || [])[1]);
  const ph = Number((/height='([^']+)'/.exec(list) || [])[1]);
  if (!(pw > 0 && ph > 0)) return { size, spread, controls, counter };
  const areaW = size.width - 2 * MARGIN;
  const areaH = size.height - PANEL - 2 * MARGIN;
  const fit = Math.min(areaW / (spread ? 2 * pw : pw), areaH / ph);
  const spine = spread ? size.width / 2 : size.width / 2 - (pw * fit) / 2;
  const top = MARGIN + (areaH - ph * fit) / 2;
  const left = (side) => (side === 'left' ? spine - pw * fit : spine);
  return {
    size, spread, controls, counter, fit, pw, ph, pageWidth: pw * fit,
    // A point of the right- or left-hand page as fractions of its width and height from its top-left
    // corner, and one in the page's own units.
    at: (side, fx, fy) => ({ x: left(side) + fx * pw * fit, y: top + fy * ph * fit }),
    atPoint: (side, x, y) => ({ x: left(side) + x * fit, y: top + y * fit }),
  };
}

// ---- pixels ---------------------------------------------------------------------------------

// Decodes the 8-bit RGB(A) PNG that Chromium's screenshots are.
function decodePng(buffer) {
  let pos = 8;
  let width = 0, height = 0, channels = 4;
  const parts = [];
  while (pos < buffer.length) {
    const length = buffer.readUInt32BE(pos);
    const type = buffer.toString('ascii', pos + 4, pos + 8);
    const data = buffer.subarray(pos + 8, pos + 8 + length);
    if (type === 'IHDR') {
      width = data.readUInt32BE(0);
      height = data.readUInt32BE(4);
      channels = data[9] === 6 ? 4 : 3;
      if (data[8] !== 8 || (data[9] !== 6 && data[9] !== 2)) throw new Error('unexpected PNG format');
    } else if (type === 'IDAT') parts.push(data);
    pos += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(parts));
  const stride = width * channels;
  const pixels = Buffer.alloc(width * height * 3);
  const previous = Buffer.alloc(stride);
  const line = Buffer.alloc(stride);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    raw.copy(line, 0, y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; i++) {
      const a = i >= channels ? line[i - channels] : 0;
      const b = previous[i];
      const c = i >= channels ? previous[i - channels] : 0;
      let add = 0;
      if (filter === 1) add = a;
      else if (filter === 2) add = b;
      else if (filter === 3) add = (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c;
        const pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        add = pa <= pb && pa <= pc ? a : (pb <= pc ? b : c);
      }
      line[i] = (line[i] + add) & 0xff;
    }
    line.copy(previous);
    for (let x = 0; x < width; x++) {
      for (let k = 0; k < 3; k++) pixels[(y * width + x) * 3 + k] = line[x * channels + k];
    }
  }
  return { width, height, pixels };
}

function pixel(image, x, y) {
  const i = (Math.round(y) * image.width + Math.round(x)) * 3;
  return [image.pixels[i], image.pixels[i + 1], image.pixels[i + 2]];
}

function near(a, b, tolerance = 24) {
  return Math.abs(a[0] - b[0]) <= tolerance && Math.abs(a[1] - b[1]) <= tolerance && Math.abs(a[2] - b[2]) <= tolerance;
}

// The share of pixels (0..1) within `tolerance` of `rgb`, sampled on a grid inside a box.
function share(image, rgb, box = { x: 0, y: 0, width: image.width, height: image.height }, tolerance = 24) {
  let hits = 0, total = 0;
  for (let y = box.y; y < box.y + box.height; y += 3) {
    for (let x = box.x; x < box.x + box.width; x += 3) {
      total++;
      if (near(pixel(image, x, y), rgb, tolerance)) hits++;
    }
  }
  return total ? hits / total : 0;
}

// How many pixels of a box lie within `tolerance` of `rgb`.
function count(image, rgb, box, tolerance = 40) {
  let hits = 0;
  for (let y = box.y; y < box.y + box.height; y++) {
    for (let x = box.x; x < box.x + box.width; x++) if (near(pixel(image, x, y), rgb, tolerance)) hits++;
  }
  return hits;
}

function hexColour(text) {
  const n = parseInt(text, 16);
  return [(n >> 16) & 0xff, (n >> 8) & 0xff, n & 0xff];
}

// ---- books ----------------------------------------------------------------------------------

// Copies the tool, the page converter, the three templates and the player folder into a fresh program
// folder (as an installation lays them out) and runs the tool on a PDF.
function makeBook(buildDir, pdf, outDir, options = []) {
  const program = fs.mkdtempSync(path.join(os.tmpdir(), 'viewer-program-'));
  const copies = [
    [path.join(buildDir, 'src', 'quavelin'), 'quavelin'],
    [path.join(buildDir, 'pageconv', 'swfsdk.dll'), 'swfsdk.dll'],
    ...['index.html', 'book.swf', 'swfobject.js'].map((n) => [path.join(buildDir, 'viewer', 'templates', n), n]),
  ];
  for (const [from, name] of copies) {
    fs.copyFileSync(from, path.join(program, name));
    fs.chmodSync(path.join(program, name), 0o755);
  }
  fs.cpSync(path.join(buildDir, 'viewer', 'templates', 'ruffle'), path.join(program, 'ruffle'), { recursive: true });
  execFileSync(path.join(program, 'quavelin'), [pdf, outDir, ...options], { stdio: 'pipe' });
  fs.rmSync(program, { recursive: true, force: true });
  return outDir;
}

// A copy of a book whose pages are converted again without the font library (no -L): each page
// defines its own fonts, as a baseline for the pages that import the book's.
function bookWithOwnFonts(buildDir, book, pdf, folder) {
  fs.cpSync(book, folder, { recursive: true });
  const data = path.join(folder, 'data');
  fs.rmSync(path.join(data, 'fonts.swf'), { force: true });
  const pages = fs.mkdtempSync(path.join(os.tmpdir(), 'viewer-own-fonts-'));
  execFileSync(path.join(buildDir, 'pageconv', 'swfsdk.dll'), [pdf, path.join(pages, 'p%.swf')]);
  for (const name of fs.readdirSync(data).filter((n) => /^test\d+\.swf$/.test(n))) {
    fs.copyFileSync(path.join(pages, `p${Number(name.slice(4, -4))}.swf`), path.join(data, name));
  }
  fs.rmSync(pages, { recursive: true, force: true });
  return folder;
}

// Page colours of colours.pdf, as `quavelin-pdfgen --colours` prints them: lines holding a page number
// and six hex digits.
function pageColours(buildDir) {
  const text = execFileSync(path.join(buildDir, 'pdfgen', 'quavelin-pdfgen'), ['--colours']).toString();
  const colours = {};
  for (const line of text.split('\n')) {
    const match = /^\s*(\d+)\s+#?([0-9a-fA-F]{6})\s*$/.exec(line);
    if (match) colours[Number(match[1])] = hexColour(match[2]);
  }
  return colours;
}

module.exports = {
  PLAYER_MS, MARGIN, PANEL, serve, launch, openPage, waitForLine, openBook, lastLine, controlsOf, readLayout,
  decodePng, pixel, near, share, count, hexColour, makeBook, bookWithOwnFonts, pageColours,
};
