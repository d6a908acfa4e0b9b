// The page as an app: its service worker (sw.js), the switch to a new build, and the line the
// page shows when the canvas's WebGL context is lost and does not come back.
//
// A new build is never mixed into a running one. The worker of a new build installs beside
// the running one and waits; the page then offers "Update", which reloads it into the new
// build as a whole. A page that starts while a new build waits takes it at once, before it
// loads the game.
"use strict";
(function () {
  const status = document.getElementById("status");
  const bar = document.getElementById("bar");

  // The page's status line; kept for when the game's own line is empty.
  function say(text, isError) {
    status.textContent = text;
    status.className = isError ? "error" : "";
  }

  // ---- The lost WebGL context: the game waits for it; after a while the page says so.
  const canvas = document.getElementById("canvas");
  const lostWaitMs = 3000;
  let lostTimer = 0;
  let lostSaid = false;
  // A lost context's canvas shows as a broken image; the stage stays black instead.
  canvas.addEventListener("webglcontextlost", () => {
    canvas.style.visibility = "hidden";
    clearTimeout(lostTimer);
    lostTimer = setTimeout(() => {
      lostSaid = true;
      say("The game's graphics were lost and have not come back; reload the page to play again.",
          true);
    }, lostWaitMs);
  });
  canvas.addEventListener("webglcontextrestored", () => {
    canvas.style.visibility = "";
    clearTimeout(lostTimer);
    if (lostSaid) say("", false);
    lostSaid = false;
  });

  // ---- The manifest and the large icon, named once the game has its files: a browser asks
  // for them (and for the icon the manifest names) as soon as the page names them, which on
  // a phone's link would share it with the program.
  const gameFilesLoaded = new Promise((done) => {
    window.addEventListener("gamefilesloaded", () => done(), { once: true });
  });
  gameFilesLoaded.then(() => {
    const links = [{ rel: "manifest", href: "manifest.webmanifest" },
                   { rel: "icon", href: "candycane-arena-192.png", type: "image/png",
                     sizes: "192x192" }];
    for (const attributes of links) {
      const link = document.createElement("link");
      for (const [name, value] of Object.entries(attributes)) link.setAttribute(name, value);
      document.head.appendChild(link);
    }
  });

  // ---- The service worker.
  if (!("serviceWorker" in navigator) || !window.isSecureContext) return;
  const workers = navigator.serviceWorker;
  let switching = false;
  // Only a switch the page asked for reloads it: a first visit's worker also takes the page
  // over, and that page is already the worker's build.
  workers.addEventListener("controllerchange", () => {
    if (switching) location.reload();
  });
  // Asked again every second, of the registration's waiting worker as it is then: a request
  // to a worker that is starting or stopping may be lost.
  function switchTo(worker) {
    switching = true;
    worker.postMessage("update");
    setInterval(() => workers.getRegistration().then((r) => r?.waiting?.postMessage("update")),
                1000);
  }

  function offer(worker) {
    if (document.getElementById("update")) return;
    const button = document.createElement("button");
    button.id = "update";
    button.type = "button";
    button.textContent = "Update";
    button.title = "A new version of the game is ready; the page reloads into it";
    button.addEventListener("click", () => switchTo(worker));
    bar.insertBefore(button, status.nextSibling);
    if (!status.textContent) say("A new version of the game is ready.", false);
  }
  function offerWhenInstalled(worker) {
    worker.addEventListener("statechange", () => {
      if (worker.state === "installed" && workers.controller) offer(worker);
    });
  }

  // The page's script loads the game once this settles. A new build that waits is taken
  // before that, so no file of the old build is still on its way when the new one takes
  // over; the page then reloads (and should the switch not happen, the old build starts).
  // NOTE: the switch waits until the page has loaded and the browser has fetched its icons and
  // manifest: Chromium restarts the old worker for such a request while it is retiring it, and
  // the new one then may wait for minutes.
  const loaded = new Promise((done) => {
    if (document.readyState === "complete") done();
    else window.addEventListener("load", () => done());
  }).then(() => new Promise((done) => setTimeout(done, 500)));
  window.appReady = workers.getRegistration().then(async (registration) => {
    if (!registration?.waiting || !workers.controller) return;
    await loaded;
    switchTo(registration.waiting);
    await new Promise((done) => setTimeout(done, 5000));
  }).catch(() => {});

  // The worker's install fetches every file of the build. On a first visit it waits until the
  // page has its own (the program, then the music and the directions picture once the menu is
  // up), so it only revalidates them instead of fetching them beside the page.
  const register = () => workers.register("sw.js");
  window.appReady.then(() => gameFilesLoaded).then(register).then((registration) => {
    if (!registration) return;
    if (registration.waiting && workers.controller) offer(registration.waiting);
    if (registration.installing) offerWhenInstalled(registration.installing);
    registration.addEventListener("updatefound", () => offerWhenInstalled(registration.installing));
  }, (e) => console.log(`The game plays online only: ${e.message}`));
})();
