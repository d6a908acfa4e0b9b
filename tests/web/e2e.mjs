// The web build as a player meets it: the real page served over HTTP to headless Chromium,
// driven by puppeteer's mouse and keys, each step checked on screenshots of the canvas with the
// same tests as the desktop's tests/e2e/game_e2e_test.cpp: the title menu, level 1's intro,
// play (moving and firing), the pause, back to the menu, the directions and back, then the
// menu in a larger window and in full screen, and Quit from a tall window, after which the
// page says the game has ended. Along the way: no page or console errors, no context menu on
// the canvas, no scrolling from the game's keys.
// The canvas fills the window above the page's bar and the game draws its 800 x 600 arena in
// it as large as fits, between black bars; the walk starts in a window that gives the arena
// exactly 800 x 600 pixels, and every check and click is in the arena's coordinates, mapped
// through the arena's box in the canvas as the game places it.
//   node tests/web/e2e.mjs <page dir>
// With CCA_WEB_SHOTS=<dir> the menu and play screenshots are also saved there as
// web-menu.png and web-play.png (the arena), and the whole page at two other window sizes as
// web-page-wide.png and web-page-tall.png.
import { readFile, stat, writeFile } from "node:fs/promises";
import { tmpdir } from "node:os";
import path from "node:path";
import { setTimeout as sleep } from "node:timers/promises";
import { launchChromium, servePage } from "./browser.mjs";
import { Screen, Stop, arenaBox, assert, dark, expect, lightGreen, red, results, white }
  from "./screen.mjs";

const dir = path.resolve(process.argv[2] || "build-web");
const lastScreenPath = path.join(tmpdir(), "cca-web-e2e-last-screen.png");

// ---- The screens, by their pixels.

const isMenu = (s) => s.count(0, 20, 800, 170, red) > 2000 &&
  s.count(50, 200, 120, 240, dark) > 100 && s.count(0, 200, 12, 580, red) === 0;
const isIntro = (s) => s.count(100, 100, 300, 140, dark) > 100 &&
  s.count(100, 150, 300, 190, dark) > 100 && s.count(100, 250, 500, 290, dark) === 0 &&
  s.count(0, 0, 800, 100, white) === 80000;
const hasHud = (s) => s.count(340, 22, 450, 38, lightGreen) > 1000;
const isPaused = (s) => s.count(100, 100, 200, 135, dark) > 100 &&
  s.count(100, 150, 300, 190, dark) === 0 && s.count(100, 250, 500, 290, dark) > 100 &&
  s.count(0, 0, 800, 100, white) === 80000;
const isDirections = (s) => s.count(0, 200, 12, 580, red) > 300 &&
  s.count(788, 200, 800, 580, red) > 300;
const caneX = (s) => s.redCentreX(330, 260, 700, 340);


// ---- The walk.

let page, last = null;
const errors = [];  // the page's errors and console errors, in order

// Where the canvas is on the page and where the arena is in it. The screenshots are taken at
// one device pixel per CSS pixel, so the canvas's pixels are its CSS pixels.
async function layout() {
  const canvas = await page.$("#canvas");
  const css = await canvas.boundingBox();
  const [w, h] = await canvas.evaluate((c) => [c.width, c.height]);
  return { canvas, css, w, h, box: arenaBox(w, h) };
}

async function grab() {
  const { canvas, box } = await layout();
  return new Screen(await canvas.screenshot({ type: "png" }), box);
}

// Resizes the browser's window and waits until the canvas has followed it.
async function resizeWindow(width, height) {
  await page.setViewport({ width, height });
  await page.waitForFunction((w, h) => {
    const c = document.getElementById("canvas");
    const r = c.getBoundingClientRect();
    return c.width === w && c.height === h && r.width === w && r.height === h;
  }, { timeout: 5000 }, width, height - 40);
}

// Grabs until done holds for a screenshot (returned) or the time is up (null). On a miss the
// last screenshot is left in /tmp for whoever reads the failure.
async function waitFor(done, timeoutMs = 10000) {
  const end = Date.now() + timeoutMs;
  do {
    const s = await grab();
    last = s;
    if (done(s)) return s;
    await sleep(100);
  } while (Date.now() < end);
  await writeFile(lastScreenPath, last.png);
  console.log(`  the last screen is in ${lastScreenPath}`);
  return null;
}

// Arena coordinates, at the middle of the window pixels that show the arena pixel.
async function moveTo(x, y) {
  const { css, box } = await layout();
  await page.mouse.move(css.x + box.x + (x + 0.5) * box.w / 800,
                        css.y + box.y + (y + 0.5) * box.h / 600);
}
// A press as a hand makes it: down for a tenth of a second. Canvas coordinates.
async function clickAt(x, y, button = "left") {
  await moveTo(x, y);
  await page.mouse.down({ button });
  await sleep(100);
  await page.mouse.up({ button });
}
// Clicks a menu button until the screen it leads to shows: the menu forgets the mouse at every
// frame, so a click that lands while a slow frame draws is lost, and a player clicks again.
async function clickMenuUntil(x, y, done) {
  for (let attempt = 0; attempt < 4; ++attempt) {
    await clickAt(x, y);
    const s = await waitFor(done, 4000);
    if (s) return s;
  }
  return null;
}
async function key(name) {
  await page.keyboard.down(name);
  await sleep(150);
  await page.keyboard.up(name);
}
const scrollY = () => page.evaluate(() => window.scrollY);

async function walk(port, shots) {
  page.on("pageerror", (e) => errors.push(`page error: ${e.message}`));
  page.on("console", (m) => {
    // Chromium asks every site for /favicon.ico; the page has none, and its 404 is no fault.
    const from = m.location().url || "";
    if (m.type() === "error" && !from.endsWith("/favicon.ico")) {
      errors.push(`console error: ${m.text()}${from ? ` (${from})` : ""}`);
    }
  });
  // Seen after the page's own listener: whether the canvas's context menu was held back.
  await page.evaluateOnNewDocument(() => {
    window.contextMenus = [];
    window.addEventListener("contextmenu", (e) => window.contextMenus.push(e.defaultPrevented));
  });

  const started = Date.now();
  await page.goto(`http://127.0.0.1:${port}/`);
  const menu = await waitFor(isMenu);
  const toMenuMs = Date.now() - started;
  const pageNow = await page.evaluate(() => performance.now());
  const gameStarted = await page.evaluate(() => window.gameStarted);
  assert(menu, "the title menu shows");
  const start = await layout();
  expect(start.box.w === 800 && start.box.h === 600 && start.w === 840 && menu.bars === 0,
         "the canvas fills the window above the bar, the arena 800 x 600 between black bars",
         JSON.stringify(start.box) + ` in ${start.w} x ${start.h}, ${menu.bars} bar pixels lit`);
  console.log(`first title-menu frame: ${toMenuMs} ms after navigation (page clock ` +
              `${Math.round(pageNow)} ms, runtime ready at ${Math.round(gameStarted)} ms; ` +
              `goal under 2000 ms${toMenuMs < 2000 ? "" : ", missed"})`);
  expect(await page.title() === "Candy Cane Arena", "the page title is Candy Cane Arena",
         await page.title());
  const room = await page.evaluate(() => document.documentElement.scrollHeight - innerHeight);
  assert(room > 0, "the page is taller than the window, so keys could scroll it", `${room}`);
  if (shots) await writeFile(path.join(shots, "web-menu.png"), menu.png);
  // The page shows its own picture before anything else loads, and no sound is made before
  // the player's first click or key.
  const first = await page.evaluate(() => {
    const painted = performance.getEntriesByName("first-contentful-paint")[0]?.startTime;
    const program = performance.getEntriesByType("resource")
      .filter((r) => /\/candycane-arena\.[0-9a-f]+\.(js|wasm)$/.test(r.name));
    return { painted, program: program.map((r) => Math.round(r.startTime)),
             sound: !!window.Module.SDL2?.audioContext };
  });
  expect(first.program.length === 2 && first.program.every((t) => t >= first.painted),
         "the program is fetched only once the page has painted", JSON.stringify(first));
  expect(!first.sound, "no audio context before the first click or key");

  assert(await clickMenuUntil(70, 215, isIntro), "Start shows level 1's intro");

  await clickAt(780, 300);  // ends the intro; the aim is to the right, level with the player
  const play = await waitFor(hasHud);
  assert(play, "play with its HUD");
  if (shots) await writeFile(path.join(shots, "web-play.png"), play.png);
  // The candy cane is the red near the middle row; the hat is still far up to the left.
  const startX = caneX(play);
  assert(startX > 370 && startX < 430, "the candy cane starts at the centre", `x ${startX}`);

  await page.keyboard.down("d");
  expect(await waitFor((s) => caneX(s) > startX + 30), "D moves the candy cane right");
  await page.keyboard.up("d");
  for (const k of ["w", "a", "s"]) await key(k);

  // Straight shots fly right along the player's row, short of the aiming cross.
  await sleep(100);
  const playerX = caneX(await grab());
  await moveTo(780, 300);
  await page.mouse.down();
  expect(await waitFor((s) => s.count(playerX + 40, 288, 750, 312, red) > 30),
         "the left button fires");
  await page.mouse.up();

  await clickAt(780, 300, "right");
  const menus = await page.evaluate(() => window.contextMenus);
  expect(menus.length > 0 && menus.every((prevented) => prevented),
         "a right click on the canvas opens no context menu", JSON.stringify(menus));

  // The keys a browser scrolls with, which the game keeps for itself on the canvas.
  for (const k of ["Space", "ArrowDown", "PageDown", "End"]) await key(k);
  expect(await scrollY() === 0, "W, A, S, D and the scrolling keys leave the page where it is",
         `scrollY ${await scrollY()}`);

  await key("p");
  assert(await waitFor(isPaused), "P shows \"PAUSED\" without the HUD");
  await clickAt(400, 400);
  assert(await waitFor(hasHud), "a click resumes play");

  await key("Escape");
  assert(await waitFor(isMenu), "Escape goes back to the menu");
  expect(await scrollY() === 0, "P and Escape leave the page where it is",
         `scrollY ${await scrollY()}`);

  assert(await clickMenuUntil(80, 365, isDirections), "Directions shows its picture");
  await clickAt(400, 300);
  assert(await waitFor(isMenu), "a left click goes back to the menu");

  // The music and the directions picture are fetched only after the first menu frame; the
  // sound switched on waits for the music, then the menu goes on.
  const late = await page.evaluate(() => {
    const shown = performance.getEntriesByName("game first frame")[0]?.startTime;
    return performance.getEntriesByType("resource")
      .filter((r) => /\/(christmas|directions)\.[0-9a-f]+\./.test(r.name))
      .map((r) => ({ name: r.name.replace(/^.*\//, ""), after: r.startTime >= shown }));
  });
  expect(late.length === 2 && late.every((r) => r.after),
         "the music and the directions picture are fetched after the first menu frame",
         JSON.stringify(late));
  await clickAt(520, 215);  // Sound: Off
  let sound = false;
  for (let tries = 0; tries < 50 && !sound; ++tries) {
    sound = await page.evaluate(() => !!window.Module.SDL2?.audioContext);
    if (!sound) await sleep(100);
  }
  expect(sound, "the sound opens once the player has clicked");
  await sleep(500);
  expect(await waitFor(isMenu) && await page.evaluate(() => window.gameExitCode) === undefined,
         "switching the sound on in the menu waits for the music and goes on");

  // A larger window: the arena scaled by 1.2 between bars, its buttons where they are drawn.
  await resizeWindow(1280, 760);
  const wide = await waitFor((s) => isMenu(s) && s.bars === 0);
  assert(wide, "at 1280 x 760 the menu fills the canvas's height, centred between black bars");
  if (shots) await page.screenshot({ path: path.join(shots, "web-page-wide.png") });
  assert(await clickMenuUntil(80, 365, isDirections),
         "at 1280 x 760 a click on Directions as drawn there shows its picture");
  await clickAt(400, 300);
  assert(await waitFor(isMenu), "and a click there goes back to the menu");

  await page.click("#full");
  const inFull = await page.waitForFunction(() => document.fullscreenElement?.id === "stage",
                                            { timeout: 3000 }).catch(() => null);
  expect(inFull && await waitFor((s) => isMenu(s) && s.bars === 0),
         "the Full screen button shows the stage alone, the arena still between black bars");
  await page.keyboard.down("Alt");
  await key("Enter");
  await page.keyboard.up("Alt");
  const leftFull = await page.waitForFunction(() => !document.fullscreenElement,
                                              { timeout: 3000 }).catch(() => null);
  expect(leftFull && await waitFor(isMenu), "Alt+Enter in the game leaves full screen");

  await resizeWindow(720, 1000);
  assert(await waitFor((s) => isMenu(s) && s.bars === 0),
         "at 720 x 1000 the menu fills the canvas's width, centred between black bars");
  if (shots) await page.screenshot({ path: path.join(shots, "web-page-tall.png") });

  let code;
  for (let attempt = 0; attempt < 4 && code === undefined; ++attempt) {
    await clickAt(60, 290);  // Quit, in the tall window
    for (let waited = 0; waited < 4000 && code === undefined; waited += 100) {
      await sleep(100);
      code = await page.evaluate(() => window.gameExitCode);
    }
  }
  assert(code === 0, "Quit ends the program with exit code 0", `exit code ${code}`);
  const status = await page.$eval("#status", (e) => e.textContent.trim());
  expect(status === "The game has ended.", "the page says the game has ended", `"${status}"`);
  expect(await page.$eval("#again", (e) => getComputedStyle(e).display !== "none"),
         "the page offers to play again");

  // Off the canvas, with the game over, End does scroll: the checks above could have failed.
  await page.evaluate(() => document.activeElement.blur());
  await key("End");
  expect(await scrollY() > 0, "End scrolls the page once the canvas has let go of the keys");

  expect(errors.length === 0, "no page or console errors during the walk",
         `\n  ${errors.join("\n  ")}`);
}

async function main() {
  const shots = process.env.CCA_WEB_SHOTS ? path.resolve(process.env.CCA_WEB_SHOTS) : null;
  // The page and the files its table names (the program, the files the page fetches).
  let bytes = 0;
  let files = ["index.html"];
  try {
    const page = await readFile(path.join(dir, "index.html"), "utf8");
    const table = JSON.parse(/<script type="application\/json" id="page-files">(.*?)<\/script>/
      .exec(page)[1]);
    files = files.concat(Object.values(table).map((entry) => entry.url));
    for (const f of files) bytes += (await stat(path.join(dir, f))).size;
  } catch (e) {
    console.log(`not ok - the page and its files are in ${dir}: ${e.message}`);
    console.log("web e2e: 0 passed, 1 failed");
    return 1;
  }

  const { server, port, served, missing } = await servePage(dir);
  let chromium;
  try {
    // A page that hangs fails within a minute, not three.
    chromium = await launchChromium(60000);
    const browser = chromium.browser;
    page = await browser.newPage();
    // Shorter than the page, which could scroll; the canvas above the page's bar is
    // 840 x 600, so the arena is exactly 800 x 600 pixels.
    await page.setViewport({ width: 840, height: 640 });
    await walk(port, shots);
  } catch (e) {
    if (!(e instanceof Stop)) expect(false, "the walk ran to its end", e.stack || String(e));
    // What the page said about it, for whoever reads the failure.
    const status = await page?.$eval("#status", (el) => el.textContent.trim()).catch(() => "");
    if (status) console.log(`  the page's status line: "${status}"`);
    if (errors.length) console.log(`  the page's errors:\n  ${errors.join("\n  ")}`);
  } finally {
    if (chromium) await chromium.close();
    server.close();
  }

  const sent = [...served.values()].reduce((a, b) => a + b, 0);
  console.log(`download: ${bytes} bytes (${(bytes / 1048576).toFixed(2)} MiB) in ${files.join(", ")}` +
              `; the server sent ${sent} bytes` + (missing.length ? `, 404 for ${missing.join(", ")}` : ""));
  if (shots) {
    console.log(`screenshots: ${path.join(shots, "web-menu.png")}, web-play.png, ` +
                "web-page-wide.png, web-page-tall.png");
  }
  console.log(`web e2e: ${results.passed} passed, ${results.failed} failed`);
  return results.failed ? 1 : 0;
}

process.exitCode = await main();
