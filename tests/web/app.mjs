// The page as an app, in headless Chromium: installable with no error, its files kept by the
// service worker, a reload with the server stopped, an update from one build to the next that
// never mixes their files (also when the server hands out a torn build), the WebGL context
// lost and given back in the menu and in play, and the game inside another site's frame.
//   node tests/web/app.mjs <page dir>
// CCA_APP_ONLY=context, updates or frame runs the installation check and that part alone.
// The builds the update walks through are copies of the page with a mark in their page and
// script, each with its own service worker made by packaging/web/make-sw.mjs. With
// CCA_WEB_SHOTS=<dir> the host page with the game in its frame is saved as web-frame.png.
import { execFileSync } from "node:child_process";
import { createHash } from "node:crypto";
import { createServer } from "node:http";
import { appendFile, cp, mkdtemp, readFile, rm, writeFile } from "node:fs/promises";
import { tmpdir } from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { setTimeout as sleep } from "node:timers/promises";
import { launchChromium, servePage, types } from "./browser.mjs";
import { Screen, Stop, assert, dark, expect, lightGreen, red, results } from "./screen.mjs";

const here = path.dirname(fileURLToPath(import.meta.url));
const makeSw = path.join(here, "../../packaging/web/make-sw.mjs");
const dir = path.resolve(process.argv[2] || "build-web");
const shots = process.env.CCA_WEB_SHOTS ? path.resolve(process.env.CCA_WEB_SHOTS) : null;

// ---- Builds: copies of the page, marked in the page and the script, with their own worker.

// The name the page's build gave one of its files (the page's table; the name carries the
// file's hash), or the file's own name where the page has no table.
async function builtName(d, name) {
  const html = await readFile(path.join(d, "index.html"), "utf8");
  const table = JSON.parse(html.match(/id="page-files">([^<]*)</)?.[1] || "{}");
  return table[name] ? table[name].url : name;
}

async function makeBuild(root, mark) {
  const out = path.join(root, mark);
  await cp(dir, out, { recursive: true });
  await appendFile(path.join(out, "index.html"), `<!-- build ${mark} -->\n`);
  await appendFile(path.join(out, await builtName(out, "candycane-arena.js")),
                   `\nwindow.testBuild = "${mark}";\n`);
  execFileSync(process.execPath, [makeSw, out], { stdio: "ignore" });
  return out;
}
const sha256 = async (file) => createHash("sha256").update(await readFile(file)).digest("hex");

// A server whose folder can be switched and which can be stopped and started again on its
// port; missing lists what it answered with 404.
function switchableServer() {
  const sockets = new Set();
  const missing = [];
  const self = { root: null, port: 0, missing, server: null };
  self.start = async () => {
    self.server = createServer(async (req, res) => {
      let name = decodeURIComponent(new URL(req.url, "http://localhost").pathname);
      if (name.endsWith("/")) name += "index.html";
      try {
        const body = await readFile(path.join(self.root, path.normalize(name)));
        const type = types[path.extname(name)] || "application/octet-stream";
        res.writeHead(200, { "Content-Type": type, "Cache-Control": "no-cache" });
        res.end(body);
      } catch {
        missing.push(name);
        res.writeHead(404);
        res.end();
      }
    });
    self.server.on("connection", (s) => {
      sockets.add(s);
      s.on("close", () => sockets.delete(s));
    });
    await new Promise((done) => self.server.listen(self.port, "127.0.0.1", done));
    self.port = self.server.address().port;
  };
  self.stop = async () => {
    for (const s of sockets) s.destroy();
    await new Promise((done) => self.server.close(done));
  };
  return self;
}

// ---- Pixels: the screens, as the page test reads them (screen.mjs).

// Pixels of two arenas that differ by more than a rounding step in any channel.
function differing(a, b) {
  let n = 0;
  for (let i = 0; i < a.data.length; i += 4) {
    if (Math.abs(a.data[i] - b.data[i]) > 2 || Math.abs(a.data[i + 1] - b.data[i + 1]) > 2 ||
        Math.abs(a.data[i + 2] - b.data[i + 2]) > 2) ++n;
  }
  return n;
}

const isMenu = (s) => s.count(0, 20, 800, 170, red) > 2000 &&
  s.count(50, 200, 120, 240, dark) > 100 && s.count(0, 200, 12, 580, red) === 0;
const isIntro = (s) => s.count(100, 100, 300, 140, dark) > 100 &&
  s.count(100, 150, 300, 190, dark) > 100 && s.count(100, 250, 500, 290, dark) === 0;
const hasHud = (s) => s.count(340, 22, 450, 38, lightGreen) > 1000;
const caneX = (s) => s.redCentreX(330, 260, 700, 340);

// ---- Driving a page or a frame in it: `where` is the page or the frame holding the game.

let page;
const errors = [];
function watch(p) {
  p.on("pageerror", (e) => errors.push(`page error: ${e.message}`));
  p.on("console", (m) => {
    if (m.type() === "error") errors.push(`console error: ${m.text()} (${m.location().url || ""})`);
  });
}

async function grab(where) {
  const canvas = await where.$("#canvas");
  return new Screen(await canvas.screenshot({ type: "png" }));
}
async function waitFor(where, done, timeoutMs = 10000) {
  const end = Date.now() + timeoutMs;
  do {
    try {
      const s = await grab(where);
      if (done(s)) return s;
    } catch { /* the page is between two documents */ }
    await sleep(100);
  } while (Date.now() < end);
  return null;
}
// Arena coordinates to the window's, through the canvas's box on the page (and the frame's).
async function pointAt(where, x, y) {
  const canvas = await where.$("#canvas");
  const css = await canvas.boundingBox();
  const [w, h] = await canvas.evaluate((c) => [c.width, c.height]);
  const scale = Math.min(w / 800, h / 600);
  const bx = Math.trunc((w - Math.trunc(800 * scale)) / 2);
  const by = Math.trunc((h - Math.trunc(600 * scale)) / 2);
  return [css.x + (bx + (x + 0.5) * scale) * css.width / w,
          css.y + (by + (y + 0.5) * scale) * css.height / h];
}
async function clickAt(where, x, y) {
  await page.mouse.move(...await pointAt(where, x, y));
  await page.mouse.down();
  await sleep(100);
  await page.mouse.up();
}
async function clickUntil(where, x, y, done) {
  for (let attempt = 0; attempt < 4; ++attempt) {
    await clickAt(where, x, y);
    if (await waitFor(where, done, 4000)) return true;
  }
  return false;
}
async function key(name) {
  await page.keyboard.down(name);
  await sleep(150);
  await page.keyboard.up(name);
}
// From the menu into play, the aim to the right of the player.
async function startPlay(where) {
  assert(await clickUntil(where, 70, 215, isIntro), "Start shows level 1's intro");
  await clickAt(where, 780, 300);
  return waitFor(where, hasHud);
}
// Evaluates in the page until it answers (a reload may be under way) or the time is up.
async function settle(fn, timeoutMs = 20000) {
  const end = Date.now() + timeoutMs;
  for (;;) {
    try {
      const value = await page.evaluate(fn);
      if (value) return value;
    } catch { /* between two documents */ }
    if (Date.now() > end) return null;
    await sleep(200);
  }
}
const started = () => settle(() => window.gameStarted !== undefined && window.testBuild);

// Which build the page runs: its page's mark, its script's, and the digest of the .wasm it
// is served.
async function running() {
  return page.evaluate(async () => {
    const table = JSON.parse(document.getElementById("page-files")?.textContent || "{}");
    const wasm = table["candycane-arena.wasm"]?.url || "candycane-arena.wasm";
    const body = await (await fetch(wasm)).arrayBuffer();
    const digest = Array.from(new Uint8Array(await crypto.subtle.digest("SHA-256", body)),
                              (b) => b.toString(16).padStart(2, "0")).join("");
    const comment = [...document.childNodes].concat([...document.documentElement.childNodes])
      .concat([...document.body.childNodes]).find((n) => n.nodeType === Node.COMMENT_NODE &&
                                                         n.data.startsWith(" build "));
    return { page: comment?.data.trim().slice(6), script: window.testBuild, wasm: digest };
  });
}
// [whether the page runs build mark whole, what it runs], for expect.
async function runsWhole(builds, mark) {
  const r = await running();
  const wasm = await sha256(path.join(builds[mark],
                                      await builtName(builds[mark], "candycane-arena.wasm")));
  return [r.page === mark && r.script === mark && r.wasm === wasm,
          JSON.stringify({ ...r, wasm: r.wasm === wasm ? mark : r.wasm })];
}
const cacheNames = () => page.evaluate(() => caches.keys());
const buildName = async (d) => JSON.parse((await readFile(path.join(d, "sw.js"), "utf8"))
  .split("\n")[0].replace(/^const build = |;$/g, "")).name;

// Main-thread task time, in seconds, over ms milliseconds.
async function busySeconds(cdp, ms) {
  const task = async () => (await cdp.send("Performance.getMetrics")).metrics
    .find((m) => m.name === "TaskDuration").value;
  const before = await task();
  await sleep(ms);
  return await task() - before;
}

// ---- The walks.

// NOTE: in a browser of its own. After Chromium's installability check the worker it looked at
// keeps work pending, and a new worker told to take over waits for that (a minute and more).
async function installable(server) {
  const chromium = await launchChromium(60000);
  try {
    const page = await chromium.browser.newPage();
    watch(page);
    await page.goto(`http://127.0.0.1:${server.port}/`);
    await page.waitForFunction(() => window.gameStarted !== undefined, { timeout: 20000 });
    // The page names its manifest once the game has its files.
    await page.waitForSelector("link[rel=manifest]", { timeout: 20000 });
    const cdp = await page.createCDPSession();
    const { installabilityErrors } = await cdp.send("Page.getInstallabilityErrors");
    expect(installabilityErrors.length === 0, "Chromium finds the page installable",
           JSON.stringify(installabilityErrors));
    const manifest = await cdp.send("Page.getAppManifest");
    const parsed = JSON.parse(manifest.data || "{}");
    expect(manifest.errors.length === 0 && parsed.display === "standalone" &&
           parsed.icons?.some((i) => i.purpose === "maskable"),
           "its manifest parses without error and has a maskable icon",
           JSON.stringify(manifest.errors));
    expect(await page.$eval("link[rel=icon]", (l) => l.href.endsWith("favicon.ico")) &&
           await page.$eval("meta[name=description]", (m) => m.content.length > 50),
           "the page names its favicon and has a description");
  } finally {
    await chromium.close();
  }
}

async function firstVisit(server, builds) {
  await page.goto(`http://127.0.0.1:${server.port}/`);
  assert(await waitFor(page, isMenu, 20000), "the title menu shows");
  // The worker takes over the first visit's page once it has kept the build.
  const controlled = await settle(() => navigator.serviceWorker.controller !== null);
  const names = await cacheNames();
  const cacheA = `candycane-arena-${await buildName(builds.A)}`;
  expect(controlled && names.length === 1 && names[0] === cacheA,
         "the service worker controls the page and keeps the build under its name",
         JSON.stringify(names));
  return page.createCDPSession();
}

async function lostContext(cdp) {
  const lose = () => page.evaluate(() => {
    window.loseContext = document.getElementById("canvas").getContext("webgl")
      .getExtension("WEBGL_lose_context");
    window.loseContext.loseContext();
  });
  const restore = () => page.evaluate(() => window.loseContext.restoreContext());
  await cdp.send("Performance.enable");

  // In the menu, for longer than the page waits before it says so.
  const menu = await waitFor(page, isMenu);
  await lose();
  const busy = await busySeconds(cdp, 3500);
  console.log(`  main-thread tasks while lost: ${(busy * 1000).toFixed(0)} ms in 3500 ms`);
  expect(busy < 0.35, "while the context is lost the game waits without spinning",
         `${busy.toFixed(3)} s of main-thread tasks in 3.5 s`);
  const said = await page.$eval("#status", (e) => e.textContent);
  expect(/graphics were lost/.test(said), "a context that does not come back is said in one line",
         `"${said}"`);
  await restore();
  const back = await waitFor(page, (s) => isMenu(s) && differing(s, menu) < 2000);
  console.log(`  menu: ${back ? differing(back, menu) : "-"} of 480000 pixels differ after`);
  expect(back, "the menu comes back after the context does, as it was",
         `${differing(await grab(page), menu)} pixels differ`);
  expect(await page.$eval("#status", (e) => e.textContent) === "",
         "and the page's line about it goes");

  // In play: the player, the enemies and the HUD where they were, the game going on.
  const play = await startPlay(page);
  assert(play, "play with its HUD");
  const before = await grab(page);
  await lose();
  await sleep(500);
  await restore();
  const after = await waitFor(page, hasHud, 5000);
  const moved = after ? differing(after, before) : -1;
  console.log(`  play: ${moved} of 480000 pixels differ after (what moved)`);
  expect(after && moved < 6000 && Math.abs(caneX(after) - caneX(before)) < 4,
         "in play the screen after the context is back is the one before, but for what moved",
         `${moved} pixels differ, the cane at ${caneX(before)} then ${after && caneX(after)}`);
  await page.keyboard.down("d");
  expect(await waitFor(page, (s) => caneX(s) > caneX(before) + 30),
         "and play goes on: D moves the candy cane");
  await page.keyboard.up("d");
  await key("Escape");
  assert(await waitFor(page, isMenu), "Escape goes back to the menu");
}

async function offline(server, builds) {
  await server.stop();
  await page.reload();
  const build = await started();
  const menu = await waitFor(page, isMenu, 20000);
  expect(build === "A" && menu, "with the server stopped a reload starts the game");
  server.root = builds.B;
  await server.start();
}

async function updates(server, builds) {
  // The server has build B. A reload still runs A from the cache, whole, and offers B.
  await page.reload();
  await started();
  expect(...await runsWhole(builds, "A"),
         "after the server has a new build a reload runs the old one, all its files");
  const offered = await page.waitForSelector("#update", { timeout: 20000 }).catch(() => null);
  expect(offered, "and the page offers the new build");
  expect(await waitFor(page, isMenu), "the old build plays meanwhile");

  // The next start takes the waiting build before the game loads, and reloads into it.
  await page.reload();
  await settle(() => window.testBuild === "B");
  await started();
  expect(...await runsWhole(builds, "B"), "the next reload runs the new build, all its files");
  expect(await waitFor(page, isMenu, 20000), "and the new build plays");
  const names = await cacheNames();
  expect(names.length === 1 && names[0] === `candycane-arena-${await buildName(builds.B)}`,
         "the old build's cache is gone", JSON.stringify(names));

  // A torn deployment: C's page and worker beside B's script. The worker does not install.
  server.root = builds.torn;
  const tornUpdate = await page.evaluate(async () => {
    const registration = await navigator.serviceWorker.getRegistration();
    return registration.update().then(() => "installed", (e) => e.message);
  });
  await sleep(1000);
  const waiting = await page.evaluate(async () =>
    !!(await navigator.serviceWorker.getRegistration()).waiting);
  expect(!waiting && !(await page.$("#update")) && (await cacheNames()).length === 1,
         "a server with files of two builds installs neither", `update: ${tornUpdate}`);

  // Whole again: the Update button reloads the page into C.
  server.root = builds.C;
  await page.evaluate(async () => (await navigator.serviceWorker.getRegistration()).update());
  const button = await page.waitForSelector("#update", { timeout: 20000 }).catch(() => null);
  assert(button, "a whole new build is offered");
  await button.click();
  await settle(() => window.testBuild === "C");
  await started();
  expect(...await runsWhole(builds, "C"),
         "Update reloads the page into the new build, all its files");
  expect(await waitFor(page, isMenu, 20000), "and it plays");
}

// The game in a frame of a page from another origin, taller than the window.
async function framed(server, browser) {
  const host = await mkdtemp(path.join(tmpdir(), "cca-host-"));
  try {
    await writeFile(path.join(host, "index.html"), `<!doctype html>
<html lang="en"><head><meta charset="utf-8"><title>A game portal</title>
<link rel="icon" href="data:,"></head>
<body style="margin: 0; font: 16px sans-serif; background: #eee">
<h1 style="margin: 8px">Games</h1>
<iframe id="game" src="http://127.0.0.1:${server.port}/" width="840" height="640"
        allow="fullscreen; autoplay; gamepad" title="Candy Cane Arena"
        style="border: 0; display: block; margin: 0 8px"></iframe>
<p style="height: 2000px; margin: 8px">More games below.</p>
</body></html>
`);
    const hostServer = await servePage(host);
    try {
      page = await browser.newPage();
      watch(page);
      await page.setViewport({ width: 860, height: 760 });
      await page.goto(`http://127.0.0.1:${hostServer.port}/`);
      const frame = await (await page.waitForSelector("#game")).contentFrame();
      await frame.waitForFunction(() => window.gameStarted !== undefined, { timeout: 20000 });
      assert(await waitFor(frame, isMenu, 20000), "the title menu shows in the frame");
      const soundBefore = await frame.evaluate(() => Module.SDL2?.audioContext?.state);

      await clickAt(frame, 400, 520);  // on nothing in the menu
      const focused = () => document.hasFocus() &&
        document.activeElement === document.getElementById("canvas");
      expect(await frame.evaluate(focused),
             "the first click in the frame gives the game the keys");
      // The sound output opens once the music the page fetches after the first frame is in.
      const sound = await frame
        .waitForFunction(() => Module.SDL2?.audioContext?.state === "running", { timeout: 20000 })
        .then(() => "running", () => frame.evaluate(() => Module.SDL2?.audioContext?.state));
      // NOTE: headless Chromium counts its pages as activated by the user from the start (with
      // --autoplay-policy=document-user-activation-required too), so sound may already run.
      expect(sound === "running", "and its sound runs", `${soundBefore} then ${sound}`);

      for (const k of ["Space", "ArrowDown", "PageDown", "End"]) await key(k);
      const scrolled = await page.evaluate(() => window.scrollY);
      expect(scrolled === 0,
             "the game's keys and the scrolling keys leave the host page where it is",
             `scrollY ${scrolled}`);

      const play = await startPlay(frame);
      assert(play, "play in the frame");
      const startX = caneX(play);
      await page.keyboard.down("d");
      expect(await waitFor(frame, (s) => caneX(s) > startX + 30),
             "D in the frame moves the candy cane");
      await page.keyboard.up("d");

      // Fire, drag out of the frame onto the host page, let go there: the shots stop.
      await sleep(200);
      const playerX = caneX(await grab(frame));
      const onRow = (s) => s.count(playerX + 40, 288, 750, 312, red);
      await page.mouse.move(...await pointAt(frame, 780, 300));
      await page.mouse.down();
      expect(await waitFor(frame, (s) => onRow(s) > 30), "the left button fires in the frame");
      await page.mouse.move(430, 740, { steps: 5 });
      await page.mouse.up();
      // Back over the frame, aiming along the row as before, out of the way of the shots.
      await page.mouse.move(...await pointAt(frame, 780, 300), { steps: 5 });
      await sleep(1000);
      expect(await waitFor(frame, (s) => onRow(s) === 0, 3000),
             "a button released outside the frame is released in the game",
             `${onRow(await grab(frame))} red pixels still on the row`);
      if (shots) await page.screenshot({ path: path.join(shots, "web-frame.png") });

      await key("Escape");
      assert(await waitFor(frame, isMenu), "Escape goes back to the menu in the frame");
      const full = await frame.$("#full");
      await full.click();
      const inFull = await frame.waitForFunction(() => document.fullscreenElement?.id === "stage",
                                                 { timeout: 3000 }).catch(() => null);
      expect(inFull && await waitFor(frame, isMenu) &&
             await page.evaluate(() => document.fullscreenElement?.id === "game"),
             "the Full screen button in the frame shows the game alone");
      await frame.evaluate(() => document.exitFullscreen());
    } finally {
      hostServer.server.close();
    }
  } finally {
    await rm(host, { recursive: true, force: true });
  }
}

async function main() {
  const root = await mkdtemp(path.join(tmpdir(), "cca-app-"));
  const builds = {};
  let chromium;
  const server = switchableServer();
  try {
    for (const mark of ["A", "B", "C"]) builds[mark] = await makeBuild(root, mark);
    // C's page and worker with B's script: a deployment caught half done.
    builds.torn = await makeBuild(root, "torn");
    await cp(builds.C, builds.torn, { recursive: true });
    const script = await builtName(builds.B, "candycane-arena.js");
    await cp(path.join(builds.B, script), path.join(builds.torn, script));

    server.root = builds.A;
    await server.start();
    chromium = await launchChromium(60000);
    await installable(server);
    page = await chromium.browser.newPage();
    watch(page);
    await page.setViewport({ width: 840, height: 640 });
    const only = process.env.CCA_APP_ONLY;  // one part alone: context, updates or frame
    const cdp = await firstVisit(server, builds);
    if (!only || only === "context") await lostContext(cdp);
    if (!only || only === "updates") {
      await offline(server, builds);
      await updates(server, builds);
    }
    if (!only || only === "frame") await framed(server, chromium.browser);
    expect(server.missing.length === 0, "nothing the pages asked for was missing",
           server.missing.join(", "));
    expect(errors.length === 0, "no page or console errors", `\n  ${errors.join("\n  ")}`);
  } catch (e) {
    if (!(e instanceof Stop)) expect(false, "the walk ran to its end", e.stack || String(e));
    if (errors.length) console.log(`  the pages' errors:\n  ${errors.join("\n  ")}`);
  } finally {
    if (chromium) await chromium.close();
    await server.stop().catch(() => {});
    await rm(root, { recursive: true, force: true });
  }
  console.log(`web app: ${results.passed} passed, ${results.failed} failed`);
  return results.failed ? 1 : 0;
}

process.exitCode = await main();
