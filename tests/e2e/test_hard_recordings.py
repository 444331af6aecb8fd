"""Hard recordings on the real exe under Wine, heard from the null sink's monitor: a stereo clip with
440 Hz on the left and 660 Hz on the right is heard at 440 Hz alone with Left only and at 660 Hz alone
with Right only; a clip of a loud and a quiet speaker 20 dB apart is heard about 20 dB apart, and
within 6 dB once `v` levels the voices. No espeak-ng here: the speakers are speech-like signals made
by ffmpeg (a voice's harmonics in syllables at 4 a second), the loud one on 220 Hz, the quiet on 330 Hz,
five seconds each in turn."""
import math
import os
import time
import unittest

import wine_player as wp
from test_first_and_last_sound import RATE, Recording

IDM_SIDES_BOTH, IDM_SIDES_LEFT, IDM_SIDES_RIGHT = 40041, 40042, 40043
WINDOW = RATE // 4   # a quarter second: one syllable


def voice(fundamental):
    # Commas inside a filter's expression are escaped, or they would part the filters.
    syllables = '(0.5-0.5*cos(2*PI*4*t))'
    harmonics = '+'.join(f'{weight}*sin(2*PI*{fundamental * n}*t)' for n, weight in ((1, 1), (2, 0.5), (3, 0.3)))
    return f'{syllables}*({harmonics})'


TWO_SIDES = 'aevalsrc=0.5*sin(2*PI*440*t)|0.5*sin(2*PI*660*t):s=44100:d=30'
TWO_SPEAKERS = ('aevalsrc=0.3*between(mod(t\\,10)\\,0\\,5)*' + voice(220) + '+0.03*between(mod(t\\,10)\\,5\\,10)*' +
                voice(330) + ':s=44100:d=40')


def strength(samples, frequency):
    """The tone's amplitude in the samples, by Goertzel's filter."""
    k = 2 * math.cos(2 * math.pi * frequency / RATE)
    before = earlier = 0.0
    for sample in samples:
        before, earlier = sample + k * before - earlier, before
    power = before * before + earlier * earlier - k * before * earlier
    return 2 * math.sqrt(max(power, 0.0)) / len(samples)


def decibels(samples):
    return 10 * math.log10(sum(s * s for s in samples) / len(samples) + 1e-9)


def windows(samples):
    return [samples[i:i + WINDOW] for i in range(0, len(samples) - WINDOW + 1, WINDOW)]


class HardRecordings(wp.PlayerCase):
    def play(self, name, sound):
        path = wp.make_clip(os.path.join('hard', name), sound=sound)
        self.start(wp.win_path(path))
        self.assertTrue(wp.wait_for_title(f'{name} [Audio] '), wp.show())

    def heard(self, seconds):
        """What the sink plays over the next so many seconds, after a moment for a change to be heard."""
        time.sleep(0.5)
        recording = Recording()
        started = time.time()
        wp.wait_for(lambda: time.time() - started >= seconds, seconds + 5, 0.2)
        return recording.stop()

    def assertOneTone(self, samples, wanted, other):
        self.assertGreater(len(samples), 2 * RATE, 'recorded')
        for window in windows(samples):
            self.assertGreater(strength(window, wanted), 1000, f'{wanted} Hz heard')
            self.assertLess(strength(window, other), strength(window, wanted) / 30, f'{other} Hz not heard')

    def test_left_only_and_right_only_are_each_heard_alone(self):
        self.play('sides.m4a', TWO_SIDES)
        both = self.heard(2)
        self.assertGreater(min(strength(w, 660) for w in windows(both)), 1000, 'Both: 660 Hz heard')
        self.assertGreater(min(strength(w, 440) for w in windows(both)), 1000, 'Both: 440 Hz heard')
        wp.driver('command', IDM_SIDES_LEFT)
        self.assertOneTone(self.heard(3), 440, 660)
        wp.driver('command', IDM_SIDES_RIGHT)
        self.assertOneTone(self.heard(3), 660, 440)
        self.exit_player()
        self.assertIn('0x2', wp.wine('reg', 'query', wp.REGISTRY_KEY, '/v', 'channels').stdout, 'remembered')

    def speakers_apart(self, samples):
        """dB between the median quarter seconds of the loud speaker and of the quiet one."""
        loud, quiet = [], []
        for window in windows(samples):
            low, high = strength(window, 220), strength(window, 330)
            if max(low, high) > 20:
                (loud if low > high else quiet).append(decibels(window))
        self.assertGreater(len(loud), 6, 'the loud speaker heard')
        self.assertGreater(len(quiet), 6, 'the quiet speaker heard')
        return sorted(loud)[len(loud) // 2] - sorted(quiet)[len(quiet) // 2]

    def test_levelling_brings_the_quiet_speaker_to_the_loud_one(self):
        self.play('speakers.m4a', TWO_SPEAKERS)
        self.assertAlmostEqual(self.speakers_apart(self.heard(11)), 20, delta=3, msg='as recorded, off')
        wp.driver('char', 'v')
        self.assertLess(abs(self.speakers_apart(self.heard(11))), 6, 'levelled')
        self.exit_player()
        self.assertIn('0x1', wp.wine('reg', 'query', wp.REGISTRY_KEY, '/v', 'levelling').stdout, 'remembered')


if __name__ == '__main__':
    unittest.main(verbosity=2)
