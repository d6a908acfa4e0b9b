// The page's last build step and its server, without a browser: the hashed names, the table
// the page reads, the compressed copies and what an earlier build left; then what the server
// sends for each Accept-Encoding, with which type and cache rule.
//   node tests/web/page_build.mjs
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtemp, readdir, readFile, rm, writeFile } from "node:fs/promises";
import { request } from "node:http";
import { tmpdir } from "node:os";
import path from "node:path";
import test from "node:test";
import { fileURLToPath } from "node:url";
import { brotliDecompressSync, gunzipSync } from "node:zlib";
import { startServer } from "../../packaging/web/serve.mjs";

const web = path.join(path.dirname(fileURLToPath(import.meta.url)), "../../packaging/web");

async function finishPage(dir, out, program) {
  const js = path.join(dir, "candycane-arena.js");
  const wasm = path.join(dir, "candycane-arena.wasm");
  await writeFile(js, "console.log('program');\n".repeat(50));
  await writeFile(wasm, program);
  await writeFile(path.join(dir, "title.png"), "picture");
  await writeFile(path.join(dir, "christmas.ogg"), "music");
  await writeFile(path.join(dir, "loading.webp"), "small picture");
  execFileSync(process.execPath, [path.join(web, "finish-page.mjs"), out,
                                  path.join(web, "index.html"), path.join(web, "loader.js"),
                                  js, wasm, "--early", path.join(dir, "title.png"),
                                  "--late", path.join(dir, "christmas.ogg"),
                                  "--picture", path.join(dir, "loading.webp")]);
  const page = await readFile(path.join(out, "index.html"), "utf8");
  return JSON.parse(/id="page-files">(.*?)<\/script>/.exec(page)[1]);
}

function get(port, name, encoding) {
  return new Promise((done, fail) => {
    request({ port, path: name, headers: encoding ? { "Accept-Encoding": encoding } : {} },
            (res) => {
              const chunks = [];
              res.on("data", (c) => chunks.push(c));
              res.on("end", () => done({ res, body: Buffer.concat(chunks) }));
            }).on("error", fail).end();
  });
}

test("the build names files by their content and the server sends them as a host does", async () => {
  const dir = await mkdtemp(path.join(tmpdir(), "cca-page-build-"));
  const out = path.join(dir, "page");
  try {
    const first = await finishPage(dir, out, Buffer.from("wasm one"));
    await writeFile(path.join(out, "sw.js"), "a later step's file");
    const table = await finishPage(dir, out, Buffer.from("wasm two"));
    assert.match(table["candycane-arena.wasm"].url, /^candycane-arena\.[0-9a-f]{16}\.wasm$/);
    assert.notEqual(table["candycane-arena.wasm"].url, first["candycane-arena.wasm"].url);
    assert.equal(table["title.png"].when, "early");
    assert.equal(table["christmas.ogg"].when, "late");
    assert.equal(table["candycane-arena.wasm"].bytes, 8);
    const files = await readdir(out);
    const wasm = table["candycane-arena.wasm"].url;
    for (const name of [wasm, `${wasm}.br`, `${wasm}.gz`, "index.html.br", "sw.js"]) {
      assert.ok(files.includes(name), `${name} in ${files}`);
    }
    assert.ok(!files.some((f) => f.startsWith(first["candycane-arena.wasm"].url)),
              "the earlier build's program is gone");
    const page = await readFile(path.join(out, "index.html"), "utf8");
    const inline = `src="data:image/webp;base64,${Buffer.from("small picture").toString("base64")}"`;
    assert.ok(page.includes(`<img id="loading-title" ${inline}`), "the loading screen's picture");
    assert.ok(!page.includes('src="loader.js"'), "the loader is inlined");

    const { server, port, missing } = await startServer(out);
    try {
      const br = await get(port, `/${wasm}`, "gzip, deflate, br");
      assert.equal(br.res.headers["content-encoding"], "br");
      assert.equal(br.res.headers["content-type"], "application/wasm");
      assert.match(br.res.headers["cache-control"], /immutable/);
      assert.equal(brotliDecompressSync(br.body).toString(), "wasm two");
      const gz = await get(port, `/${wasm}`, "gzip, br;q=0");
      assert.equal(gz.res.headers["content-encoding"], "gzip");
      assert.equal(gunzipSync(gz.body).toString(), "wasm two");
      const plain = await get(port, "/", "");
      assert.equal(plain.res.headers["content-encoding"], undefined);
      assert.equal(plain.res.headers["content-type"], "text/html; charset=utf-8");
      assert.equal(plain.res.headers["cache-control"], "no-cache");
      assert.equal(plain.body.toString(), page);
      const picture = await get(port, `/${table["title.png"].url}`, "gzip, br");
      assert.equal(picture.res.headers["content-type"], "image/png");
      assert.equal(picture.res.headers["content-encoding"], undefined);
      // Dot segments never leave the folder.
      assert.equal((await get(port, "/../../index.html", "")).res.statusCode, 200);
      assert.equal((await get(port, "/%2e%2e/candycane-arena.js", "")).res.statusCode, 404);
      assert.deepEqual(missing, ["/candycane-arena.js"]);
    } finally {
      server.close();
    }
  } finally {
    await rm(dir, { recursive: true, force: true });
  }
});
