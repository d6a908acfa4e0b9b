#!/usr/bin/env python3
# Remakes the hand-made seeds of the game fuzz target: python3 tools/make-game-fuzz-seeds.py fuzz/seeds/game
# Writes the hand-made game scripts (see fuzz/game_fuzz.cpp, ReadScript).
import struct, os, sys
out = sys.argv[1]
W, A, S, D, ESC, P = 0, 1, 2, 3, 4, 5
START, QUIT, DIRECTIONS, SOUND = 9, 9 | (1 << 5), 9 | (2 << 5), 9 | 0x10
LEFT, RIGHT = 0, 1
def seed(n): return struct.pack('<H', n)
def wait(n):  # 1..8 frames
    return bytes([0, n - 1])
def wait_long(n):  # 8..127 frames
    return bytes([3, n - 8])
def key_down(k): return bytes([4, k])
def key_up(k): return bytes([5, k])
def key_hold(k, n): return bytes([6, k, n - 1])
def move(x, y): return bytes([7]) + struct.pack('<HH', x + 40, y + 40)
def nudge(dx, dy): return bytes([8, dx & 0xFF, dy & 0xFF])
def click(b=LEFT, hold=0): return bytes([12, b, hold])
def press(b): return bytes([10, b])
def release(b): return bytes([11, b])
def fire(n): return bytes([15, n - 1])
def app(i, d=0): return bytes([13, i, d])
def jump(level, weapon=1): return bytes([14, level - 1, weapon - 1])
def open_start(): return bytes([START]) + click() + wait(3)
def start(): return open_start() + click() + wait(2)
seeds = {
  'start-and-fire': seed(100) + start() + move(600, 120) + fire(100) + key_hold(D, 40)
      + wait_long(50) + move(150, 500) + bytes([15, 119]) + key_hold(W, 30) + key_hold(A, 30)
      + wait_long(120) + click(RIGHT) + wait(8) + click(RIGHT) + wait_long(60),
  'directions': seed(7) + bytes([DIRECTIONS]) + click() + wait(4) + click(LEFT, 3) + wait(8)
      + bytes([DIRECTIONS]) + click() + wait(4) + key_hold(ESC, 2) + wait(8) + start() + wait(20),
  'pause': seed(33) + start() + fire(30) + wait_long(30) + key_hold(P, 2) + wait_long(20)
      + key_hold(P, 2) + wait_long(20) + key_hold(P, 2) + wait(5) + click() + wait_long(20)
      + key_hold(ESC, 2) + wait_long(20),
  'quit': seed(2) + bytes([QUIT]) + click() + wait(5),
  'escape-in-menu': seed(3) + key_down(ESC) + wait(5),
  'close-in-play': seed(4) + start() + wait_long(30) + app(0) + wait(5),
  'boss': seed(5) + open_start() + jump(10, 3) + click() + wait(4) + move(400, 80)
      + fire(120) + key_hold(S, 20) + wait_long(120) + fire(120) + wait_long(120),
  'game-over': seed(6) + open_start() + jump(21, 1) + click() + wait(2) + key_down(W)
      + key_down(A) + (wait_long(30) + click()) * 15,
  'win': seed(8) + start() + jump(21, 5) + wait_long(110) + click(LEFT, 10) + wait(8)
      + wait_long(20) + click() + wait(8),
  'sound-on': seed(9) + bytes([SOUND]) + click() + wait(4) + start() + fire(60) + wait_long(60),
  'wreath': seed(11) + open_start() + jump(20, 5) + click() + wait(3) + fire(120)
      + key_hold(D, 60) + wait_long(120) + fire(120) + key_hold(A, 60) + wait_long(120),
}
for name, data in seeds.items():
    open(os.path.join(out, name), 'wb').write(data)
