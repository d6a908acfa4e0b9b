// A CPU profile of the main thread through the crowded field of bench/web_frames.cpp, in
// headless Chromium, from the build that keeps the wasm's function names:
//   node bench/web_profile.mjs <bench-page dir> [out.cpuprofile]
// Prints the self time of the busiest functions and the longest single calls (a call that
// waits on the GPU process shows up there), and saves the profile, which DevTools opens.
import { writeFile } from "node:fs/promises";
import path from "node:path";
import { launchChromium, servePage } from "../tests/web/browser.mjs";

const dir = path.resolve(process.argv[2] || "build-wasm/bench-page");
const out = path.resolve(process.argv[3] || "crowd.cpuprofile");
const { server, port } = await servePage(dir);
const chromium = await launchChromium(30 * 60 * 1000);
let profile;
try {
  const page = await chromium.browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  page.on("console", (m) => { if (m.text().includes("work per frame")) console.log(m.text()); });
  const cdp = await page.createCDPSession();
  await cdp.send("Profiler.enable");
  await cdp.send("Profiler.setSamplingInterval", { interval: 250 });  // microseconds
  await cdp.send("Profiler.start");
  await page.goto(`http://127.0.0.1:${port}/web_frames.html?program=bench_web_frames_profile&crowd`);
  while ((await page.evaluate("window.benchDone")) === undefined) {
    await new Promise((wake) => setTimeout(wake, 1000));
  }
  ({ profile } = await cdp.send("Profiler.stop"));
} finally {
  await chromium.close();
  server.close();
}
await writeFile(out, JSON.stringify(profile));

// Each sample's function, and how long until the next sample.
const nodes = new Map(profile.nodes.map((n) => [n.id, n]));
const nameOf = (id) => nodes.get(id).callFrame.functionName || "(anonymous)";
const self = new Map();
const calls = [];  // runs of consecutive samples in one function
let total = 0;
for (let i = 0; i < profile.samples.length; i++) {
  const name = nameOf(profile.samples[i]);
  const us = profile.timeDeltas[i + 1] ?? 0;
  self.set(name, (self.get(name) || 0) + us);
  total += us;
  const last = calls[calls.length - 1];
  if (last && last.name === name) last.us += us;
  else calls.push({ name, us });
}
const ms = (us) => (us / 1000).toFixed(1).padStart(9);
console.log(`\nself time, of ${ms(total).trim()} ms in all:`);
for (const [name, us] of [...self].sort((a, b) => b[1] - a[1]).slice(0, 25)) {
  console.log(`${ms(us)} ms ${(100 * us / total).toFixed(1).padStart(5)}%  ${name}`);
}
console.log("\nthe longest single calls:");
for (const { name, us } of calls.filter((c) => !c.name.startsWith("(")).sort((a, b) => b.us - a.us).slice(0, 10)) {
  console.log(`${ms(us)} ms  ${name}`);
}
console.log(`\nprofile: ${out}`);
