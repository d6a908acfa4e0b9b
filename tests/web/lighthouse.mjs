// Lighthouse's scores for the page, with Debian's Chromium headless, as a phone (Lighthouse's
// default) and as a desktop:
//   node tests/web/lighthouse.mjs <page dir>   serves the folder itself on a free port
//   node tests/web/lighthouse.mjs <url>        e.g. http://127.0.0.1:8080/ from make web-serve
// Prints each category's score and every audit that kept a category below 100. The exit code
// is 1 when accessibility, best practices or SEO is below 100 (performance is measured, not
// required: SwiftShader draws the canvas on the CPU).
import { createRequire } from "node:module";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { servePage } from "./browser.mjs";

const require = createRequire(fileURLToPath(import.meta.url));
const { default: lighthouse } = await import("lighthouse");
const chromeLauncher = require("chrome-launcher");

const target = process.argv[2] || "build-web";
const required = ["accessibility", "best-practices", "seo"];

async function audit(url, formFactor) {
  const chrome = await chromeLauncher.launch({
    chromePath: process.env.CHROME_PATH || "/usr/bin/chromium",
    chromeFlags: ["--headless=new", "--no-sandbox", "--use-angle=swiftshader",
                  "--enable-unsafe-swiftshader", "--disable-background-networking"],
  });
  try {
    const desktop = formFactor === "desktop";
    const result = await lighthouse(url, { port: chrome.port, output: "json", logLevel: "error" }, {
      extends: "lighthouse:default",
      settings: desktop ? {
        formFactor: "desktop", screenEmulation: { mobile: false, width: 1350, height: 940,
                                                  deviceScaleFactor: 1, disabled: false },
        throttling: { rttMs: 40, throughputKbps: 10240, cpuSlowdownMultiplier: 1 },
      } : {},
    });
    return result.lhr;
  } finally {
    await chrome.kill();
  }
}

let url = target, served = null;
if (!/^https?:/.test(target)) {
  served = await servePage(path.resolve(target));
  url = `http://127.0.0.1:${served.port}/`;
}
let short = false;
try {
  for (const formFactor of ["mobile", "desktop"]) {
    const lhr = await audit(url, formFactor);
    const scores = Object.values(lhr.categories)
      .map((c) => `${c.title} ${Math.round(c.score * 100)}`).join(", ");
    console.log(`lighthouse ${lhr.lighthouseVersion}, ${formFactor}: ${scores}`);
    for (const category of Object.values(lhr.categories)) {
      if (category.score === 1) continue;
      if (required.includes(category.id)) short = true;
      for (const ref of category.auditRefs) {
        const a = lhr.audits[ref.id];
        if (ref.weight > 0 && a.score !== null && a.score < 1) {
          const value = a.displayValue ? ` (${a.displayValue})` : "";
          console.log(`  ${category.title}: ${a.title}${value}`);
        }
      }
    }
  }
} finally {
  served?.server.close();
}
process.exitCode = short ? 1 : 0;
