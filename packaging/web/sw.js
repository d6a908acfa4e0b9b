// The page's service worker: the build kept in the browser, for offline play and quick starts.
//
// packaging/web/make-sw.mjs writes build-web/sw.js as one line naming the build, `build`, then
// this file. The build's name is a digest of every file the page is made of, and its list
// holds each file with its own SHA-256, so a new build is a new worker.
//
// Install fetches every listed file, revalidated, and checks each against its digest:
// a server that switched builds while we fetched (an old .js beside a new .wasm is a broken
// game) fails the install, and the build in use stays. The files are kept in a cache named
// after the build; requests for them are answered from it alone, so a page runs one build
// from its first file to its last. A new worker waits until the page asks it to take over
// ("update"), which the page does only when it reloads as a whole; taking over deletes the
// caches of older builds.
"use strict";

const cachePrefix = "candycane-arena-";
const cacheName = cachePrefix + build.name;
const scope = new URL(self.registration.scope);
const listed = new Set(build.files.map((f) => new URL(f.url, scope).href));

function hex(buffer) {
  return Array.from(new Uint8Array(buffer), (b) => b.toString(16).padStart(2, "0")).join("");
}

async function precache() {
  const bodies = await Promise.all(build.files.map(async (file) => {
    // Revalidated, not taken from the HTTP cache unasked, and not fetched again when the
    // server says the copy the page just loaded is current.
    const response = await fetch(new URL(file.url, scope), { cache: "no-cache" });
    if (!response.ok) throw new Error(`${file.url}: HTTP ${response.status}`);
    const body = await response.arrayBuffer();
    if (hex(await crypto.subtle.digest("SHA-256", body)) !== file.sha256) {
      throw new Error(`${file.url} is not the file of build ${build.name}`);
    }
    // The body as decoded: a content encoding the server used is not kept with it.
    const type = response.headers.get("Content-Type");
    return new Response(body, { headers: type ? { "Content-Type": type } : {} });
  }));
  const cache = await caches.open(cacheName);
  await Promise.all(build.files.map((file, i) => cache.put(new URL(file.url, scope), bodies[i])));
}

self.addEventListener("install", (event) => {
  event.waitUntil(precache().catch(async (e) => {
    await caches.delete(cacheName);
    throw e;
  }));
});

self.addEventListener("activate", (event) => {
  event.waitUntil((async () => {
    for (const key of await caches.keys()) {
      if (key.startsWith(cachePrefix) && key !== cacheName) await caches.delete(key);
    }
    // A first visit's page loaded the same files from the network: the worker takes it over
    // at once, so what it fetches later comes from the cache too.
    await self.clients.claim();
  })());
});

self.addEventListener("message", (event) => {
  if (event.data === "update") event.waitUntil(self.skipWaiting());
});

// The folder itself is the page; a query (an installed app's start, a portal's tracking)
// names the same file.
function cachedUrl(request) {
  const url = new URL(request.url);
  url.search = "";
  url.hash = "";
  if (url.href === scope.href) url.pathname += "index.html";
  return listed.has(url.href) ? url.href : null;
}

self.addEventListener("fetch", (event) => {
  if (event.request.method !== "GET") return;
  const url = cachedUrl(event.request);
  if (!url) return;
  event.respondWith((async () => {
    const cached = await caches.match(url, { cacheName });
    return cached || fetch(event.request);
  })());
});
