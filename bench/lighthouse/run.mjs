// Lighthouse (pinned in package.json beside this file) on the page as packaging/web/serve.mjs
// serves it, with its mobile and its desktop preset, three runs each:
//   node bench/lighthouse/run.mjs <page dir> [runs] [mobile|desktop|sideways]
// (sideways, asked for alone, is the mobile preset's phone held as the game is played on it:
// upright, the page covers the game with a notice to turn the phone.)
// Prints each run's four category scores and the core metrics, and every audit that kept
// accessibility, best practices or SEO below 100, then each preset's median; the last run's
// reports are left in build-wasm/lighthouse-<preset>.json when that folder exists. The exit
// code is 1 when accessibility, best practices or SEO was below 100 in any run (performance
// is measured, not required). Chromium is Debian's, headless, drawing WebGL with SwiftShader
// as in the page test.
import { execFile, execFileSync } from "node:child_process";
import { existsSync } from "node:fs";
import { writeFile } from "node:fs/promises";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { promisify } from "node:util";
import { startServer } from "../../packaging/web/serve.mjs";

const here = path.dirname(fileURLToPath(import.meta.url));
const dir = path.resolve(process.argv[2] || "build-web");
const runs = Number(process.argv[3] || 3);
const presets = process.argv[4] ? [process.argv[4]] : ["mobile", "desktop"];
if (!presets.every((p) => ["mobile", "desktop", "sideways"].includes(p))) {
  console.error(`run.mjs: no preset "${process.argv[4]}": mobile, desktop or sideways`);
  process.exit(2);
}
const cli = path.join(here, "node_modules", "lighthouse", "cli", "index.js");
const flags = "--headless=new --no-sandbox --use-angle=swiftshader --enable-unsafe-swiftshader";
const categories = ["performance", "accessibility", "best-practices", "seo"];
const metrics = [
  ["first-contentful-paint", "FCP", "s"], ["largest-contentful-paint", "LCP", "s"],
  ["total-blocking-time", "TBT", "ms"], ["cumulative-layout-shift", "CLS", ""],
  ["speed-index", "SI", "s"], ["interactive", "TTI", "s"],
];

function shown(audit, unit) {
  if (!audit || audit.numericValue === undefined) return "n/a";
  const v = audit.numericValue;
  if (unit === "s") return `${(v / 1000).toFixed(1)} s`;
  if (unit === "ms") return `${Math.round(v)} ms`;
  return v.toFixed(3);
}

async function lighthouse(url, preset) {
  const args = [cli, url, "--output=json", "--output-path=stdout", "--quiet",
                `--chrome-flags=${flags}`, "--only-categories=" + categories.join(",")];
  if (preset === "desktop") args.push("--preset=desktop");
  if (preset === "sideways") {
    args.push("--screenEmulation.width=823", "--screenEmulation.height=412");
  }
  const { stdout } = await promisify(execFile)(process.execPath, args, {
    env: { ...process.env, CHROME_PATH: "/usr/bin/chromium" }, maxBuffer: 256 << 20,
  });
  return JSON.parse(stdout);
}

const load = () => execFileSync("uptime").toString().replace(/^.*load average: /, "").trim();
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const required = ["accessibility", "best-practices", "seo"];
let short = false;
const { server, port } = await startServer(dir);
try {
  for (const preset of presets) {
    const perf = [];
    let report;
    for (let run = 1; run <= runs; ++run) {
      const before = load();
      report = await lighthouse(`http://127.0.0.1:${port}/`, preset);
      const scores = categories.map((c) => {
        const score = report.categories[c]?.score;
        return `${c} ${score === null || score === undefined ? "n/a" : Math.round(score * 100)}`;
      });
      perf.push(Math.round((report.categories.performance?.score ?? 0) * 100));
      const core = metrics.map(([id, name, unit]) => `${name} ${shown(report.audits[id], unit)}`);
      console.log(`${preset} run ${run}: ${scores.join(", ")}; ${core.join(", ")}; ` +
                  `load average ${before}`);
      if (report.runtimeError) console.log(`    runtime error: ${report.runtimeError.message}`);
      for (const id of required) {
        const category = report.categories[id];
        if (!category || category.score === 1) continue;
        short = true;
        for (const ref of category.auditRefs) {
          const audit = report.audits[ref.id];
          if (ref.weight > 0 && audit.score !== null && audit.score < 1) {
            console.log(`    ${category.title}: ${audit.title}` +
                        (audit.displayValue ? ` (${audit.displayValue})` : ""));
          }
        }
      }
    }
    console.log(`${preset}: performance median ${median(perf)} over ${runs} runs ` +
                `(${perf.join(", ")}); goal >= 90${median(perf) >= 90 ? "" : ", missed"}`);
    const out = path.resolve("build-wasm");
    if (existsSync(out)) {
      await writeFile(path.join(out, `lighthouse-${preset}.json`), JSON.stringify(report));
    }
  }
} finally {
  server.close();
}
process.exitCode = short ? 1 : 0;
