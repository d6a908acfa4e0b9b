// How long a player waits for the title menu: the page opened with a cold cache in headless
// Chromium, served gzip-compressed as common static hosts serve it, from navigation to the
// first title-menu frame on the canvas, on two networks, three runs each:
//   mobile  Lighthouse's mobile profile: 1.6 Mbit/s down, 150 ms round trip, CPU 4 x slower
//   good    10 Mbit/s down, 40 ms round trip, the CPU as it is
//   node bench/web_load.mjs <page dir> [runs]
// The first menu frame is the first frame that draws anything on the canvas (the menu is the
// first screen), taken at the next animation frame after its first draw call, when the browser
// shows it. Also printed: the bytes over the wire before it (the page's resource timing), the
// main thread's tasks over 50 ms before it, and when the page's own first paint came.
import path from "node:path";
import { execFileSync } from "node:child_process";
import { launchChromium } from "../tests/web/browser.mjs";
import { startServer } from "../packaging/web/serve.mjs";

const dir = path.resolve(process.argv[2] || "build-web");
const runs = Number(process.argv[3] || 3);
const presets = [
  { name: "mobile", kbps: 1638.4, rtt: 150, cpu: 4, goalMs: 5000 },
  { name: "good", kbps: 10240, rtt: 40, cpu: 1, goalMs: 1500 },
];

// Runs before the page's own scripts: notes the first draw call on any WebGL canvas, then
// the animation frame that shows it, and every long task.
function instrument() {
  window.loadBench = { menuMs: null, firstDrawMs: null, longTasks: [] };
  for (const proto of [WebGLRenderingContext.prototype]) {
    for (const call of ["drawElements", "drawArrays"]) {
      const real = proto[call];
      proto[call] = function (...args) {
        if (window.loadBench.firstDrawMs === null) {
          window.loadBench.firstDrawMs = performance.now();
          requestAnimationFrame(() => { window.loadBench.menuMs = performance.now(); });
        }
        return real.apply(this, args);
      };
    }
  }
  new PerformanceObserver((list) => {
    for (const e of list.getEntries()) {
      window.loadBench.longTasks.push({ start: e.startTime, ms: e.duration });
    }
  }).observe({ type: "longtask", buffered: true });
}

// A fresh browser profile each run: the cache is cold, and works as a player's does (a file
// the page asks for twice while it is on its way comes once).
async function measure(port, preset) {
  const chromium = await launchChromium(180000);
  try {
    const page = await chromium.browser.newPage();
    await page.setViewport({ width: 840, height: 640 });
    const cdp = await page.createCDPSession();
    await cdp.send("Network.enable");
    // A fresh profile's cache can still hold what an earlier run's browser fetched.
    await cdp.send("Network.clearBrowserCache");
    await cdp.send("Network.emulateNetworkConditions", {
      offline: false, latency: preset.rtt,
      downloadThroughput: preset.kbps * 1024 / 8, uploadThroughput: 750 * 1024 / 8,
    });
    await cdp.send("Emulation.setCPUThrottlingRate", { rate: preset.cpu });
    await page.evaluateOnNewDocument(instrument);
    const errors = [];
    page.on("pageerror", (e) => errors.push(e.message));
    await page.goto(`http://127.0.0.1:${port}/`, { waitUntil: "domcontentloaded" });
    await page.waitForFunction(() => window.loadBench.menuMs !== null,
                               { timeout: 120000, polling: 200 });
    const result = await page.evaluate(() => {
      const menuMs = window.loadBench.menuMs;
      const nav = performance.getEntriesByType("navigation")[0];
      const resources = performance.getEntriesByType("resource");
      let bytes = nav.transferSize;
      const files = [];
      for (const r of resources) {
        if (r.responseEnd <= menuMs) bytes += r.transferSize;
        files.push({ name: r.name.replace(/^.*\//, ""), bytes: r.transferSize,
                     endMs: Math.round(r.responseEnd) });
      }
      const paint = performance.getEntriesByName("first-contentful-paint")[0];
      const long = window.loadBench.longTasks.filter((t) => t.start < menuMs);
      return {
        menuMs, bytes, files, fcpMs: paint ? paint.startTime : null,
        longCount: long.length, longMaxMs: Math.max(0, ...long.map((t) => t.ms)),
        blockingMs: long.reduce((sum, t) => sum + t.ms - 50, 0),
      };
    });
    result.errors = errors;
    return result;
  } finally {
    await chromium.close();
  }
}

const load = () => execFileSync("uptime").toString().replace(/^.*load average: /, "").trim();
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const { server, port } = await startServer(dir, { encodings: ["gzip"], gzipOnTheFly: true });
let failed = false;
try {
  for (const preset of presets) {
    const times = [];
    const bytes = [];
    for (let run = 1; run <= runs; ++run) {
      const before = load();
      const r = await measure(port, preset);
      times.push(r.menuMs);
      bytes.push(r.bytes);
      console.log(`${preset.name} run ${run}: first menu frame ${(r.menuMs / 1000).toFixed(2)} s, ` +
                  `${(r.bytes / 1e6).toFixed(2)} MB over the wire before it, first paint ` +
                  `${r.fcpMs === null ? "none" : (r.fcpMs / 1000).toFixed(2) + " s"}, ` +
                  `${r.longCount} tasks over 50 ms before it (longest ${Math.round(r.longMaxMs)} ms, ` +
                  `blocking ${Math.round(r.blockingMs)} ms); load average ${before}`);
      console.log("    " + r.files.map((f) => `${f.name} ${(f.bytes / 1e3).toFixed(0)} kB ` +
                                               `by ${f.endMs} ms`).join(", "));
      for (const e of r.errors) console.log(`    page error: ${e}`);
      if (r.errors.length) failed = true;
    }
    const m = median(times);
    console.log(`${preset.name} (${preset.kbps / 1024} Mbit/s, ${preset.rtt} ms, CPU x${preset.cpu}): ` +
                `median ${(m / 1000).toFixed(2)} s over ${runs} runs, ` +
                `${(median(bytes) / 1e6).toFixed(2)} MB before the menu; goal <= ` +
                `${preset.goalMs / 1000} s${m <= preset.goalMs ? "" : ", missed"}`);
  }
} finally {
  server.close();
}
process.exit(failed ? 1 : 0);
