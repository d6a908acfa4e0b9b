// The page's loading, inlined into the page by its build (packaging/web/finish-page.mjs).
//
// The page paints first: the title picture (inlined in the page by the build) above a bar of
// the bytes loaded, where the menu will show it. Only then does it start what the title menu
// needs: the program, compiled while it downloads, and the title picture the game draws. The
// page hands the game the files the build left out of the program when it asks for them
// (Module.pageFile, Module.takePageFile); those the menu does not need (the music, the
// directions picture) are fetched only once the title menu is up, and the page's
// "gamefilesloaded" event says when they have come. The table of file names comes from the
// build; without one (the page opened from the source tree) every file is under its own name.
"use strict";
window.loadGame = (function () {
  const table = JSON.parse(document.getElementById("page-files").textContent || "{}");
  const url = (name) => (table[name] ? table[name].url : name);
  const loading = document.getElementById("loading");
  const bar = document.getElementById("loaded");

  // Loading starts once the page has shown its first picture (the browser's first
  // contentful paint), so nothing the loading does holds it back: at once in a page that is
  // not shown, which paints nothing, and after paintWaitMs at the latest.
  const paintWaitMs = 1000;
  const painted = new Promise((done) => {
    if (document.visibilityState === "hidden") return done();
    setTimeout(done, paintWaitMs);
    try {
      new PerformanceObserver((list, observer) => {
        if (list.getEntriesByName("first-contentful-paint").length === 0) return;
        observer.disconnect();
        done();
      }).observe({ type: "paint", buffered: true });
    } catch (e) {
      // No paint timing in this browser: the frame after this one.
      requestAnimationFrame(() => setTimeout(done, 0));
    }
  });

  // The browser's first WebGL context of a page starts its GPU side, which holds the thread
  // that asks for it for a third of a second and more. A worker asks for one first, once the
  // page has painted (the GPU side also shows the page), and the program starts once it has
  // (or after warmWaitMs), so the game's own comes at once.
  const warmWaitMs = 3000;
  const gpuWarm = painted.then(() => new Promise((done) => {
    if (typeof Worker !== "function" || typeof OffscreenCanvas !== "function") return done();
    try {
      const source = 'try { new OffscreenCanvas(1, 1).getContext("webgl"); } catch (e) {}\n' +
                     "postMessage(0);";
      const blob = URL.createObjectURL(new Blob([source], { type: "text/javascript" }));
      const warm = new Worker(blob);
      const end = () => {
        warm.terminate();
        URL.revokeObjectURL(blob);
        done();
      };
      warm.onmessage = warm.onerror = end;
      setTimeout(end, warmWaitMs);
    } catch (e) {
      // A page whose policy refuses such a worker starts its GPU side with the game's context.
      done();
    }
  }));

  // The gestures that let a page's sound start; the game opens its sound output after one.
  window.pageGestured = false;
  for (const type of ["keydown", "mousedown", "pointerup", "touchend"]) {
    window.addEventListener(type, () => { window.pageGestured = true; },
                            { capture: true, passive: true });
  }

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
  const onTheirWay = [];
  let firstFrame = false;
  function fetchPageFile(name) {
    asked.add(name);
    onTheirWay.push(fetchCounted(name, "application/octet-stream")
      .then((r) => r.arrayBuffer())
      .then((bytes) => arrived.set(name, new Uint8Array(bytes)), (e) => {
        console.error(`the page could not load ${url(name)}: ${e.message}`);
        failed.add(name);
      }));
  }
  // Once they have come, the page says so with a "gamefilesloaded" event on the window.
  let lateFilesAsked;
  new Promise((done) => { lateFilesAsked = done; })
    .then(() => Promise.all(onTheirWay))
    .then(() => window.dispatchEvent(new Event("gamefilesloaded")));

  const wasm = painted.then(() => {
    expect("candycane-arena.wasm");
    for (const name of Object.keys(table)) {
      if (table[name].when === "early") {
        expect(name);
        fetchPageFile(name);
      }
    }
    return fetchCounted("candycane-arena.wasm", "application/wasm");
  });

  // Starts the program with the page's Module; fail(text) shows a failure.
  return function (Module, fail) {
    Module.locateFile = (name) => url(name);
    Module.instantiateWasm = (imports, receive) => {
      const compiled = WebAssembly.instantiateStreaming
        ? WebAssembly.instantiateStreaming(wasm, imports)
        : wasm.then((r) => r.arrayBuffer()).then((b) => WebAssembly.instantiate(b, imports));
      Promise.all([compiled, gpuWarm])
        .then(([result]) => receive(result.instance, result.module),
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
      for (const name of Object.keys(table)) {
        if (table[name].when === "late" && !asked.has(name) && !queued.includes(name)) {
          queued.push(name);
        }
      }
      // The late files are fetched one a task after this one: starting a fetch is work enough
      // to make the menu's first frame a long task.
      const names = queued.splice(0);
      setTimeout(function askNext() {
        if (names.length === 0) return lateFilesAsked();
        const name = names.shift();
        // The game may have asked for it meanwhile.
        if (!asked.has(name)) fetchPageFile(name);
        setTimeout(askNext, 0);
      }, 0);
    };
    painted.then(() => {
      const script = document.createElement("script");
      script.src = url("candycane-arena.js");
      script.onerror = () => fail("The game's files could not be loaded.");
      document.body.appendChild(script);
    });
  };
})();
