// Writes <page dir>/sw.js: packaging/web/sw.js after one line that names the build and lists
// the files the page is made of, each with its SHA-256. Run as the last step of the page's
// build, so the list is whatever the build emitted, under whatever names:
//   node packaging/web/make-sw.mjs <page dir>
// Every file of the folder is listed but sw.js itself and the compressed copies a server may
// send in place of a file (.br, .gz), which stand for the file they compress. The build's name
// is the first 16 hex digits of the SHA-256 of the list and the worker's code, so a new worker
// never shares its cache with the one before.
import { createHash } from "node:crypto";
import { readdir, readFile, writeFile } from "node:fs/promises";
import path from "node:path";
import { fileURLToPath } from "node:url";

const dir = process.argv[2];
if (!dir) {
  console.error("usage: node make-sw.mjs <page dir>");
  process.exit(2);
}

async function filesUnder(folder, prefix = "") {
  const out = [];
  for (const entry of await readdir(folder, { withFileTypes: true })) {
    const name = prefix + entry.name;
    if (entry.isDirectory()) out.push(...await filesUnder(path.join(folder, entry.name), name + "/"));
    else if (entry.isFile()) out.push(name);
  }
  return out;
}

const skipped = (name) => name === "sw.js" || /\.(br|gz)$/.test(name);
const names = (await filesUnder(dir)).filter((n) => !skipped(n)).sort();
if (!names.includes("index.html")) {
  console.error(`make-sw: ${dir} has no index.html`);
  process.exit(1);
}
const files = [];
for (const name of names) {
  const sha256 = createHash("sha256").update(await readFile(path.join(dir, name))).digest("hex");
  files.push({ url: encodeURI(name), sha256 });
}
const listing = files.map((f) => `${f.url} ${f.sha256}\n`).join("");
const source = await readFile(path.join(path.dirname(fileURLToPath(import.meta.url)), "sw.js"),
                              "utf8");
const name = createHash("sha256").update(listing).update(source).digest("hex").slice(0, 16);
const build = { name, files };
const worker = `const build = ${JSON.stringify(build)};\n` + source;
await writeFile(path.join(dir, "sw.js"), worker);
console.log(`make-sw: build ${build.name}, ${files.length} files in ${path.join(dir, "sw.js")}`);
