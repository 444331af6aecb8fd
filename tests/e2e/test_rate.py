"""The rate on the real exe under Wine, heard from the null sink's monitor and read from the strip: a
440 Hz tone clip at 70 % and at 150 % still sounds at 440 Hz, with no gap in steady playback, and its
place moves 7 s and 15 s in 10 s; Backspace returns to 100 %; the rate holds across Down."""
import os
import tempfile
import time
import unittest

import wine_player as wp
from test_first_and_last_sound import RATE, Recording
from test_overlay import GREEN, WHITE, bar_row

VK_SPACE, VK_DOWN = 0x20, 0x28
LENGTH = 30          # seconds of each clip
WINDOW = RATE // 4   # the recording is timed in quarter seconds


def frequencies(samples):
    """The tone's frequency in each quarter second, from the median time between its rising zero
    crossings (interpolated), so that a splice or a lost block of the sink shifts no window's reading."""
    found = []
    for start in range(0, len(samples) - WINDOW + 1, WINDOW):
        window = samples[start:start + WINDOW]
        crossings = [i - 1 + window[i - 1] / (window[i - 1] - window[i])
                     for i in range(1, len(window)) if window[i - 1] < 0 <= window[i]]
        periods = sorted(after - before for before, after in zip(crossings, crossings[1:]))
        found.append(RATE / periods[len(periods) // 2] if periods else 0)
    return found


def longest_gap(samples):
    """Seconds of the longest run of samples under a twentieth of the loudest: a 440 Hz tone passes
    under it for a sample at most at each zero crossing."""
    quiet = max(abs(s) for s in samples) / 20
    longest = run = 0
    for sample in samples:
        run = run + 1 if abs(sample) < quiet else 0
        longest = max(longest, run)
    return longest / RATE


def gap_in_both_halves(samples):
    """The shorter of the two halves' longest gaps: a gap the player makes in steady playback comes
    back in both, while one that another program on a busy machine made falls in one."""
    half = len(samples) // 2
    return min(longest_gap(samples[:half]), longest_gap(samples[half:]))


class Rate(wp.PlayerCase):
    def setUp(self):
        super().setUp()
        folder = os.path.join(wp.CLIPS, 'rate')
        self.first = wp.make_clip(os.path.join(folder, 'a.m4a'), LENGTH)
        wp.make_clip(os.path.join(folder, 'b.m4a'), LENGTH)

    def open_with_strip(self):
        self.start(wp.win_path(self.first))
        self.hwnd = wp.players()[0]
        self.assertTrue(wp.wait_for_title('a.m4a [Audio] '), wp.show())
        wp.driver('key', VK_SPACE)

    def place(self):
        """The moment of a screenshot and the clip's place the strip's progress bar shows in it."""
        with tempfile.TemporaryDirectory() as folder:
            shot = os.path.join(folder, 'shot.png')
            for _ in range(10):
                moment = time.time()
                wp.screenshot(shot)
                counts = bar_row(shot, self.hwnd)
                if counts:   # a strip caught half painted shows no bar
                    return moment, LENGTH * counts[GREEN] / (counts[GREEN] + counts[WHITE])
                time.sleep(0.1)
        self.fail('the strip is not on screen')

    def moved(self, seconds, record=False):
        """The place's move over so many seconds, and what the sink played meanwhile if asked.
        The rate's step pauses the sound for about 40 ms, so both start well after it."""
        time.sleep(0.5)
        start, before = self.place()
        recording = Recording() if record else None
        time.sleep(max(0.0, start + seconds - time.time()))
        # The recording ends before the screenshot: on a machine of two cores, taking the screen is
        # load enough to hold up Wine's sound renderer, which keeps only 150 ms queued.
        samples = recording.stop()[RATE // 5:] if record else None
        _, after = self.place()
        return after - before, samples

    def assertSteadyTone(self, samples):
        self.assertGreater(len(samples), 6 * RATE, 'recorded')
        self.assertLessEqual(gap_in_both_halves(samples), 0.020, 'a gap in steady playback')
        heard = frequencies(samples)
        self.assertTrue(all(431.2 <= f <= 448.8 for f in heard), f'440 Hz within 2 %: {[round(f) for f in heard]}')

    def test_slower_at_70_percent_keeps_the_pitch_and_backspace_returns_to_100(self):
        self.open_with_strip()
        for _ in range(3):
            wp.driver('char', '[')
        moved, samples = self.moved(10, record=True)
        self.assertAlmostEqual(moved, 7.0, delta=0.5, msg='the place at 70 %')
        self.assertSteadyTone(samples)
        wp.driver('char', '\b')
        moved, _ = self.moved(5)
        self.assertAlmostEqual(moved, 5.0, delta=0.5, msg='the place after Backspace')
        self.exit_player()

    def test_faster_at_150_percent_keeps_the_pitch_across_down(self):
        self.open_with_strip()
        for _ in range(5):
            wp.driver('char', ']')
        wp.driver('key', VK_DOWN)
        self.assertTrue(wp.wait_for_title('b.m4a [Audio] '), wp.show())
        moved, samples = self.moved(10, record=True)
        self.assertAlmostEqual(moved, 15.0, delta=0.5, msg='the place at 150 % on the next clip')
        self.assertSteadyTone(samples)
        self.exit_player()


if __name__ == '__main__':
    unittest.main(verbosity=2)
