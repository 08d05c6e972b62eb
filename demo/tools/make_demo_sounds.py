#!/usr/bin/env python3
"""Writes the demo title's music loop and sound effect into demo/title/sounds/.

Standard library only (wave + struct); the output is the same on every run, so the committed
files can be checked with `git diff` after running it again.
Usage: demo/tools/make_demo_sounds.py [DEMO_TITLE_FOLDER]
"""
import math
import os
import struct
import sys
import wave

RATE = 22050


def write_wav(path, samples):
    """samples: floats in -1..1, mono, written as 16-bit PCM."""
    frames = b"".join(struct.pack("<h", max(-32767, min(32767, int(round(s * 32767))))) for s in samples)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def note_hz(semitones_from_a4):
    return 440.0 * 2.0 ** (semitones_from_a4 / 12.0)


def room_music():
    """Four bars of a soft arpeggio over a low drone; the end meets the start, so it loops."""
    beat = RATE // 4  # quarter of a second per note
    chords = [(-9, -5, -2, 3), (-7, -4, 0, 5), (-12, -8, -5, 0), (-10, -7, -3, 2)]  # C, Dm, A, Bb-ish
    out = []
    for bar, chord in enumerate(chords):
        for step in range(4):
            hz = note_hz(chord[step])
            bass = note_hz(chord[0] - 12)
            for i in range(beat):
                t = i / RATE
                env = math.exp(-3.0 * t) * min(1.0, i / 200.0)  # soft attack, plucked decay
                tone = math.sin(2 * math.pi * hz * t) + 0.3 * math.sin(4 * math.pi * hz * t)
                # The drone runs on absolute time so it has no seam between notes.
                n = (bar * 4 + step) * beat + i
                drone = 0.25 * math.sin(2 * math.pi * bass * n / RATE)
                out.append(0.35 * env * tone + drone * 0.5)
    # Fade the drone's last and first few milliseconds so the loop point does not click.
    edge = 220
    for i in range(edge):
        out[i] *= i / edge
        out[-1 - i] *= i / edge
    return out


def whoosh():
    """0.6 s of filtered noise sweeping down, for the change of scene."""
    seed = 1
    length = int(RATE * 0.6)
    out = []
    low = 0.0
    for i in range(length):
        seed = (seed * 134775813 + 1) & 0xFFFFFFFF
        noise = (seed >> 16) / 32768.0 - 1.0
        k = 0.35 * (1.0 - i / length) + 0.02  # one-pole low-pass, closing over time
        low += k * (noise - low)
        env = math.sin(math.pi * i / length)
        out.append(0.6 * env * low)
    return out


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "title")
    folder = os.path.join(root, "sounds")
    os.makedirs(folder, exist_ok=True)
    write_wav(os.path.join(folder, "room.wav"), room_music())
    write_wav(os.path.join(folder, "whoosh.wav"), whoosh())


if __name__ == "__main__":
    main()
