// The page's start-up as the browser's main thread runs it: every task from navigation until
// a few seconds after the title menu, from a trace of headless Chromium, with the functions
// that were busiest in each (the build that keeps the program's function names):
//   node bench/web_tasks.mjs [--lighthouse] <page dir> [seconds] [shortest ms]
// (make web-tasks builds build-wasm/page-names/ and runs this on it.) Prints the page's
// paints and its first menu frame, then each task of at least shortest ms (12.5 by default:
// four times that is the 50 ms at which a browser calls a task long), how busy the GPU
// process's main thread was meanwhile (a WebGL call that waits for an answer waits for it),
// and last what Lighthouse's phone would make of them: the tasks after the first contentful
// paint that are long at four times their length, and the time they block input beyond 50 ms
// each. With --lighthouse the trace is Lighthouse's own mobile run's (bench/lighthouse, as
// make web-lighthouse installs it), which records the screen as it goes: its tasks are the
// ones its score counts.
import { execFile } from "node:child_process";
import { mkdtemp, readFile, rm } from "node:fs/promises";
import { tmpdir } from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { promisify } from "node:util";
import { launchChromium } from "../tests/web/browser.mjs";
import { startServer } from "../packaging/web/serve.mjs";

const args = process.argv.slice(2);
const lighthouse = args[0] === "--lighthouse";
if (lighthouse) args.shift();
const dir = path.resolve(args[0] || "build-wasm/page-names");
const seconds = Number(args[1] || 6);
const shortestMs = Number(args[2] || 12.5);
const phoneSlowdown = 4;  // Lighthouse's mobile preset
const categories = [
  "devtools.timeline", "disabled-by-default-devtools.timeline", "blink.user_timing", "loading",
  "v8.execute", "toplevel", "disabled-by-default-v8.cpu_profiler", "gpu"];

// Lighthouse's mobile run in its gathering mode, which leaves the trace it scores.
async function lighthouseTrace(url) {
  const here = path.dirname(fileURLToPath(import.meta.url));
  const cli = path.join(here, "lighthouse", "node_modules", "lighthouse", "cli", "index.js");
  const out = await mkdtemp(path.join(tmpdir(), "cca-web-tasks-"));
  try {
    await promisify(execFile)(process.execPath, [
      cli, url, "--quiet", "--only-categories=performance", `-G=${out}`,
      "--chrome-flags=--headless=new --no-sandbox --use-angle=swiftshader " +
        "--enable-unsafe-swiftshader",
      "--additional-trace-categories=disabled-by-default-v8.cpu_profiler,gpu",
    ], { env: { ...process.env, CHROME_PATH: "/usr/bin/chromium" }, maxBuffer: 64 << 20 });
    return JSON.parse(await readFile(path.join(out, "defaultPass.trace.json"), "utf8"));
  } finally {
    await rm(out, { recursive: true, force: true });
  }
}

// The page opened as a phone in headless Chromium, traced for seconds.
async function pageTrace(url) {
  const traceFile = path.join(tmpdir(), `cca-web-tasks-${process.pid}.json`);
  const chromium = await launchChromium(180000);
  try {
    const page = await chromium.browser.newPage();
    await page.setViewport({ width: 412, height: 823, isMobile: true, hasTouch: true,
                             deviceScaleFactor: 1.75 });
    await page.tracing.start({ path: traceFile, categories });
    await page.goto(url);
    await new Promise((wake) => setTimeout(wake, seconds * 1000));
    await page.tracing.stop();
    return JSON.parse(await readFile(traceFile, "utf8"));
  } finally {
    await chromium.close();
    await rm(traceFile, { force: true });
  }
}

const { server, port } = await startServer(dir);
let events;
try {
  const url = `http://127.0.0.1:${port}/`;
  const trace = lighthouse ? await lighthouseTrace(url) : await pageTrace(url);
  events = Array.isArray(trace) ? trace : trace.traceEvents;
} finally {
  server.close();
}

// The page's main thread is the one that parsed it.
const parse = events.find((e) => e.name === "ParseHTML" &&
                          String(e.args?.beginData?.url || "").includes(`:${port}/`));
const onMain = (e) => e.pid === parse.pid && e.tid === parse.tid;
const start = events.filter((e) => e.name === "navigationStart" && e.pid === parse.pid).pop()?.ts
  ?? parse.ts;
const ms = (ts) => (ts - start) / 1000;

// The outermost tasks of the main thread.
const runs = events.filter((e) => onMain(e) && e.ph === "X" &&
                                 (e.name === "RunTask" || e.name === "ThreadControllerImpl::RunTask"))
  .sort((a, b) => a.ts - b.ts || b.dur - a.dur);
const tasks = [];
for (const t of runs) {
  const last = tasks[tasks.length - 1];
  if (!last || t.ts >= last.ts + last.dur) tasks.push(t);
}

// The main thread's CPU profile, from the trace's chunks: each sample's stack.
const nodes = new Map();
const samples = [];
for (const profile of events.filter((e) => e.name === "Profile" && onMain(e))) {
  let t = profile.args.data.startTime;
  for (const chunk of events.filter((e) => e.name === "ProfileChunk" && e.id === profile.id &&
                                     e.pid === parse.pid)) {
    const cpu = chunk.args.data.cpuProfile || {};
    for (const n of cpu.nodes || []) nodes.set(n.id, n);
    (cpu.samples || []).forEach((id, i) => {
      t += chunk.args.data.timeDeltas?.[i] || 0;
      samples.push({ t, id });
    });
  }
}
const nameOf = (n) => n.callFrame.functionName || n.callFrame.url.replace(/^.*\//, "") || "(page)";
// The glue between JavaScript and the program, and the program's outermost frames, say
// nothing about what a task did.
const glue = /^(\(root\)|\(program\)|\(idle\)|\(page\)|Module\..*|dynCall_.*|invoke_.*|js-to-wasm.*|wasm-to-js.*|ret\.<computed>|doRewind|callUserCallback|handleSleep|handleAsync|_emscripten_sleep|callMain|doRun|run|main|game::GameMain.*|candycane-arena.*)$/;
// A C++ function's name without its parameters.
function shortName(name) {
  if (!name.endsWith(")")) return name;
  let depth = 0;
  for (let i = name.length - 1; i >= 0; --i) {
    if (name[i] === ")") ++depth;
    if (name[i] === "(" && --depth === 0) return name.slice(0, i);
  }
  return name;
}

function busiest(task) {
  const inside = samples.filter((s) => s.t >= task.ts && s.t <= task.ts + task.dur);
  const counts = new Map();
  for (const s of inside) {
    const seen = new Set();
    for (let n = nodes.get(s.id); n; n = nodes.get(n.parent)) {
      const name = nameOf(n);
      if (!glue.test(name) && !seen.has(name)) counts.set(name, (counts.get(name) || 0) + 1);
      seen.add(name);
    }
  }
  return [...counts].sort((a, b) => b[1] - a[1]).slice(0, 4)
    .map(([name, n]) => `${shortName(name)} ${Math.round(100 * n / inside.length)}%`)
    .join(", ");
}

const marks = new Map();
for (const e of events) {
  if (e.pid !== parse.pid) continue;
  if (["firstContentfulPaint", "largestContentfulPaint::Candidate", "game first frame"]
      .includes(e.name) && !marks.has(e.name)) marks.set(e.name, e.ts);
}
const fcp = marks.get("firstContentfulPaint");
console.log(`first contentful paint ${fcp ? ms(fcp).toFixed(0) : "none"} ms, largest ` +
            `${ms(marks.get("largestContentfulPaint::Candidate") ?? start).toFixed(0)} ms, ` +
            `the title menu ${marks.has("game first frame") ? ms(marks.get("game first frame")).toFixed(0) : "not"} ms`);
let blocking = 0, long = 0;
for (const t of tasks) {
  const d = t.dur / 1000;
  if (fcp && t.ts >= fcp && phoneSlowdown * d > 50) {
    blocking += phoneSlowdown * d - 50;
    ++long;
  }
  if (d < shortestMs) continue;
  const what = busiest(t);
  console.log(`${ms(t.ts).toFixed(0).padStart(6)} ms  ${d.toFixed(1).padStart(6)} ms  ${what || "(the browser's own work)"}`);
}

// The GPU process's main thread from the first paint to the menu: the WebGL calls that wait
// for an answer (making a context, asking how a shader built) wait behind all it does.
const threadNames = new Map(events.filter((e) => e.name === "thread_name")
  .map((e) => [`${e.pid}:${e.tid}`, e.args.name]));
const menu = marks.get("game first frame");
if (fcp && menu) {
  let busy = 0;
  let last = fcp;
  for (const e of events.filter((e) => e.ph === "X" && e.name === "RunTask" &&
                               threadNames.get(`${e.pid}:${e.tid}`) === "CrGpuMain")
    .sort((a, b) => a.ts - b.ts)) {
    const from = Math.max(e.ts, last), to = Math.min(e.ts + e.dur, menu);
    if (to > from) busy += to - from;
    last = Math.max(last, e.ts + e.dur);
  }
  console.log(`the GPU process's main thread was busy ${Math.round(100 * busy / (menu - fcp))}% ` +
              "of the time from the first paint to the menu");
}
console.log(`at ${phoneSlowdown} x: ${long} long tasks after the first paint, blocking ` +
            `${Math.round(blocking)} ms`);
