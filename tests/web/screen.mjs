// What the page tests (e2e.mjs, touch.mjs, app.mjs) share: the arena of a canvas screenshot,
// the screens' colours, and the steps' results.
import pngjs from "pngjs";

// ---- Pixels: the desktop test's colour and screen tests, on a decoded canvas PNG.

export const dark = (r, g, b) => r < 80 && g < 80 && b < 80;
export const white = (r, g, b) => r > 235 && g > 235 && b > 235;
// Candy-cane, hat and bullet red at full strength.
export const red = (r, g, b) => r > 150 && g < 110 && b < 110;
// The HUD's green at half alpha over the white field.
export const lightGreen = (r, g, b) => g > 200 && r > 90 && r < 200 && b > 90 && b < 200;

// The arena's box in a canvas of w x h pixels, as graphics/letterbox.cpp places it.
export function arenaBox(w, h) {
  if (w * 600 >= h * 800) {
    const bw = Math.max(Math.trunc(800 * h / 600), 1);
    return { x: Math.trunc((w - bw) / 2), y: 0, w: bw, h };
  }
  const bh = Math.max(Math.trunc(600 * w / 800), 1);
  return { x: 0, y: Math.trunc((h - bh) / 2), w, h: bh };
}

// The arena of a canvas screenshot (box: where it is, by default as the canvas places it):
// 800 x 600, each pixel the canvas pixel under its centre. bars counts the pixels outside the
// box that are not black; png is the arena as a PNG.
export class Screen {
  constructor(shot, box = null) {
    const canvas = pngjs.PNG.sync.read(shot);
    this.box = box || arenaBox(canvas.width, canvas.height);
    this.data = Buffer.alloc(800 * 600 * 4);
    const { x: bx, y: by, w: bw, h: bh } = this.box;
    for (let y = 0; y < 600; ++y) {
      const cy = by + Math.trunc((y + 0.5) * bh / 600);
      for (let x = 0; x < 800; ++x) {
        const from = (cy * canvas.width + bx + Math.trunc((x + 0.5) * bw / 800)) * 4;
        canvas.data.copy(this.data, (y * 800 + x) * 4, from, from + 4);
      }
    }
    this.bars = 0;
    for (let y = 0; y < canvas.height; ++y) {
      for (let x = 0; x < canvas.width; ++x) {
        const i = (y * canvas.width + x) * 4;
        const inBox = x >= bx && x < bx + bw && y >= by && y < by + bh;
        if (!inBox && (canvas.data[i] | canvas.data[i + 1] | canvas.data[i + 2])) ++this.bars;
      }
    }
  }
  get png() {
    const arena = new pngjs.PNG({ width: 800, height: 600 });
    this.data.copy(arena.data);
    return pngjs.PNG.sync.write(arena);
  }
  // Pixels in [x0, x1) x [y0, y1), clipped to the arena, the test holds for.
  count(x0, y0, x1, y1, test) {
    let n = 0;
    for (let y = Math.max(0, Math.trunc(y0)); y < Math.min(600, y1); ++y) {
      for (let x = Math.max(0, Math.trunc(x0)); x < Math.min(800, x1); ++x) {
        const i = (y * 800 + x) * 4;
        if (test(this.data[i], this.data[i + 1], this.data[i + 2])) ++n;
      }
    }
    return n;
  }
  // Mean x of the red pixels in the rectangle; -1 without any.
  redCentreX(x0, y0, x1, y1) {
    let sum = 0, n = 0;
    for (let y = y0; y < y1; ++y) {
      for (let x = x0; x < x1; ++x) {
        const i = (y * 800 + x) * 4;
        if (red(this.data[i], this.data[i + 1], this.data[i + 2])) sum += x, ++n;
      }
    }
    return n ? Math.trunc(sum / n) : -1;
  }
  // The red shapes below the HUD, biggest first: 10-pixel cells with red in them, joined
  // with their neighbours; each with its red pixels and centre.
  redShapes() {
    const cols = 80, rows = 60, cells = new Int32Array(cols * rows);
    for (let y = 45; y < 600; ++y) {
      for (let x = 0; x < 800; ++x) {
        const i = (y * 800 + x) * 4;
        if (red(this.data[i], this.data[i + 1], this.data[i + 2])) {
          ++cells[Math.trunc(y / 10) * cols + Math.trunc(x / 10)];
        }
      }
    }
    const seen = new Uint8Array(cols * rows), shapes = [];
    for (let start = 0; start < cells.length; ++start) {
      if (!cells[start] || seen[start]) continue;
      let n = 0, sx = 0, sy = 0;
      const todo = [start];
      seen[start] = 1;
      while (todo.length) {
        const c = todo.pop(), cx = c % cols, cy = Math.trunc(c / cols);
        n += cells[c], sx += (cx * 10 + 5) * cells[c], sy += (cy * 10 + 5) * cells[c];
        for (let dy = -1; dy <= 1; ++dy) {
          for (let dx = -1; dx <= 1; ++dx) {
            const nx = cx + dx, ny = cy + dy, next = ny * cols + nx;
            if (nx < 0 || ny < 0 || nx >= cols || ny >= rows || !cells[next] || seen[next]) continue;
            seen[next] = 1;
            todo.push(next);
          }
        }
      }
      shapes.push({ red: n, x: sx / n, y: sy / n });
    }
    return shapes.sort((a, b) => b.red - a.red);
  }
}

// ---- Results: each step passes or fails; a failed step the rest depends on ends the walk.

export const results = { passed: 0, failed: 0 };
export class Stop extends Error {}
export function expect(ok, what, detail = "") {
  if (ok) ++results.passed, console.log(`ok - ${what}`);
  else ++results.failed, console.log(`not ok - ${what}${detail ? `: ${detail}` : ""}`);
  return ok;
}
export function assert(ok, what, detail) {
  if (!expect(ok, what, detail)) throw new Stop();
}
