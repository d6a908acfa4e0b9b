// Opens bench/web_frames.html in headless Chromium (SwiftShader's software WebGL) once per
// renderer and prints what each program measured:
//   node bench/web_frames.mjs <bench-page dir>
// CCA_BENCH_CROWD=1 measures the crowded field alone. The server and the browser are the
// page test's (tests/web/browser.mjs, whose modules tests/web/run.sh installs).
import path from "node:path";
import { launchChromium, servePage } from "../tests/web/browser.mjs";

const dir = path.resolve(process.argv[2] || "build-wasm/bench-page");
const { server, port } = await servePage(dir);
// A whole game takes minutes.
const chromium = await launchChromium(60 * 60 * 1000);
let failed = false;
try {
  for (const program of ["bench_web_frames", "bench_web_frames_legacy"]) {
    const page = await chromium.browser.newPage();
    await page.setViewport({ width: 800, height: 600 });
    page.on("console", (m) => {
      const text = m.text();
      if (text.includes("work per frame") || text.includes("no frames")) console.log(text);
      else if (m.type() === "error" && !text.startsWith("level") && !text.includes("lives")) {
        console.error(`${program}: ${text}`);
      }
    });
    page.on("pageerror", (e) => { console.error(`${program}: ${e.message}`); failed = true; });
    const only = process.env.CCA_BENCH_CROWD ? "&crowd" : "";
    await page.goto(`http://127.0.0.1:${port}/web_frames.html?program=${program}${only}`);
    // Asked every few seconds, not waited on in the page.
    while ((await page.evaluate("window.benchDone")) === undefined) {
      await new Promise((wake) => setTimeout(wake, 3000));
    }
    const code = await page.evaluate("window.benchDone");
    if (code !== 0) {
      console.error(`${program} ended with ${code}`);
      failed = true;
    }
    await page.close();
  }
} finally {
  await chromium.close();
  server.close();
}
process.exit(failed ? 1 : 0);
