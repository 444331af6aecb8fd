"""What the speakers get from the real exe under Wine, recorded from the null sink's monitor: the
first sound of a clip is heard at its open, at the folder's step to the next clip and after s and p,
a tone clip is heard to its length, and a clip's last sound is heard before the next clip starts."""
import array
import math
import os
import subprocess
import time
import unittest

import wine_player as wp

RATE = 8000          # samples a second of the recording: enough for tones of 440 to 1000 Hz
FRAME = RATE // 50   # 20 ms


def tone_clip(path, seconds, pieces):
    """An mp3 of sine tones, each piece (start, end, frequency) in seconds and Hz; silence elsewhere."""
    if os.path.exists(path):
        return path
    os.makedirs(os.path.dirname(path), exist_ok=True)
    # Commas inside a filter's expression are escaped, or they would part the filters.
    expression = '+'.join(f'between(t\\,{start}\\,{end})*sin(2*PI*{frequency}*t)' for start, end, frequency in pieces)
    subprocess.run(['ffmpeg', '-loglevel', 'error', '-y', '-f', 'lavfi', '-i',
                    f'aevalsrc=0.5*({expression}):s=44100:d={seconds}', '-c:a', 'libmp3lame', '-b:a', '128k', path],
                   check=True)
    return path


class Recording:
    """What the null sink plays from now on, as 16-bit mono samples."""

    def __init__(self):
        self.path = os.path.join(wp.CLIPS, 'sound', 'heard.raw')
        os.makedirs(os.path.dirname(self.path), exist_ok=True)
        self.file = open(self.path, 'wb')
        # Silence played all along keeps the sink running: a sink that wakes for the player's first
        # sound would leave the start of that sound out of the recording.
        stream = ['--latency-msec=50', '--raw', '--format=s16le', f'--rate={RATE}', '--channels=1']
        self.zeros = open('/dev/zero', 'rb')
        self.silence = subprocess.Popen(['pacat', *stream], stdin=self.zeros)
        time.sleep(1)
        self.process = subprocess.Popen(['parec', '-d', 'null.monitor', *stream], stdout=self.file)
        time.sleep(0.5)

    def stop(self):
        for process in (self.process, self.silence):
            process.terminate()
            process.wait()
        self.zeros.close()
        self.file.close()
        samples = array.array('h')
        with open(self.path, 'rb') as f:
            samples.frombytes(f.read())
        return samples


def power(frame, frequency):
    """Goertzel: the frame's power at one frequency."""
    coefficient = 2 * math.cos(2 * math.pi * frequency / RATE)
    previous = before = 0.0
    for sample in frame:
        previous, before = sample + coefficient * previous - before, previous
    return previous * previous + before * before - coefficient * previous * before


def runs(samples, frequency, others):
    """The stretches, (start, length) in seconds, where that tone is the one heard."""
    found, start = [], None
    for i in range(0, len(samples) - FRAME, FRAME):
        frame = samples[i:i + FRAME]
        own = power(frame, frequency)
        heard = own > 1e9 and all(own > 10 * power(frame, other) for other in others)
        if heard and start is None:
            start = i
        elif not heard and start is not None:
            found.append((start / RATE, (i - start) / RATE))
            start = None
    if start is not None:
        found.append((start / RATE, (len(samples) - start) / RATE))
    return found


class FirstAndLastSound(wp.PlayerCase):
    def record_while(self, act):
        recording = Recording()
        try:
            act()
        finally:
            samples = recording.stop()
        return samples

    def test_the_opening_beep_is_heard_at_each_start(self):
        folder = os.path.join(wp.CLIPS, 'sound', 'opening')
        first = tone_clip(os.path.join(folder, 'a.mp3'), 3, [(0, 0.3, 1000), (0.3, 3, 440)])
        tone_clip(os.path.join(folder, 'b.mp3'), 3, [(0, 0.3, 1000), (0.3, 3, 440)])

        def act():
            self.start(wp.win_path(first))
            self.assertTrue(wp.wait_for_title('b.mp3 [Audio] ', timeout=10), wp.show())
            time.sleep(1.5)
            wp.driver('char', 's')
            wp.driver('char', 'p')
            time.sleep(1.5)
            self.exit_player()
        beeps = [run for run in runs(self.record_while(act), 1000, [440]) if run[1] >= 0.2]
        self.assertGreaterEqual(len(beeps), 3, f'the opening, the step and s then p: {beeps}')

    def test_a_clip_is_heard_to_its_last_beep_before_the_next_starts(self):
        folder = os.path.join(wp.CLIPS, 'sound', 'closing')
        first = tone_clip(os.path.join(folder, 'a.mp3'), 5, [(0, 4.7, 440), (4.7, 5, 1000)])
        tone_clip(os.path.join(folder, 'b.mp3'), 3, [(0, 3, 660)])

        def act():
            self.start(wp.win_path(first))
            self.assertTrue(wp.wait_for_title('b.mp3 [Audio] ', timeout=12), wp.show())
            time.sleep(1.5)
            self.exit_player()
        samples = self.record_while(act)
        tones = runs(samples, 440, [660, 1000])
        beeps = runs(samples, 1000, [440, 660])
        next_clip = runs(samples, 660, [440, 1000])
        self.assertTrue(tones and beeps and tones[0][1] + beeps[0][1] >= 4.7, f'the clip heard: {tones} {beeps}')
        self.assertGreaterEqual(beeps[0][1], 0.25, f'its last beep: {beeps}')
        self.assertTrue(next_clip and beeps[0][0] < next_clip[0][0], f'the next clip {next_clip[:1]} after {beeps}')


if __name__ == '__main__':
    unittest.main(verbosity=2)
