// What the page's test and the browser benchmarks share: a folder served over HTTP as a plain
// static host serves it (no cross-origin isolation headers), and Debian's Chromium, headless,
// drawing WebGL with SwiftShader, in a fresh profile. Without the background-networking
// flags Chromium's connections are refused by a closed network, many at a time.
import { mkdtemp, rm } from "node:fs/promises";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { startServer } from "../../packaging/web/serve.mjs";

export { types } from "../../packaging/web/serve.mjs";

const require = createRequire(fileURLToPath(import.meta.url));
const puppeteer = require("puppeteer-core");

// Serves dir on 127.0.0.1 at a free port as packaging/web/serve.mjs serves a page (its
// compressed copies, its types); served counts the bytes sent per path, missing lists the
// paths answered with 404. Resolves once it listens.
export async function servePage(dir) {
  const served = new Map();
  const { server, port, missing } = await startServer(dir, {
    onSent: (name, bytes) => served.set(name, (served.get(name) || 0) + bytes),
  });
  return { server, port, served, missing };
}

// Chromium with a profile of its own and any further flags; close() ends it and removes the
// profile.
export async function launchChromium(protocolTimeout, flags = []) {
  const profile = await mkdtemp(path.join(tmpdir(), "cca-chromium-"));
  let browser;
  try {
    browser = await puppeteer.launch({
      executablePath: "/usr/bin/chromium",
      headless: true,
      protocolTimeout,
      // Puppeteer holds every worker it attaches to at its start until it lets it run; a
      // service worker woken for a message now and then stays held, and the page's switch
      // to a new build never happens. The tests look at the pages alone.
      targetFilter: (target) => target.type() !== "service_worker",
      args: ["--headless=new", "--no-sandbox", "--use-angle=swiftshader",
             "--enable-unsafe-swiftshader", "--disable-background-networking",
             "--disable-component-update", "--disable-sync", "--no-first-run", "--disable-quic",
             `--user-data-dir=${profile}`, ...flags],
    });
  } catch (e) {
    await rm(profile, { recursive: true, force: true });
    throw e;
  }
  return {
    browser,
    close: async () => {
      await browser.close();
      await rm(profile, { recursive: true, force: true });
    },
  };
}
