// The last step of the page's build: puts the program and the files the page fetches beside
// it into the page's folder under names that carry their content's hash (so a host may let
// browsers keep them for good), writes the page with its loader inlined and the table of
// those names, and a brotli and a gzip copy beside every file a host would compress.
//   node packaging/web/finish-page.mjs <page dir> <page> <loader> <program.js> <program.wasm>
//        [--early file]... [--late file]... [--picture file] [--inline file]...
// Early files are fetched by the page beside the program (the title picture the menu draws),
// late ones only once the title menu is up. The picture is what the page shows
// while the program loads: it goes into the page itself, as the source of its
// <img id="loading-title">, so it is there at the page's first paint. The loader and every
// inline file (a script or a style sheet the page names by its file name) go into the page
// too, so it shows and starts without waiting for any other file.
// Files of an earlier build that no longer belong are removed; anything else in the folder is
// left alone, so a later step may add its own files.
import { createHash } from "node:crypto";
import { mkdir, readdir, readFile, rm, writeFile } from "node:fs/promises";
import path from "node:path";
import { brotliCompressSync, constants, gzipSync } from "node:zlib";
import { types } from "./serve.mjs";

const [outDir, pagePath, loaderPath, jsPath, wasmPath, ...rest] = process.argv.slice(2);
if (!wasmPath) {
  console.error("usage: finish-page.mjs <page dir> <page> <loader> <program.js> <program.wasm> " +
                "[--early file]... [--late file]... [--picture file] [--inline file]...");
  process.exit(2);
}
const pageFiles = [];
let picture = null;
const inline = [loaderPath];
for (let i = 0; i < rest.length; i += 2) {
  if (!["--early", "--late", "--picture", "--inline"].includes(rest[i]) || !rest[i + 1]) {
    console.error(`finish-page.mjs: expected --early, --late, --picture or --inline and a file ` +
                  `at "${rest[i]}"`);
    process.exit(2);
  }
  if (rest[i] === "--picture") picture = rest[i + 1];
  else if (rest[i] === "--inline") inline.push(rest[i + 1]);
  else pageFiles.push({ file: rest[i + 1], when: rest[i].slice(2) });
}

// name.ext becomes name.<16 hex digits of its SHA-256>.ext.
function hashedName(file, bytes) {
  const ext = path.extname(file);
  const hash = createHash("sha256").update(bytes).digest("hex").slice(0, 16);
  return `${path.basename(file, ext)}.${hash}${ext}`;
}

// Writes only what changed, so the files' times stay those of their content.
async function put(name, bytes) {
  const file = path.join(outDir, name);
  const old = await readFile(file).catch(() => null);
  if (!old || !old.equals(bytes)) await writeFile(file, bytes);
}

// The brotli and gzip copies, at the strongest settings: they are made once per build.
async function putCompressed(name, bytes) {
  await put(`${name}.br`, brotliCompressSync(bytes, { params: {
    [constants.BROTLI_PARAM_QUALITY]: constants.BROTLI_MAX_QUALITY,
    [constants.BROTLI_PARAM_SIZE_HINT]: bytes.length,
  } }));
  await put(`${name}.gz`, gzipSync(bytes, { level: 9 }));
}

await mkdir(outDir, { recursive: true });
const table = {};
const kept = new Set();
const stems = new Set();
for (const { file, when } of [{ file: jsPath, when: "program" }, { file: wasmPath, when: "program" },
                              ...pageFiles]) {
  const bytes = await readFile(file);
  const name = hashedName(file, bytes);
  const entry = { url: name, bytes: bytes.length };
  if (when !== "program") entry.when = when;
  table[path.basename(file)] = entry;
  stems.add(path.basename(file, path.extname(file)));
  await put(name, bytes);
  kept.add(name);
  if (when === "program") {
    await putCompressed(name, bytes);
    kept.add(`${name}.br`).add(`${name}.gz`);
  }
}

// The page: the inline files where the template names them, the table where it is left empty.
let page = await readFile(pagePath, "utf8");
const tableTag = '<script type="application/json" id="page-files">{}</script>';
if (!page.includes(tableTag)) {
  console.error(`finish-page.mjs: ${pagePath} has no ${tableTag}`);
  process.exit(1);
}
page = page.replace(tableTag, () => tableTag.replace("{}", JSON.stringify(table)));
for (const file of inline) {
  const name = path.basename(file);
  const text = (await readFile(file, "utf8")).trimEnd();
  const script = `<script src="${name}"></script>`;
  const sheet = `<link rel="stylesheet" href="${name}">`;
  const [tag, element] = page.includes(script) ? [script, "script"] : [sheet, "style"];
  if (!page.includes(tag) || text.toLowerCase().includes(`</${element}`)) {
    console.error(`finish-page.mjs: ${pagePath} names no ${name}, or it cannot be inlined`);
    process.exit(1);
  }
  page = page.replace(tag, () => `<${element}>\n${text}\n</${element}>`);
}
if (picture) {
  const img = '<img id="loading-title"';
  const type = types[path.extname(picture)];
  if (!page.includes(img) || !type?.startsWith("image/")) {
    console.error(`finish-page.mjs: ${pagePath} has no ${img}, or ${picture} is no picture`);
    process.exit(1);
  }
  const data = (await readFile(picture)).toString("base64");
  page = page.replace(img, () => `${img} src="data:${type};base64,${data}"`);
}
const pageName = path.basename(pagePath);
await put(pageName, Buffer.from(page));
await putCompressed(pageName, Buffer.from(page));
kept.add(pageName).add(`${pageName}.br`).add(`${pageName}.gz`);

// What an earlier build left: other hashes of the same files, and the program's old names.
const stale = (name) => {
  const m = /^(.+)\.([0-9a-f]{16})\.[^.]+(\.br|\.gz)?$/.exec(name);
  if (m) return stems.has(m[1]) && !kept.has(name);
  return [path.basename(jsPath), path.basename(wasmPath)].includes(name);
};
for (const name of await readdir(outDir)) {
  if (stale(name)) await rm(path.join(outDir, name));
}
