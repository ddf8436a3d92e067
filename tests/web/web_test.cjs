// web_test.cjs: the built site in headless Chromium, against the desktop program.
//
//   1. Frames: the page's test hook (?fps=10&frames=K&start=S) gives the
//      SHA-256 of every frame; the desktop program's --capture of the same
//      run gives PNGs; every digest must match, frame for frame.
//   2. A viewer's run: a key press starts the show, the canvas shows the
//      title scene, the AudioContext runs and the music is not silent, the
//      resampler interpolates exactly, and Escape ends the show with the
//      frame-rate report in the page.
//   3. Speed: the whole show at 60 fps through the hook, against the desktop
//      program's --benchmark CPU time, and the first frame's delay after the
//      key press. Both are reported, not checked: wall times on a busy
//      machine say nothing about the code. VUXA_WEB_SPEED_LIMIT=3 (a ratio)
//      makes them checks (ratio at most that; first frame within 2 s).
//   4. Size: index.html, vuxa.js, vuxa.wasm and vuxa.data at most 4 MB.
// Serves the site with Python's http.server on 127.0.0.1 and stops it at the
// end. Environment: WEB (default build-web), BUILD (default build).
'use strict';
const path = require('path');
const fs = require('fs');
const os = require('os');
const crypto = require('crypto');
const { spawn, spawnSync } = require('child_process');

const root = path.resolve(__dirname, '..', '..');
const web = path.resolve(root, process.env.WEB || 'build-web');
const build = path.resolve(root, process.env.BUILD || 'build');
const modules = path.join(web, 'node_modules');
const puppeteer = require(path.join(modules, 'puppeteer-core'));
const { PNG } = require(path.join(modules, 'pngjs'));
const speedLimit = Number(process.env.VUXA_WEB_SPEED_LIMIT || 0);

let failures = 0;
function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures++;
}

// A speed target: a check under VUXA_WEB_SPEED_LIMIT, otherwise a report.
function timing(ok, what) {
  if (speedLimit) check(ok, what);
  else console.log(`${ok ? 'met ' : 'MISS'} ${what}`);
}

// SHA-256 of each frame of a desktop capture, as 320x240 RGB bytes.
function nativeDigests(fps, start) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vuxa-web-test-'));
  const args = ['--capture', dir, '--fps', String(fps)];
  if (start) args.push('--start', String(start));
  const run = spawnSync(path.join(build, 'vuxa'), args, { encoding: 'utf8' });
  if (run.status !== 0) throw new Error(`vuxa ${args.join(' ')}: ${run.stderr}`);
  const names = fs.readdirSync(dir).filter(n => /^frame_\d+\.png$/.test(n)).sort();
  const digests = names.map(name => {
    const png = PNG.sync.read(fs.readFileSync(path.join(dir, name)));
    const rgb = Buffer.alloc(png.width * png.height * 3);
    for (let i = 0, j = 0; i < png.data.length; i += 4) {
      rgb[j++] = png.data[i]; rgb[j++] = png.data[i + 1]; rgb[j++] = png.data[i + 2];
    }
    return crypto.createHash('sha256').update(rgb).digest('hex');
  });
  fs.rmSync(dir, { recursive: true, force: true });
  return digests;
}

function nativeCpuSeconds() {
  const run = spawnSync(path.join(build, 'vuxa'), ['--benchmark'], { encoding: 'utf8' });
  const m = /CPU time: ([\d.]+) s/.exec(run.stdout || '');
  if (!m) throw new Error('vuxa --benchmark gave no CPU time: ' + run.stdout + run.stderr);
  return Number(m[1]);
}

async function hookRun(browser, base, query, timeoutMs) {
  const page = await browser.newPage();
  const t0 = Date.now();
  await page.goto(`${base}/?${query}`);
  await page.waitForFunction(() => document.title === 'done', { timeout: timeoutMs, polling: 200 });
  const seconds = (Date.now() - t0) / 1000;
  const digests = await page.evaluate(() => window.vuxaFrameDigests);
  const boxed = await page.evaluate(() => window.vuxaReport !== undefined);
  await page.close();
  return { digests, seconds, boxed };
}

function compare(name, web, native) {
  let first = -1;
  for (let i = 0; i < Math.max(web.length, native.length); ++i)
    if (web[i] !== native[i]) { first = i; break; }
  check(first < 0 && web.length === native.length,
        `${name}: ${web.length} web frames, ${native.length} desktop frames` +
        (first >= 0 ? `, first difference at frame ${first}` : ', all identical'));
}

// In the page: the audio resampler over 20 blocks of a known signal (right
// channel negated), against linear interpolation between its samples, for
// contexts slower than, as fast as and faster than the music. A NaN stays NaN.
function resamplingErrors() {
  const signal = k => Math.round(8000 * Math.sin(0.05 * k));
  return [48000 / 44100, 1, 48000 / 88200].map(ratio => {
    const resampler = Module.vuxaResampler(ratio), n = 256;
    let read = 0, written = 0, worst = 0;
    for (let block = 0; block < 20; ++block) {
      const frames = resampler.frames(n);
      const src = new Int16Array(2 * frames).map((_, i) => (i & 1 ? -1 : 1) * signal(read + (i >> 1)));
      const left = new Float32Array(n), right = new Float32Array(n);
      resampler.fill(src, frames, left, right);
      for (let i = 0; i < n; ++i, ++written) {
        const p = written * ratio, k = Math.floor(p);
        const want = (signal(k) + (signal(k + 1) - signal(k)) * (p - k)) / 32768;
        worst = Math.max(worst, Math.abs(left[i] - want), Math.abs(right[i] + want));
      }
      read += frames;
    }
    return worst;
  });
}

async function viewerRun(browser, base) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1024, height: 768 });
  await page.goto(`${base}/`);
  await page.waitForFunction(
    () => /press a key/.test(document.getElementById('status').textContent), { timeout: 30000 });
  check(await page.evaluate(() => window.vuxaFirstFrameMs === undefined), 'nothing shown before the key press');
  await page.keyboard.press('Space');
  await page.waitForFunction(() => window.vuxaFirstFrameMs !== undefined, { timeout: 10000 });
  const firstMs = await page.evaluate(() => window.vuxaFirstFrameMs);
  timing(firstMs < 2000, `first frame on screen ${firstMs.toFixed(0)} ms after the key press`);
  await new Promise(r => setTimeout(r, 3000));
  // The title scene: black borders, the noise and the texts' orange (r >= g >= b), texts lit.
  const title = await page.evaluate(() => {
    const c = document.getElementById('screen');
    const d = c.getContext('2d').getImageData(0, 0, 320, 240).data;
    let border = 0, unordered = 0, bright = 0;
    for (let i = 0; i < 320 * 240; ++i) {
      const r = d[4 * i], g = d[4 * i + 1], b = d[4 * i + 2], row = Math.floor(i / 320);
      if (row < 20 || row >= 220) { border += (r | g | b) ? 1 : 0; continue; }
      if (!(r >= g && g >= b)) ++unordered;
      if (r > 0x4c || g > 0x4c || b > 0x4c) ++bright;
    }
    return { border, unordered, bright };
  });
  check(title.border === 0 && title.unordered === 0 && title.bright > 200,
        `title scene on the canvas (${JSON.stringify(title)})`);
  const state = await page.evaluate(() => window.vuxaAudioState());
  check(state === 'running', `AudioContext ${state}`);
  let level = 0;
  for (let i = 0; i < 20 && level < 0.01; ++i) {
    level = Math.max(level, await page.evaluate(() => window.vuxaAudioLevel()));
    await new Promise(r => setTimeout(r, 100));
  }
  check(level >= 0.01, `music level ${level.toFixed(4)} (RMS)`);
  const errors = await page.evaluate(resamplingErrors);
  check(errors.every(e => e < 1e-6), `resampling is linear interpolation (worst errors ${errors})`);
  await page.screenshot({ path: path.join(web, 'web-test-title.png') });
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => window.vuxaReport !== undefined, { timeout: 10000 });
  const report = await page.evaluate(() => ({
    text: window.vuxaReport,
    shown: getComputedStyle(document.getElementById('report')).display !== 'none',
  }));
  check(report.shown && /Average framerate: \d+ fps/.test(report.text),
        `Escape shows the report: "${report.text}"`);
  await page.screenshot({ path: path.join(web, 'web-test-report.png') });
  await page.close();
}

// What a viewer downloads, in bytes (4 MB = 4,000,000).
function siteSize(site) {
  const files = ['index.html', 'vuxa.js', 'vuxa.wasm', 'vuxa.data'];
  const sizes = files.map(f => fs.statSync(path.join(site, f)).size);
  const total = sizes.reduce((a, b) => a + b, 0);
  check(total <= 4e6, `site ${total} bytes (${files.map((f, i) => `${f} ${sizes[i]}`).join(', ')}), ` +
                      'at most 4,000,000');
}

async function main() {
  const site = path.join(web, 'site');
  siteSize(site);
  const port = 18000 + (process.pid % 1000);
  const server = spawn('python3', ['-m', 'http.server', String(port), '--bind', '127.0.0.1',
                                   '--directory', site], { stdio: 'ignore' });
  const base = `http://127.0.0.1:${port}`;
  let browser;
  try {
    for (let i = 0; i < 50; ++i) {
      try { if ((await fetch(base + '/')).ok) break; } catch (e) { /* not up yet */ }
      await new Promise(r => setTimeout(r, 100));
    }
    browser = await puppeteer.launch({
      executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
      headless: true,
      args: ['--no-sandbox', '--disable-gpu', '--autoplay-policy=no-user-gesture-required'],
    });

    const whole = await hookRun(browser, base, 'fps=10', 300000);
    compare('whole show at 10 fps', whole.digests, nativeDigests(10, 0));
    check(!whole.boxed, 'no report box after a test-hook run (it plays like a capture)');
    for (const start of [12, 24.5, 47]) {
      const frames = 40;
      const run = await hookRun(browser, base, `fps=10&frames=${frames}&start=${start}`, 120000);
      compare(`start ${start}, ${frames} frames at 10 fps`, run.digests,
              nativeDigests(10, start).slice(0, frames));
    }

    await viewerRun(browser, base);

    const fast = await hookRun(browser, base, 'fps=60', 600000);
    const cpu = nativeCpuSeconds();
    const ratio = fast.seconds / cpu;
    console.log(`speed: whole show at 60 fps in the browser ${fast.seconds.toFixed(2)} s, ` +
                `desktop --benchmark CPU time ${cpu.toFixed(2)} s, ratio ${ratio.toFixed(2)}`);
    const limit = speedLimit || 3;
    timing(ratio <= limit, `browser within ${limit} times the desktop's CPU time`);
  } finally {
    if (browser) await browser.close();
    server.kill();
  }
  console.log(failures ? `web-test: ${failures} failed` : 'web-test: all passed');
  process.exit(failures ? 1 : 0);
}

main().catch(e => { console.error(e); process.exit(1); });
