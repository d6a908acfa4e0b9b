// Opens bench/web_frames.html in headless Chromium (SwiftShader's software WebGL) once per
// renderer and prints what each program measured:
//   node bench/web_frames.mjs <bench-page dir>
// puppeteer-core comes from tests/web/node_modules (tests/web/run.sh installs it).
import { createServer } from "node:http";
import { readFile, mkdtemp, rm } from "node:fs/promises";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, "../tests/web/package.json"));
const puppeteer = require("puppeteer-core");

const dir = path.resolve(process.argv[2] || "build-wasm/bench-page");
const types = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm" };
const server = createServer(async (req, res) => {
  const name = path.normalize(decodeURIComponent(new URL(req.url, "http://x").pathname));
  try {
    const body = await readFile(path.join(dir, name));
    res.writeHead(200, { "Content-Type": types[path.extname(name)] || "application/octet-stream" });
    res.end(body);
  } catch {
    res.writeHead(404);
    res.end();
  }
});
await new Promise((done) => server.listen(0, "127.0.0.1", done));
const port = server.address().port;

const profile = await mkdtemp(path.join(tmpdir(), "cca-bench-"));
const browser = await puppeteer.launch({
  executablePath: "/usr/bin/chromium",
  headless: "new",
  protocolTimeout: 60 * 60 * 1000,
  args: ["--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--no-first-run", "--disable-quic", `--user-data-dir=${profile}`],
});
let failed = false;
try {
  for (const program of ["bench_web_frames", "bench_web_frames_legacy"]) {
    const page = await browser.newPage();
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
    // A whole game takes minutes: asked every few seconds, not waited on in the page.
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
  await browser.close();
  server.close();
  await rm(profile, { recursive: true, force: true });
}
process.exit(failed ? 1 : 0);
