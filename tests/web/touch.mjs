// The web page played by touch alone, as on a phone on its side (844 x 390) and a tablet
// (1024 x 768): headless Chromium with touch emulation, fingers put down, moved and lifted
// through the DevTools protocol's touch events, several at once, each step checked on
// screenshots of the canvas. The walk: the menu, Start, the intro and play by taps; one thumb
// on the move stick (the candy cane moves, nothing fires, the aim stays); both thumbs (moving
// and firing at once); the homing button; a cancelled touch letting go of everything; pause
// and back by their buttons; the left-handed layout, kept over a reload. On the phone also:
// the arena as tall as the screen, the controls in the bars beside it, sound running after
// the first tap under the autoplay rule that needs a gesture, portrait pausing and asking to
// turn, a hidden page pausing with its sound suspended, and level 1 cleared by touch, aiming
// at what the screen shows. Last, the desktop page at a desktop size shows no touch controls.
//   node tests/web/touch.mjs <page dir>
// With CCA_WEB_SHOTS=<dir> the phone's page is saved there as web-touch-menu.png,
// web-touch-play.png (both thumbs down) and web-touch-portrait.png.
import { writeFile } from "node:fs/promises";
import { tmpdir } from "node:os";
import path from "node:path";
import { setTimeout as sleep } from "node:timers/promises";
import pngjs from "pngjs";
import { launchChromium, servePage } from "./browser.mjs";
import { Screen, Stop, arenaBox, assert, dark, expect, lightGreen, red, results, white }
  from "./screen.mjs";

const dir = path.resolve(process.argv[2] || "build-web");
const lastScreenPath = path.join(tmpdir(), "cca-web-touch-last-screen.png");

// ---- The screens, by their pixels.

const isMenu = (s) => s.count(0, 20, 800, 170, red) > 800 && s.count(0, 200, 12, 580, red) === 0;
const isIntro = (s) => s.count(100, 100, 300, 140, dark) > 40 &&
  s.count(100, 250, 500, 290, dark) === 0 && s.count(0, 0, 800, 100, white) === 80000;
// The health bar, green for what is left and light red for what is lost.
const lightRed = (r, g, b) => r > 200 && g > 90 && g < 170 && b > 90 && b < 170;
const hasHud = (s) => s.count(340, 22, 450, 38, lightGreen) +
  s.count(340, 22, 450, 38, lightRed) > 400;
const isPaused = (s) => s.count(100, 100, 200, 135, dark) > 40 &&
  s.count(100, 150, 300, 190, dark) === 0 && s.count(100, 250, 500, 290, dark) > 40 &&
  s.count(0, 0, 800, 100, white) === 80000;
// Red shapes big enough to be the candy cane (or a hat), not a shot or the aiming cross.
const caneShapes = (s) => s.redShapes().filter((shape) => shape.red > 80);

// ---- The page and its fingers.

let page, client, tag = "";
const errors = [];

async function layout() {
  const canvas = await page.$("#canvas");
  const css = await canvas.boundingBox();
  const [w, h] = await canvas.evaluate((c) => [c.width, c.height]);
  return { canvas, css, w, h, box: arenaBox(w, h) };
}
// Every screenshot also follows the candy cane: the big red shape nearest where it was; not
// while its shots fly, which join into shapes as big.
let cane = null, tracking = true;
async function grab() {
  let shot, box;
  // A window just resized may still show the canvas at its former size.
  for (let attempt = 0; ; ++attempt) {
    const now = await layout();
    shot = await now.canvas.screenshot({ type: "png", captureBeyondViewport: false });
    box = now.box;
    const { width, height } = pngjs.PNG.sync.read(shot);
    if ((width === now.w && height === now.h) || attempt === 20) break;
    await sleep(50);
  }
  const s = new Screen(shot, box);
  if (cane && tracking) {
    let best = null;
    for (const shape of caneShapes(s)) {
      const d = Math.hypot(shape.x - cane.x, shape.y - cane.y);
      if (d < 250 && (!best || d < best.d)) best = { x: shape.x, y: shape.y, d };
    }
    s.cane = best;
    if (best) cane = { x: best.x, y: best.y };
  }
  return s;
}
async function waitFor(done, timeoutMs = 10000) {
  const end = Date.now() + timeoutMs;
  let last;
  do {
    last = await grab();
    if (done(last)) return last;
    await sleep(100);
  } while (Date.now() < end);
  const { canvas } = await layout();
  await writeFile(lastScreenPath,
                  await canvas.screenshot({ type: "png", captureBeyondViewport: false }));
  console.log(`  the last screen is in ${lastScreenPath}`);
  return null;
}
// The page point that shows an arena point.
async function pagePoint(x, y) {
  const { css, box } = await layout();
  return { x: css.x + box.x + (x + 0.5) * box.w / 800, y: css.y + box.y + (y + 0.5) * box.h / 600 };
}

// The fingers on the screen, by id. A start or a move lists all of them (the protocol makes
// an event of each that changed); an end lists the fingers lifted.
const fingers = new Map();
async function touch(type, lifted = null) {
  const touchPoints = (lifted ? [lifted] : [...fingers])
    .map(([id, p]) => ({ id, x: p.x, y: p.y }));
  await client.send("Input.dispatchTouchEvent", { type, touchPoints });
}
async function down(id, x, y) {
  fingers.set(id, { x, y });
  await touch("touchStart");
}
async function move(id, x, y) {
  fingers.set(id, { x, y });
  await touch("touchMove");
}
async function up(id) {
  const lifted = [id, fingers.get(id)];
  fingers.delete(id);
  await touch("touchEnd", lifted);
}
async function tapArena(x, y) {
  const p = await pagePoint(x, y);
  await down(9, p.x, p.y);
  await sleep(80);
  await up(9);
}
async function tapUntil(x, y, done) {
  for (let attempt = 0; attempt < 4; ++attempt) {
    await tapArena(x, y);
    const s = await waitFor(done, 3000);
    if (s) return s;
  }
  return null;
}
// A control's box on the page, and its centre.
async function box(selector) {
  const b = await (await page.$(selector)).boundingBox();
  return b && { ...b, cx: b.x + b.width / 2, cy: b.y + b.height / 2 };
}
async function pressButton(selector, ms = 150) {
  const b = await box(selector);
  if (!b) {
    await page.screenshot({ path: lastScreenPath });
    assert(false, `${tag}${selector} is there to press`, `the page is in ${lastScreenPath}`);
  }
  await down(7, b.cx, b.cy);
  await sleep(ms);
  await up(7);
}
const bodyClass = () => page.evaluate(() => document.body.className);
const audioState = () => page.evaluate(() => window.Module?.SDL2?.audioContext?.state);
async function waitUntil(test, timeoutMs = 3000) {
  const end = Date.now() + timeoutMs;
  while (Date.now() < end) {
    if (await test()) return true;
    await sleep(50);
  }
  return false;
}

// ---- The walk, at one size.

// An ornament may catch the cane: the life lost screen and the level's intro then wait for
// a tap, and the cane starts again from the middle.
async function continueLevel() {
  if (hasHud(await grab())) return false;
  assert(await tapUntil(640, 480, hasHud), `${tag}play goes on after a tap`);
  cane = { x: 400, y: 300 };
  await sleep(300);
  return true;
}

// A check in play, which body makes and tells as [ok, detail]; tried again (up to three
// times) when play was broken off on the way.
async function playCheck(what, body) {
  for (let attempt = 1; ; ++attempt) {
    await continueLevel();
    const [ok, detail] = await body();
    if (fingers.size) {
      fingers.clear();
      await client.send("Input.dispatchTouchEvent", { type: "touchCancel", touchPoints: [] });
    }
    tracking = true;
    if (ok || attempt === 3 || hasHud(await grab())) return expect(ok, `${tag}${what}`, detail);
    console.log(`  play was broken off; again: ${what}`);
  }
}

async function startPlay(what) {
  assert(await waitFor(isMenu, 20000), `${tag}the title menu shows`);
  assert(await tapUntil(70, 215, isIntro), `${tag}a tap on Start shows level 1's intro`);
  // The intro's tap puts the aim far from the cane and the hat, low on the right.
  assert(await tapUntil(640, 480, hasHud), `${tag}a tap ends the intro: ${what}`);
  cane = { x: 400, y: 300 };
  await sleep(300);
}

async function walk(width, height, phone, shots) {
  tag = phone ? "phone: " : "tablet: ";
  await page.setViewport({ width, height, isMobile: true, hasTouch: true, isLandscape: true });
  await page.goto(page.url());
  await waitFor(isMenu, 20000);
  const first = await layout();
  if (phone) {
    expect(first.css.height === height && first.box.w === 520 && first.box.h === 390,
           `${tag}the arena is as tall as the screen, the page's bar beside it`,
           `canvas ${first.css.width} x ${first.css.height}, arena ${JSON.stringify(first.box)}`);
    if (shots) await page.screenshot({ path: path.join(shots, "web-touch-menu.png") });
  }
  await startPlay("play");
  if (phone) {
    expect(await waitUntil(async () => await audioState() === "running"),
           `${tag}sound runs after the first taps, with the autoplay rule that needs a gesture`,
           `${await audioState()}`);
  }
  expect((await bodyClass()).includes("touch-play"), `${tag}the touch controls show in play`);

  const sticks = { move: await box(".touch-move"), aim: await box(".touch-aim") };
  const buttons = {};
  const { css, box: arena } = await layout();
  for (const name of ["homing", "pause", "back"]) {
    const b = buttons[name] = await box(`.touch-${name}`);
    const label = await page.$eval(`.touch-${name}`, (e) => e.getAttribute("aria-label"));
    const outside = b.x + b.width <= css.x + arena.x || b.x >= css.x + arena.x + arena.w;
    expect(b.width >= 48 && b.height >= 48 && label && (outside || !phone),
           `${tag}the ${name} button is ${b.width} CSS px wide, labelled "${label}"` +
           (phone ? ", beside the arena" : ""));
  }
  const radius = sticks.move.width / 2;
  if (phone) {
    expect(sticks.move.x + sticks.move.width <= css.x + arena.x &&
           sticks.aim.x >= css.x + arena.x + arena.w,
           `${tag}the sticks rest in the bars, move on the left, aim on the right`);
  }

  // The homing button alone, no straight shot held: its shots find the level's one hat and
  // clear the level. Level 2's ornaments are blue, so from there on the red on the screen is
  // the cane, its shots and the aiming cross.
  await down(3, buttons.homing.cx, buttons.homing.cy);
  const cleared = await waitFor(isIntro, 15000);
  await up(3);
  assert(cleared, `${tag}the homing button's shots clear level 1`);
  assert(await tapUntil(640, 480, hasHud), `${tag}a tap starts level 2`);
  cane = { x: 400, y: 300 };
  await sleep(300);

  // One thumb on the move stick for a moment: the cane goes right; nothing fires and the
  // aim stays low on the right, where the last tap left it.
  await playCheck("the move stick pushed right moves the candy cane right, and one finger " +
                  "on it fires nothing and leaves the aim where it was", async () => {
    const from = { ...cane };
    const crossBefore = (await grab()).count(625, 465, 655, 495, red);
    await down(1, sticks.move.cx, sticks.move.cy);
    await move(1, sticks.move.cx + radius * 0.8, sticks.move.cy);
    await sleep(300);
    await up(1);
    const s = await grab();
    const cross = s.count(625, 465, 655, 495, red);
    const stray = s.redShapes().filter((shape) => shape.red < 80 &&
      Math.hypot(shape.x - cane.x, shape.y - cane.y) > 40 &&
      Math.hypot(shape.x - 640, shape.y - 480) > 25).length;
    return [cane.x > from.x + 30 && stray === 0 && cross >= Math.min(crossBefore, 3),
            `from ${from.x} to ${cane.x}, ${stray} shots, ${cross} red pixels at the cross ` +
            `(${crossBefore} before)`];
  });

  // Both thumbs: left while aiming right past a third of the stick, so it fires. The cane is
  // found again once its shots have flown.
  await playCheck("both thumbs: the cane moves left and fires right at once", async () => {
    const from = { ...cane };
    const shotsFrom = (t) => t.count(from.x + 40, from.y - 20, 800, from.y + 20, red);
    tracking = false;
    await down(1, sticks.move.cx, sticks.move.cy);
    await move(1, sticks.move.cx - radius * 0.8, sticks.move.cy);
    await down(2, sticks.aim.cx, sticks.aim.cy);
    await move(2, sticks.aim.cx + radius * 0.7, sticks.aim.cy);
    await sleep(300);
    if (shots) await page.screenshot({ path: path.join(shots, "web-touch-play.png") });
    const fired = Math.max(shotsFrom(await grab()), shotsFrom(await grab()));
    await up(1);
    await up(2);
    await waitFor((t) => shotsFrom(t) === 0, 3000);
    tracking = true;
    await grab();
    return [cane.x < from.x - 20 && fired > 10,
            `from ${from.x} to ${cane.x}, ${fired} red pixels to its right`];
  });

  // A cancelled touch lets go of both sticks: the shots in flight leave, no more come, and
  // the cane stays where it is.
  await playCheck("a cancelled touch lets go of everything held", async () => {
    tracking = false;
    await down(1, sticks.move.cx, sticks.move.cy);
    await move(1, sticks.move.cx, sticks.move.cy + radius * 0.8);
    await down(2, sticks.aim.cx, sticks.aim.cy);
    await move(2, sticks.aim.cx + radius * 0.7, sticks.aim.cy);
    await sleep(200);
    await client.send("Input.dispatchTouchEvent", { type: "touchCancel", touchPoints: [] });
    fingers.clear();
    await sleep(1500);
    tracking = true;
    await grab();
    const stopped = { ...cane };
    await sleep(500);
    const s = await grab();
    // The cane's shots would fly right along its row; an enemy's shot elsewhere is no fault.
    const strays = s.redShapes().filter((shape) => shape.red < 80 &&
      Math.abs(shape.y - cane.y) < 30 && shape.x > cane.x + 40 &&
      Math.hypot(shape.x - cane.x - 100, shape.y - cane.y) > 25);
    // What a stray shot was, should one be seen: its red pixels and where.
    const seen = strays.map((t) => `${t.red} at (${Math.round(t.x)},${Math.round(t.y)})`);
    return [strays.length === 0 && Math.hypot(cane.x - stopped.x, cane.y - stopped.y) < 8,
            `from ${JSON.stringify(stopped)} to ${JSON.stringify(cane)}, ` +
            `${strays.length} shots${seen.length ? `: ${seen.join(", ")}` : ""}`];
  });

  await continueLevel();
  await pressButton(".touch-pause");
  assert(await waitFor(isPaused), `${tag}the pause button pauses`);
  expect(!(await bodyClass()).includes("touch-play"),
         `${tag}the sticks and buttons step aside on the pause screen`);
  assert(await tapUntil(400, 300, hasHud), `${tag}a tap resumes play`);

  if (phone) {
    // Portrait: paused, asked to turn, the canvas hidden under the notice; turned back, the
    // pause screen, which a tap ends, and the canvas shown with the focus it had.
    const canvasState = () => page.$eval("#canvas", (c) =>
      `${getComputedStyle(c).visibility} ${document.activeElement === c ? "focused" : "blurred"}`);
    const before = await canvasState();
    await page.setViewport({ width: height, height: width, isMobile: true, hasTouch: true });
    const asked = await waitUntil(async () => (await bodyClass()).includes("touch-portrait") &&
      await page.$eval(".touch-turn", (e) => getComputedStyle(e).display !== "none"));
    expect(asked, `${tag}in portrait the page asks for the device to be turned`);
    expect((await canvasState()).startsWith("hidden"),
           `${tag}in portrait the canvas is hidden`, await canvasState());
    if (shots) await page.screenshot({ path: path.join(shots, "web-touch-portrait.png") });
    await page.setViewport({ width, height, isMobile: true, hasTouch: true, isLandscape: true });
    assert(await waitFor(isPaused), `${tag}turned back, play is paused`);
    const after = await canvasState();
    expect(after === before, `${tag}turned back, the canvas is shown as before`,
           `${before}, now ${after}`);
    assert(await tapUntil(400, 300, hasHud), `${tag}and a tap resumes it`);

    // A hidden page: paused, its sound suspended; shown again, the sound runs.
    const other = await page.browser().newPage();
    await other.bringToFront();
    const hidden = await waitUntil(() => page.evaluate(() => document.hidden));
    expect(hidden && await waitUntil(async () => await audioState() === "suspended"),
           `${tag}a hidden page suspends its sound`, `${await audioState()}`);
    await other.close();
    await page.bringToFront();
    assert(await waitFor(isPaused), `${tag}a hidden page pauses play`);
    expect(await waitUntil(async () => await audioState() === "running"),
           `${tag}shown again, its sound runs`);
    assert(await tapUntil(400, 300, hasHud), `${tag}a tap resumes play`);
  }

  await continueLevel();
  await pressButton(".touch-back");
  assert(await waitFor(isMenu), `${tag}the back button goes back to the menu`);

  // Left-handed: the move stick rests on the right; the option outlives a reload.
  const leftHanded = await page.$$eval(".touch-option", (all) =>
    all.findIndex((e) => e.textContent === "Left-handed"));
  await page.$$eval(".touch-option", (all, i) => all[i].click(), leftHanded);
  await page.reload();
  expect(await page.$$eval(".touch-option", (all, i) => all[i].getAttribute("aria-pressed"),
                           leftHanded) === "true",
         `${tag}the left-handed option is kept over a reload`);
  await startPlay("play, left-handed");
  const swapped = { move: await box(".touch-move"), aim: await box(".touch-aim") };
  expect(swapped.move.x > swapped.aim.x, `${tag}left-handed, the move stick is on the right`);
  await grab();
  await down(1, swapped.move.cx, swapped.move.cy);
  await move(1, swapped.move.cx - radius * 0.8, swapped.move.cy);
  await sleep(300);
  await up(1);
  await grab();
  expect(cane.x < 370, `${tag}left-handed, the right thumb moves the cane left`, `x ${cane.x}`);
  await page.$$eval(".touch-option", (all, i) => all[i].click(), leftHanded);
  await pressButton(".touch-back");
  assert(await waitFor(isMenu), `${tag}back to the menu`);
}

// Level 1 by touch alone: the aim stick points at the biggest red shape that is not the
// cane (the hat), pushed far enough to fire; the move stick keeps the cane away from it.
async function clearLevelOne() {
  tag = "phone: ";
  await startPlay("level 1");
  const sticks = { move: await box(".touch-move"), aim: await box(".touch-aim") };
  const r = sticks.move.width / 2;
  await down(1, sticks.move.cx, sticks.move.cy);
  await down(2, sticks.aim.cx, sticks.aim.cy);
  const end = Date.now() + 60000;
  let cleared = false, frames = 0;
  while (Date.now() < end && !cleared) {
    const s = await grab();
    ++frames;
    if (isIntro(s)) {
      cleared = true;
      break;
    }
    const hats = s.redShapes().filter((shape) => shape.red > 80 &&
      Math.hypot(shape.x - cane.x, shape.y - cane.y) > 30);
    if (!hats.length) continue;
    const hat = hats[0];
    const dx = hat.x - cane.x, dy = hat.y - cane.y, d = Math.hypot(dx, dy);
    await move(2, sticks.aim.cx + dx / d * r * 0.9, sticks.aim.cy + dy / d * r * 0.9);
    // Away from the hat when it is close, else back towards the middle.
    const [mx, my] = d < 180 ? [-dx / d, -dy / d] : [(400 - cane.x) / 200, (300 - cane.y) / 200];
    const m = Math.hypot(mx, my);
    const push = m < 0.2 ? 0 : 0.8 / Math.max(m, 1);
    await move(1, sticks.move.cx + mx * push * r, sticks.move.cy + my * push * r);
  }
  fingers.clear();
  await client.send("Input.dispatchTouchEvent", { type: "touchCancel", touchPoints: [] });
  expect(cleared, "phone: level 1 cleared by touch alone, aiming at what the screen shows",
         `${frames} screens looked at`);
}

async function desktopPage(browser, port) {
  const desk = await browser.newPage();
  await desk.setViewport({ width: 840, height: 640 });
  await desk.goto(`http://127.0.0.1:${port}/`);
  await desk.mouse.move(400, 300);
  await desk.mouse.move(420, 320);
  await desk.mouse.click(420, 320);
  const shown = await desk.evaluate(() => [...document.querySelectorAll(
    ".touch-layer, .touch-option, .touch-turn")].filter((e) => getComputedStyle(e).display !== "none").length);
  expect(shown === 0, "the desktop page shows no touch controls", `${shown} shown`);
  await desk.close();
}

async function main() {
  const shots = process.env.CCA_WEB_SHOTS ? path.resolve(process.env.CCA_WEB_SHOTS) : null;
  const { server, port } = await servePage(dir);
  let chromium;
  try {
    chromium = await launchChromium(60000, ["--autoplay-policy=document-user-activation-required"]);
    page = await chromium.browser.newPage();
    page.on("pageerror", (e) => errors.push(`page error: ${e.message}`));
    page.on("console", (m) => {
      const from = m.location().url || "";
      // SDL cancels every touchcancel, which the browser never lets be cancelled, and says so.
      const sdlCancel = m.text().startsWith("Ignored attempt to cancel a touch");
      if (m.type() === "error" && !from.endsWith("/favicon.ico") && !sdlCancel) {
        errors.push(`console error: ${m.text()}${from ? ` (${from})` : ""}`);
      }
    });
    client = await page.createCDPSession();
    await page.goto(`http://127.0.0.1:${port}/`);
    await walk(844, 390, true, shots);
    await clearLevelOne();
    await walk(1024, 768, false, null);
    await desktopPage(chromium.browser, port);
    expect(errors.length === 0, "no page or console errors", `\n  ${errors.join("\n  ")}`);
  } catch (e) {
    if (!(e instanceof Stop)) expect(false, "the walk ran to its end", e.stack || String(e));
    if (errors.length) console.log(`  the page's errors:\n  ${errors.join("\n  ")}`);
  } finally {
    if (chromium) await chromium.close();
    server.close();
  }
  console.log(`web touch: ${results.passed} passed, ${results.failed} failed`);
  return results.failed ? 1 : 0;
}

process.exitCode = await main();
