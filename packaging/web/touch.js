// The page played by touch: twin sticks and three buttons over the stage, the phone's screen
// and the browser's rules for sound and hidden pages.
//
// The controls are the page's own elements, laid over the stage, never drawn into the arena.
// They show while the page is used by touch (the first touch shows them, a mouse or a key
// hides them) and take the stage's touches only in play; on the menus and the other screens
// a tap goes to the canvas, where SDL makes it a click. What they hold goes to the game
// through Module._cca_touch(input, x, y) (platform/touch_controls.h: the sticks in
// thousandths of their radius, the buttons held while x is 1), which makes it the keys,
// buttons and pointer of a gamepad. Module._cca_in_play() tells whether play is on.
//
// Move stick: the half of the stage away from the aiming hand; where the thumb lands is its
// centre (or its resting place, with fixed sticks). Aim stick: the other half. Buttons:
// homing shot beside the aim stick; pause and back in the top corner. A left-handed layout
// swaps the sticks' sides; both options are kept in local storage.
//
// Also: a hidden page and a page turned to portrait (while used by touch) pause play with the
// game's own pause, and let go of everything held, as a cancelled touch and a lost focus do
// (upright, a notice to turn the phone covers the stage, and the canvas is hidden under it);
// the audio context is resumed on every gesture until it runs, and suspended while hidden.
"use strict";
(function () {
  const stage = document.getElementById("stage");
  const bar = document.getElementById("bar");
  const Input = { move: 0, aim: 1, homing: 2, pause: 3, back: 4, letGo: 5, pauseIfPlaying: 6 };

  // ---- Options, remembered by the page.

  const options = { leftHanded: false, fixedSticks: false };
  try {
    Object.assign(options, JSON.parse(localStorage.getItem("cca-touch") || "{}"));
  } catch {
    // Storage refused (a private window) or spoilt: the defaults.
  }
  function saveOptions() {
    try {
      localStorage.setItem("cca-touch", JSON.stringify(options));
    } catch {
      // Nowhere to keep them: they last as long as the page.
    }
  }

  // ---- The game's side: silent until the runtime runs, and after it ended.

  function running() {
    const M = window.Module;
    return !!(M && M.calledRun && window.gameExitCode === undefined);
  }
  function send(input, x = 0, y = 0) {
    if (running()) window.Module._cca_touch(input, Math.round(x), Math.round(y));
  }
  function inPlay() {
    return running() && window.Module._cca_in_play() !== 0;
  }

  // ---- The elements.

  function element(tag, className, parent, attributes = {}) {
    const e = document.createElement(tag);
    e.className = className;
    for (const [name, value] of Object.entries(attributes)) e.setAttribute(name, value);
    parent.appendChild(e);
    return e;
  }

  const layer = element("div", "touch-layer", stage);
  const zone = element("div", "touch-zone", layer);
  function makeStick(name) {
    const base = element("div", `touch-stick touch-${name}`, layer, { "aria-hidden": "true" });
    return { name, base, knob: element("div", "touch-knob", base), finger: null,
             cx: 0, cy: 0, restX: 0, restY: 0 };
  }
  const moveStick = makeStick("move");
  const aimStick = makeStick("aim");
  function makeButton(name, label, input, text) {
    const b = element("button", `touch-button touch-${name}`, layer,
                      { type: "button", "aria-label": label });
    b.textContent = text;
    return { b, input, fingers: new Set() };
  }
  const buttons = [makeButton("homing", "Homing shot", Input.homing, "\u25ce"),
                   makeButton("pause", "Pause", Input.pause, "II"),
                   makeButton("back", "Back to the menu", Input.back, "\u21a9")];
  const turn = element("div", "touch-turn", stage, { role: "status" });
  turn.textContent = "Turn your device sideways to play.";

  function optionButton(key, label) {
    const b = element("button", "touch-option", bar, { type: "button" });
    b.textContent = label;
    const show = () => b.setAttribute("aria-pressed", String(options[key]));
    show();
    b.addEventListener("click", () => {
      options[key] = !options[key];
      saveOptions();
      show();
      letGo();
      place();
    });
  }
  optionButton("leftHanded", "Left-handed");
  optionButton("fixedSticks", "Fixed sticks");

  // ---- Layout: the sticks rest low in the bars beside the 4:3 arena, the buttons above them.

  let radius = 56;
  function place() {
    const box = layer.getBoundingClientRect();
    const pad = getComputedStyle(layer);
    const left = parseFloat(pad.paddingLeft), right = parseFloat(pad.paddingRight);
    const top = parseFloat(pad.paddingTop), bottom = parseFloat(pad.paddingBottom);
    const w = box.width, h = box.height;
    const side = Math.max(0, (w - Math.min(w, h * 4 / 3)) / 2);
    radius = Math.max(40, Math.min(64, side > 100 ? side / 2 - 12 : 56, h / 6));
    const inset = Math.max(side / 2, radius + 12);
    const y = h - bottom - Math.max(radius + 12, h * 0.3);
    const leftX = left + inset, rightX = w - right - inset;
    const [moveX, aimX] = options.leftHanded ? [rightX, leftX] : [leftX, rightX];
    moveStick.restX = moveX, aimStick.restX = aimX;
    moveStick.restY = aimStick.restY = y;
    for (const s of [moveStick, aimStick]) {
      s.base.style.width = s.base.style.height = `${2 * radius}px`;
      if (s.finger === null) centre(s, s.restX, s.restY);
    }
    const size = 56;
    const [homing, pause, back] = buttons.map((b) => b.b.style);
    homing.left = `${aimX - size / 2}px`;
    homing.top = `${Math.max(top + 2 * size, y - radius - size - 12)}px`;
    const cornerX = w - right - Math.max(side / 2, size + 12);
    pause.left = `${cornerX - size - 6}px`;
    back.left = `${cornerX + 6}px`;
    pause.top = back.top = `${top + 8}px`;
  }
  new ResizeObserver(place).observe(layer);

  function centre(stick, x, y) {
    stick.cx = x, stick.cy = y;
    stick.base.style.left = `${x - radius}px`;
    stick.base.style.top = `${y - radius}px`;
    stick.knob.style.transform = "";
  }

  // ---- The sticks: one finger each, the first to land in its half.

  function stickAt(clientX) {
    const box = layer.getBoundingClientRect();
    const leftHalf = clientX - box.left < box.width / 2;
    return leftHalf !== options.leftHanded ? moveStick : aimStick;
  }
  function pushStick(stick, clientX, clientY) {
    const box = layer.getBoundingClientRect();
    const dx = clientX - box.left - stick.cx, dy = clientY - box.top - stick.cy;
    const length = Math.hypot(dx, dy);
    const shown = length > radius ? radius / length : 1;
    stick.knob.style.transform = `translate(${dx * shown}px, ${dy * shown}px)`;
    send(stick === moveStick ? Input.move : Input.aim, dx / radius * 1000, dy / radius * 1000);
  }
  function releaseStick(stick) {
    stick.finger = null;
    stick.base.classList.remove("held");
    centre(stick, stick.restX, stick.restY);
    send(stick === moveStick ? Input.move : Input.aim, 0, 0);
  }

  zone.addEventListener("pointerdown", (e) => {
    const stick = stickAt(e.clientX);
    if (stick.finger !== null) return;
    e.preventDefault();
    stick.finger = e.pointerId;
    stick.base.classList.add("held");
    const box = layer.getBoundingClientRect();
    if (!options.fixedSticks) centre(stick, e.clientX - box.left, e.clientY - box.top);
    pushStick(stick, e.clientX, e.clientY);
  });
  zone.addEventListener("pointermove", (e) => {
    for (const stick of [moveStick, aimStick]) {
      if (stick.finger === e.pointerId) pushStick(stick, e.clientX, e.clientY);
    }
  });
  function fingerLifted(e) {
    for (const stick of [moveStick, aimStick]) {
      if (stick.finger === e.pointerId) releaseStick(stick);
    }
  }
  zone.addEventListener("pointerup", fingerLifted);
  zone.addEventListener("pointercancel", fingerLifted);

  // ---- The buttons: held while a finger is on them; a click without one (a keyboard, a
  // screen reader) presses and releases.

  for (const button of buttons) {
    const { b, input, fingers } = button;
    b.addEventListener("pointerdown", (e) => {
      e.preventDefault();
      if (fingers.size === 0) send(input, 1);
      fingers.add(e.pointerId);
    });
    const lift = (e) => {
      if (fingers.delete(e.pointerId) && fingers.size === 0) send(input, 0);
    };
    b.addEventListener("pointerup", lift);
    b.addEventListener("pointercancel", lift);
    b.addEventListener("click", (e) => {
      if (e.detail !== 0) return;
      send(input, 1);
      send(input, 0);
    });
    b.addEventListener("contextmenu", (e) => e.preventDefault());
  }

  // Everything held is let go: a cancelled touch, a lost focus, a hidden page.
  function letGo() {
    for (const stick of [moveStick, aimStick]) {
      if (stick.finger !== null) releaseStick(stick);
    }
    for (const button of buttons) button.fingers.clear();
    send(Input.letGo);
  }
  window.addEventListener("blur", letGo);
  document.addEventListener("touchcancel", letGo, true);

  // ---- Touch or not: the first touch shows the controls, a mouse or a key hides them.

  const portrait = matchMedia("(orientation: portrait)");
  let touching = matchMedia("(hover: none) and (pointer: coarse)").matches;
  function setTouching(on) {
    if (on === touching) return;
    touching = on;
    if (!on) letGo();
    update();
  }
  window.addEventListener("pointerdown", (e) => setTouching(e.pointerType !== "mouse"), true);
  window.addEventListener("pointermove", (e) => {
    if (e.pointerType === "mouse" && (e.movementX || e.movementY)) setTouching(false);
  }, true);
  window.addEventListener("keydown", () => setTouching(false), true);

  // ---- Portrait and hidden pages pause play.

  function pausePlay() {
    letGo();
    send(Input.pauseIfPlaying);
  }
  portrait.addEventListener("change", () => {
    if (portrait.matches && touching) pausePlay();
    update();
  });
  let suspendedAudio = false;
  document.addEventListener("visibilitychange", () => {
    const context = window.Module?.SDL2?.audioContext;
    if (document.hidden) {
      pausePlay();
      if (context && context.state === "running") {
        suspendedAudio = true;
        context.suspend().catch(() => {});
      }
    } else if (suspendedAudio && context) {
      suspendedAudio = false;
      context.resume().catch(() => {});
    }
  });

  // ---- Sound: browsers let it start at the end of a tap, a click or a key, not at a touch's
  // start, the only touch event SDL's own unlock listens for.

  function unlockAudio(e) {
    const context = window.Module?.SDL2?.audioContext;
    if (!e.isTrusted || !context || context.state === "running" || document.hidden) return;
    context.resume().catch(() => {});
  }
  for (const type of ["touchend", "pointerup", "click", "keydown"]) {
    window.addEventListener(type, unlockAudio, true);
  }

  // ---- The state the page shows, kept each frame: touch, play, portrait.

  let shown = "";
  function update() {
    const playing = touching && inPlay();
    const upright = touching && portrait.matches;
    const state = `${touching} ${playing} ${upright}`;
    if (state === shown) return;
    shown = state;
    const wasUpright = document.body.classList.contains("touch-portrait");
    document.body.classList.toggle("touch", touching);
    document.body.classList.toggle("touch-play", playing);
    document.body.classList.toggle("touch-portrait", upright);
    // The canvas, hidden while upright, may have lost the focus: the keys are its own again.
    if (wasUpright && !upright && document.activeElement === document.body) {
      document.getElementById("canvas")?.focus({ preventScroll: true });
    }
    if (upright) pausePlay();
    if (!playing) letGo();
    place();
  }
  function frame() {
    update();
    if (window.gameExitCode === undefined) requestAnimationFrame(frame);
  }
  requestAnimationFrame(frame);
})();
