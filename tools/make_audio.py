#!/usr/bin/env python3
"""Writes the sample's sound effects (16-bit mono PCM .wav) and its background tune (.mid).

Usage: make_audio.py SOUND_DIR MUSIC_DIR
Everything is synthesised here so the sample carries no third-party recordings.
"""
import math
import os
import random
import struct
import sys
import wave

RATE = 22050


def tone(freq_from, freq_to, seconds, volume=0.5, decay=6.0, harmonics=(1.0,)):
    """A sine sweep with a quick attack and exponential decay, as float samples."""
    count = int(RATE * seconds)
    out = []
    phase = 0.0
    for i in range(count):
        t = i / RATE
        freq = freq_from + (freq_to - freq_from) * (i / max(1, count - 1))
        phase += 2 * math.pi * freq / RATE
        attack = min(1.0, t / 0.004)
        env = attack * math.exp(-decay * t)
        sample = sum(h * math.sin(phase * (n + 1)) for n, h in enumerate(harmonics))
        out.append(volume * env * sample / sum(harmonics))
    return out


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def mix(*parts):
    length = max(len(p) for p in parts)
    return [sum(p[i] for p in parts if i < len(p)) for i in range(length)]


def fade_out(samples, seconds=0.01):
    n = min(len(samples), int(RATE * seconds))
    for i in range(n):
        samples[-1 - i] *= i / n
    return samples


def write_wav(path, samples):
    samples = fade_out(list(samples))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(max(-1.0, min(1.0, s)) * 32000)) for s in samples))


def note(midi_note):
    return 440.0 * 2 ** ((midi_note - 69) / 12)


def arpeggio(notes, step, length, volume=0.45):
    parts = []
    for k, n in enumerate(notes):
        parts.append(silence(step * k) + tone(note(n), note(n), length, volume, 7.0, (1.0, 0.3, 0.1)))
    return mix(*parts)


def sounds():
    random.seed(7)
    noise = [random.uniform(-1, 1) * math.exp(-120 * i / RATE) for i in range(int(RATE * 0.04))]
    return {
        # set level
        "start.wav": arpeggio([72, 76, 79, 84], 0.09, 0.35),
        "pop.wav": tone(520, 1250, 0.12, 0.55, 18.0),
        "click.wav": mix(tone(1800, 1500, 0.05, 0.35, 60.0), [0.25 * s for s in noise]),
        "boop.wav": tone(330, 190, 0.25, 0.55, 9.0, (1.0, 0.4)),
        "twinkle.wav": arpeggio([88, 91, 96, 91, 100], 0.06, 0.3, 0.3),
        "back.wav": arpeggio([79, 76, 72], 0.1, 0.3),
        # question-file level
        "meow.wav": tone(600, 900, 0.18, 0.45, 5.0, (1.0, 0.5, 0.25)) + tone(900, 500, 0.22, 0.45, 7.0, (1.0, 0.5, 0.25)),
        "tweet.wav": tone(2200, 3400, 0.07, 0.4, 20.0) + silence(0.04) + tone(2300, 3600, 0.08, 0.4, 20.0),
        "bubble.wav": tone(300, 900, 0.06, 0.5, 25.0) + tone(420, 1200, 0.07, 0.45, 25.0),
    }


def vlq(value):
    data = [value & 0x7F]
    value >>= 7
    while value:
        data.insert(0, (value & 0x7F) | 0x80)
        value >>= 7
    return bytes(data)


def tune():
    """Eight bars in C major at 120 bpm: a marimba melody over a bass line, format 0."""
    tpq = 480
    melody = [  # (note, beats); 0 is a rest
        (72, 1), (74, 1), (76, 1), (79, 1), (81, 2), (79, 2),
        (77, 1), (76, 1), (74, 1), (72, 1), (74, 3), (0, 1),
        (72, 1), (74, 1), (76, 1), (79, 1), (84, 2), (81, 2),
        (79, 1), (77, 1), (76, 1), (74, 1), (72, 3), (0, 1),
    ]
    bass = [(48, 4), (53, 4), (55, 4), (55, 4), (48, 4), (53, 4), (55, 4), (48, 4)]
    events = []  # (tick, order, bytes); note-offs sort before note-ons at the same tick

    def lay(seq, channel, velocity):
        tick = 0
        for n, beats in seq:
            length = beats * tpq
            if n:
                events.append((tick, 1, bytes([0x90 | channel, n, velocity])))
                events.append((tick + length - 30, 0, bytes([0x80 | channel, n, 0])))
            tick += length

    lay(melody, 0, 96)
    lay(bass, 1, 80)
    events.sort(key=lambda e: (e[0], e[1]))
    track = bytearray()
    track += vlq(0) + b"\xff\x51\x03" + (500000).to_bytes(3, "big")  # 120 bpm
    track += vlq(0) + bytes([0xC0, 12])  # marimba
    track += vlq(0) + bytes([0xC1, 32])  # acoustic bass
    last = 0
    for tick, _, data in events:
        track += vlq(tick - last) + data
        last = tick
    end = 32 * tpq
    track += vlq(end - last) + b"\xff\x2f\x00"
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, tpq)
    return header + b"MTrk" + struct.pack(">I", len(track)) + bytes(track)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_audio.py SOUND_DIR MUSIC_DIR")
    sound_dir, music_dir = sys.argv[1], sys.argv[2]
    os.makedirs(sound_dir, exist_ok=True)
    os.makedirs(music_dir, exist_ok=True)
    for name, samples in sounds().items():
        write_wav(os.path.join(sound_dir, name), samples)
    with open(os.path.join(music_dir, "sample.mid"), "wb") as f:
        f.write(tune())


if __name__ == "__main__":
    main()
