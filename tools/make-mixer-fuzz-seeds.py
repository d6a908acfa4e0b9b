#!/usr/bin/env python3
# Remakes the hand-made seeds of the mixer fuzz target: python3 tools/make-mixer-fuzz-seeds.py fuzz/seeds/mixer
# Writes the hand-made mixer scripts (see fuzz/mixer_fuzz.cpp, TMixerRun::Step).
import struct, os, sys
out = sys.argv[1]
HZ = {44100: 0, 22050: 1, 11025: 2, 8000: 3, 48000: 4, 1: 6, 1000000: 9}
V = {0.0: 0, 1.0: 1, 0.5: 2, 2.0: 4, -1.0: 5, 8.0: 8, 1e9: 12, 'inf': 16, 'nan': 18, 32768.0: 21, 1.5: 27}
def mode(threaded=False, clock=0): return bytes([(7 if threaded else 0) | clock << 3])
def create(bits16=True, stereo=False, loop=False, hz=44100, length=1000, pattern=2):
    shape = (1 if bits16 else 0) | (1 if stereo else 0) << 3 | (1 if loop else 0) << 6
    return bytes([0, shape, HZ[hz], pattern]) + struct.pack('<H', length - 1)
def release(s): return bytes([1, s])
def write(s, pattern, frames): return bytes([2, s, pattern]) + struct.pack('<H', frames)
def alloc(): return bytes([3])
def alloc_many(b): return bytes([4, b])
LAST = bytes([0, 0])         # the handle made last
def back(n): return bytes([n, 0])
FRESH = bytes([0xE6])        # value 0: a play gets a fresh handle
def play(s, handle, paused=0): return bytes([5, s, paused]) + handle
def stop(h): return bytes([7]) + h
def pause(h, on=1): return bytes([8]) + h + bytes([on])
def volume(h, v): return bytes([10]) + h + bytes([V[v]])
def pan(h, v): return bytes([11]) + h + bytes([V[v]])
def depth(h, v): return bytes([12]) + h + bytes([V[v]])
def rate(h, v): return bytes([13]) + h + bytes([V[v]])
def state(h): return bytes([14]) + h
def mix(n): return bytes([15, n - 1])
def device(kind): return bytes([17, kind])
def clock(ms): return bytes([18]) + struct.pack('<H', ms)
def burst(s, n, paused=1): return bytes([19, s, paused]) + struct.pack('<H', n - 1)
seeds = {
  'channel-play-stop': mode() + create(loop=True, length=2000) + create(False, True, False, 22050, 500, 1)
      + alloc() + play(0, LAST) + mix(4) + volume(LAST, 0.5) + pan(LAST, -1.0) + mix(2) + state(LAST)
      + stop(LAST) + mix(3) + state(LAST) + play(1, FRESH) + mix(8) + state(LAST) + mix(4) + state(LAST),
  'odd-values': mode() + create(length=3000, pattern=1) + alloc() + rate(LAST, 'nan') + volume(LAST, 8.0)
      + play(0, LAST) + mix(3) + rate(LAST, 'inf') + depth(LAST, -1.0) + pan(LAST, 32768.0) + mix(3)
      + rate(LAST, 0.0) + volume(LAST, 'nan') + mix(2) + rate(LAST, 1e9) + mix(2) + state(LAST)
      + create(True, True, False, 1000000, 100, 2) + play(1, FRESH) + rate(LAST, 2.0) + mix(4) + state(LAST),
  'pause-cue': mode() + create(loop=True, length=4000) + create(length=800, pattern=3) + alloc()
      + play(0, LAST, 1) + mix(3) + state(LAST) + pause(LAST, 0) + mix(3) + pause(LAST, 1) + mix(2)
      + state(LAST) + stop(LAST) + pause(LAST, 0) + state(LAST) + play(1, FRESH, 1) + mix(2) + pause(LAST, 0)
      + mix(6) + state(LAST),
  'handles-run-out': mode() + create(length=100) + alloc_many(255) + play(0, FRESH) + mix(4) + state(back(5))
      + stop(back(7)) + mix(3) + play(0, FRESH) + alloc() + state(LAST),
  'ring-full': mode() + create(length=200, pattern=0) + burst(0, 4200, 1) + mix(2) + burst(0, 300, 0) + mix(3)
      + state(LAST) + stop(LAST) + mix(2),
  'device-restarts': mode(clock=1) + create(loop=True, length=1500) + alloc() + play(0, LAST) + mix(2)
      + device(3) + mix(8) + device(2) + mix(2) + device(1) + mix(3) + clock(60000) + mix(2) + state(LAST)
      + device(4) + mix(8),
  'threaded': mode(True) + create(loop=True, length=3000) + create(length=500) + alloc() + play(0, LAST)
      + play(1, FRESH) + mix(1) + volume(back(1), 0.5) + stop(back(1)) + state(back(1)) + state(LAST)
      + device(3) + pause(LAST, 1) + state(LAST),
  'write-while-playing': mode() + create(length=1000, pattern=0) + alloc() + play(0, LAST) + mix(2)
      + write(0, 2, 700) + mix(2) + write(0, 1, 1900) + mix(3) + release(0) + mix(3) + state(LAST),
  'replay-on-channel': mode() + create(loop=True, length=2000) + create(False, False, False, 8000, 300, 2)
      + alloc() + rate(LAST, 0.5) + play(0, LAST) + mix(2) + play(1, LAST) + mix(4) + state(LAST)
      + stop(LAST) + mix(2) + play(1, LAST) + state(LAST) + play(0, FRESH) + play(0, FRESH) + mix(5) + state(LAST),
}
for name, data in seeds.items():
    open(os.path.join(out, name), 'wb').write(data)
