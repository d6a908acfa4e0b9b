// The page's folder served as a static web host serves it:
//   node packaging/web/serve.mjs <page dir> [port]
// A file with a precompressed copy beside it (name.br, name.gz) is sent as that copy when the
// browser accepts its encoding, with Content-Encoding and the type of the file it stands for;
// names that carry their content's hash (name.0123456789abcdef.ext) may be cached for good,
// everything else is checked again on every load. Only GET and HEAD, only inside the folder.
// The page test, the load benchmark and Lighthouse use it through startServer.
import { createServer } from "node:http";
import { readFile, stat } from "node:fs/promises";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { gzipSync } from "node:zlib";

export const types = {
  ".html": "text/html; charset=utf-8", ".js": "text/javascript; charset=utf-8",
  ".mjs": "text/javascript; charset=utf-8", ".wasm": "application/wasm",
  ".css": "text/css; charset=utf-8", ".json": "application/json",
  ".webmanifest": "application/manifest+json", ".png": "image/png", ".webp": "image/webp",
  ".jpg": "image/jpeg", ".svg": "image/svg+xml", ".ico": "image/x-icon", ".ogg": "audio/ogg",
  ".ttf": "font/ttf", ".txt": "text/plain; charset=utf-8",
};
// What hosts compress when they compress on the fly: text and code, not pictures or sound.
const compressible = new Set([".html", ".js", ".mjs", ".wasm", ".css", ".json", ".svg",
                              ".webmanifest", ".ttf", ".txt"]);
const hashed = /\.[0-9a-f]{16}\.[a-z0-9]+$/;

// Which of the encodings the request's Accept-Encoding allows (q=0 refuses).
function accepted(header) {
  const ok = new Set();
  for (const part of (header || "").split(",")) {
    const [name, ...params] = part.trim().split(";");
    const q = params.map((p) => p.trim()).find((p) => p.startsWith("q="));
    if (name && !(q && Number(q.slice(2)) === 0)) ok.add(name.trim().toLowerCase());
  }
  return ok;
}

async function readIfFile(file) {
  try {
    const info = await stat(file);
    return info.isFile() ? { body: await readFile(file), mtime: info.mtimeMs } : null;
  } catch {
    return null;
  }
}

// Serves dir on 127.0.0.1 at port (0: a free one). Options: encodings, the precompressed
// copies it may send, in order of preference (br, then gzip by default); gzipOnTheFly, to
// compress text and code that has no .gz beside it (as a host that compresses does);
// onSent(name, bytes), told of each body sent. Resolves to { server, port, missing } once it
// listens; missing lists the paths answered with 404.
export async function startServer(dir, { port = 0, encodings = ["br", "gzip"],
                                         gzipOnTheFly = false, onSent = null } = {}) {
  const root = path.resolve(dir);
  const missing = [];
  const server = createServer(async (req, res) => {
    if (req.method !== "GET" && req.method !== "HEAD") {
      res.writeHead(405, { Allow: "GET, HEAD" });
      res.end();
      return;
    }
    let name;
    try {
      name = decodeURIComponent(new URL(req.url, "http://localhost").pathname);
    } catch {
      name = "/";
    }
    if (name.endsWith("/")) name += "index.html";
    const file = path.join(root, path.normalize(name));
    const ext = path.extname(file);
    const plain = file.startsWith(root + path.sep) ? await readIfFile(file) : null;
    if (!plain) {
      missing.push(name);
      res.writeHead(404, { "Content-Type": "text/plain; charset=utf-8" });
      res.end("not found\n");
      return;
    }
    const headers = {
      "Content-Type": types[ext] || "application/octet-stream",
      "Cache-Control": hashed.test(file) ? "public, max-age=31536000, immutable" : "no-cache",
      "Last-Modified": new Date(plain.mtime).toUTCString(),
    };
    let body = plain.body;
    const ok = accepted(req.headers["accept-encoding"]);
    const suffix = { br: ".br", gzip: ".gz" };
    let sentEncoding = null;
    for (const encoding of encodings) {
      if (!ok.has(encoding)) continue;
      const copy = await readIfFile(file + suffix[encoding]);
      if (copy) {
        body = copy.body;
        sentEncoding = encoding;
        break;
      }
    }
    if (!sentEncoding && gzipOnTheFly && compressible.has(ext) && ok.has("gzip")) {
      body = gzipSync(plain.body);
      sentEncoding = "gzip";
    }
    if (sentEncoding) headers["Content-Encoding"] = sentEncoding;
    if (compressible.has(ext)) headers.Vary = "Accept-Encoding";
    const since = req.headers["if-modified-since"];
    if (since && Date.parse(since) >= Math.floor(plain.mtime / 1000) * 1000) {
      res.writeHead(304, headers);
      res.end();
      return;
    }
    headers["Content-Length"] = body.length;
    res.writeHead(200, headers);
    res.end(req.method === "HEAD" ? undefined : body);
    if (onSent && req.method === "GET") onSent(name, body.length);
  });
  await new Promise((listening, failed) => {
    server.once("error", failed);
    server.listen(port, "127.0.0.1", listening);
  });
  return { server, port: server.address().port, missing };
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const dir = process.argv[2];
  if (!dir) {
    console.error("usage: node packaging/web/serve.mjs <page dir> [port]");
    process.exit(2);
  }
  const { port } = await startServer(dir, { port: Number(process.argv[3] || 8080) });
  console.log(`Candy Cane Arena: http://127.0.0.1:${port}/ (Ctrl+C stops the server)`);
}
