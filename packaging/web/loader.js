// The page's loading, inlined into the page by its build (packaging/web/finish-page.mjs).
//
// What the title menu needs comes first: the program, compiled while it downloads, and the
// title picture, which the page shows at once where the menu will show it (the build names it
// in the page's image, so the browser fetches it once for both), above a bar of the bytes
// loaded, until the game draws its first frame. The page hands the game the files the build
// left out of the program when it asks for them (Module.pageFile, Module.takePageFile); those
// the menu does not need (the music, the directions picture) are fetched only once the first
// frame is up. The table of file names comes from the build; without one (the page opened
// from the source tree) every file is under its own name.
"use strict";
window.loadGame = (function () {
  const table = JSON.parse(document.getElementById("page-files").textContent || "{}");
  const url = (name) => (table[name] ? table[name].url : name);
  const loading = document.getElementById("loading");
  const bar = document.getElementById("loaded");

  // The bar counts the program's bytes and those of the files fetched before the menu.
  const expected = new Map();
  const counted = new Map();
  function count(name, bytes) {
    counted.set(name, (counted.get(name) || 0) + bytes);
    let done = 0, total = 0;
    for (const [file, size] of expected) {
      total += size;
      done += Math.min(counted.get(file) || 0, size);
    }
    if (bar && total) bar.style.width = `${(100 * done / total).toFixed(1)}%`;
  }
  function expect(name) {
    if (table[name]) expected.set(name, table[name].bytes);
  }

  // A fetched response whose body is counted as it arrives.
  async function fetchCounted(name, type) {
    const response = await fetch(url(name), { credentials: "same-origin" });
    if (!response.ok) throw new Error(`${url(name)}: HTTP ${response.status}`);
    if (!response.body || typeof TransformStream !== "function") return response;
    const body = response.body.pipeThrough(new TransformStream({
      transform(chunk, out) {
        count(name, chunk.byteLength);
        out.enqueue(chunk);
      },
    }));
    return new Response(body, { headers: { "Content-Type": type } });
  }

  // The files the game asks for by name: fetched once, kept until the game takes them.
  const arrived = new Map();
  const failed = new Set();
  const asked = new Set();
  const queued = [];
  let firstFrame = false;
  function fetchPageFile(name) {
    asked.add(name);
    fetchCounted(name, "application/octet-stream")
      .then((r) => r.arrayBuffer())
      .then((bytes) => arrived.set(name, new Uint8Array(bytes)), (e) => {
        console.error(`the page could not load ${url(name)}: ${e.message}`);
        failed.add(name);
      });
  }

  // The early files start now, beside the program.
  expect("candycane-arena.wasm");
  for (const name of Object.keys(table)) {
    if (table[name].when === "early") {
      expect(name);
      fetchPageFile(name);
    }
  }
  const wasm = fetchCounted("candycane-arena.wasm", "application/wasm");

  // Starts the program with the page's Module; fail(text) shows a failure.
  return function (Module, fail) {
    Module.locateFile = (name) => url(name);
    Module.instantiateWasm = (imports, receive) => {
      const compiled = WebAssembly.instantiateStreaming
        ? WebAssembly.instantiateStreaming(wasm, imports)
        : wasm.then((r) => r.arrayBuffer()).then((b) => WebAssembly.instantiate(b, imports));
      compiled.then((result) => receive(result.instance, result.module),
                    (e) => fail(`The game could not start: ${e.message}`));
      return {};
    };
    // -1 while the file is on its way, -2 when it cannot come, its size once it is here.
    Module.pageFile = (name) => {
      if (!table[name] || !table[name].when || failed.has(name)) return -2;
      if (arrived.has(name)) return arrived.get(name).length;
      if (!asked.has(name)) {
        if (firstFrame) fetchPageFile(name);
        else if (!queued.includes(name)) queued.push(name);
      }
      return -1;
    };
    Module.takePageFile = (name, at) => {
      Module.HEAPU8.set(arrived.get(name), at);
      arrived.delete(name);
    };
    Module.onFirstFrame = () => {
      performance.mark("game first frame");
      firstFrame = true;
      if (loading) loading.style.display = "none";
      for (const name of queued.splice(0)) fetchPageFile(name);
    };
    const script = document.createElement("script");
    script.src = url("candycane-arena.js");
    script.onerror = () => fail("The game's files could not be loaded.");
    document.body.appendChild(script);
  };
})();
