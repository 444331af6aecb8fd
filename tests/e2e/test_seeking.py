"""Seeking in the real exe under Wine, on clips with sound and video: the jumps and tenths move the
position (read from the overlay's progress bar), bookmark jumps land on the bookmark, the A-B loop
stays between A and B until it is ended, plays on without a silence when ended as B is reached, or,
set to two repeats with a pause of 1 s, is heard twice
with a second of silence between and plays on past B; stop rewinds, full screen comes and goes, and
the clip still closes and the player exits: nothing hangs after a seek."""
import os
import time
import unittest

import wine_player as wp
from test_first_and_last_sound import RATE as RATE_OF_RECORDING, Recording, rising_tone, tone_pieces
from test_mark_list import user_value
from test_overlay import overlay, GREEN, WHITE

VK_RETURN, VK_ESCAPE, VK_SPACE, VK_PRIOR, VK_NEXT = 0x0D, 0x1B, 0x20, 0x21, 0x22
VK_END, VK_HOME, VK_LEFT, VK_RIGHT, VK_INSERT, VK_F12 = 0x23, 0x24, 0x25, 0x27, 0x2D, 0x7B
LENGTH = 150   # seconds: long enough for every jump to stay inside the clip
IDM_SKIPS = 40060
IDC_SKIP_BACK, IDC_SKIPS_HINT = 1040, 1045
IDM_LOOP_2, IDM_LOOP_GAP_1 = 40052, 40057
RISE_FROM, RISE = 300, 20   # Hz at the start, Hz more each second: the pitch heard says the moment


def heard_runs(pieces):
    """The pieces of a rising tone joined where one goes on from the last within moments, in the
    clip and in the recording: what a listener hears as one stretch played on. A piece may start a
    moment before the last one ended: the stop position set back as the loop ends replays that
    much."""
    runs = []
    for piece in pieces:
        last = runs and runs[-1]
        if last and -0.3 <= piece[0] - last[1] < 0.5 and piece[2] - last[3] < 0.3:
            last[1], last[3] = piece[1], piece[3]
        else:
            runs.append(list(piece))
    return [tuple(run) for run in runs]


def heard_moment(recording, length):
    """The moment of the rising tone's clip heard last, from the pitch of its last fifth of a
    second; None in a silence."""
    pieces = tone_pieces(recording.samples(max(0, recording.length() - RATE_OF_RECORDING // 5)),
                         RISE_FROM, RISE, length)
    return pieces[-1][1] if pieces else None


def repeat_end_heard(recording, length, midway, timeout=15):
    """The last moment of the clip heard in a loop's first whole repeat, from one return to A to the
    next (a return heard as a step back past midway, between A and B); None if none within timeout."""
    heard = []

    def repeated():
        moment = heard_moment(recording, length)
        if moment is not None:
            heard.append(moment)
        returns = [i for i in range(1, len(heard)) if heard[i] < midway <= heard[i - 1]]
        return len(returns) >= 2 and max(heard[returns[0]:returns[1]])
    return wp.wait_for(repeated, timeout, 0.02) or None


class Seeking(wp.PlayerCase):
    def open(self, name):
        clip = wp.make_clip(name, LENGTH)
        # Each run starts with no marks, as on the first day; an earlier run's would be jumped to.
        bookmarks = os.path.splitext(clip)[0] + '.BMS'
        if os.path.exists(bookmarks):
            os.remove(bookmarks)
        self.start(wp.win_path(clip))
        self.hwnd = wp.players()[0]
        self.assertTrue(wp.wait_for_title(f'{name} [Video] '), wp.show())
        wp.driver('char', 'd')   # a wide window gives a long progress bar
        wp.driver('key', VK_SPACE)
        self.assertIsNotNone(wp.wait_for(self.position, 10), 'no overlay')

    def position(self):
        """Seconds into the clip as the progress bar shows them; None while the strip is not on screen."""
        counts = overlay(self.hwnd)
        return counts and LENGTH * counts[GREEN] / (counts[GREEN] + counts[WHITE])

    def settled(self, low, high, timeout=8):
        """Waits until the bar shows a place between low and high seconds, and returns it."""
        def inside():
            place = self.position()
            return [place] if place is not None and low <= place <= high else None
        found = wp.wait_for(inside, timeout, 0.1)
        return found and found[0]

    def press(self, key, low, high):
        if isinstance(key, str):
            wp.driver('char', key)
        else:
            wp.driver('key', key)
        place = self.settled(low, high)
        self.assertIsNotNone(place, f'{key!r}: not between {low} and {high} s, at {self.position()}')
        return place

    def close_and_exit(self):
        wp.driver('key', VK_F12)
        self.assertTrue(wp.wait_for_title('Lumetrone'), 'the clip did not close after seeking')
        self.exit_player()

    def jumps_and_tenths(self, name):
        self.open(name)
        self.press('5', 74, 78)
        self.press(VK_RIGHT, 104, 109)
        self.press(VK_LEFT, 95, 101)
        self.press('1', 14, 18)
        self.press(VK_NEXT, 114, 120)
        self.press('9', 134, 139)
        self.press('0', 0, 3)
        self.press('s', 0, 0.5)
        self.press('p', 1.5, 10)   # both streams still flow after all those seeks
        self.close_and_exit()

    def test_jumps_and_tenths_on_an_avi(self):
        self.jumps_and_tenths('seek.avi')

    def test_jumps_and_tenths_on_a_wmv(self):
        self.jumps_and_tenths('seek.wmv')

    def test_bookmarks_loop_and_full_screen(self):
        self.open('seek.avi')
        mark = self.press('5', 74, 78)
        wp.driver('key', VK_PRIOR)
        self.press('0', 0, 3)
        self.press(VK_END, mark - 1, mark + 2)
        self.press('9', 134, 139)
        self.press(VK_HOME, mark - 1, mark + 2)

        a = self.press('3', 44, 48)
        wp.driver('key', VK_INSERT)
        time.sleep(2)
        wp.driver('key', VK_INSERT)
        b = a + 2.5
        seen, end = [], time.time() + 10.5   # three loops and more
        while time.time() < end:
            place = self.position()
            if place:   # a strip caught half painted reads 0
                seen.append(place)
        self.assertTrue(all(a - 1 <= p <= b + 1 for p in seen), f'A {a:.1f}, seen {seen}')
        returns = sum(1 for before, after in zip(seen, seen[1:]) if after < before - 1)
        self.assertGreaterEqual(returns, 3, f'back to A only {returns} times: {seen}')
        wp.driver('key', VK_INSERT)
        self.assertIsNotNone(self.settled(b + 2, LENGTH), 'the clip did not play on past B')

        window = wp.show()['outer']
        screen = dict(line.split('=', 1) for line in wp.driver('metrics')[1].split())['screen']
        wp.driver('key', VK_RETURN)
        self.assertTrue(wp.wait_for(lambda: wp.driver('foreground')[1].strip() == screen, 10), 'no full screen')
        wp.driver('key', VK_ESCAPE)
        self.assertTrue(wp.wait_for(lambda: wp.driver('foreground')[1].strip() == window, 10), 'still full screen')
        self.assertEqual(wp.show()['outer'], window)
        self.assertIsNone(wp.message())
        self.close_and_exit()

    def copied(self, text):
        wp.driver('ctrl', 'c')
        return wp.wait_for(lambda: wp.driver('clipboard')[1].strip() == text, 10)

    def test_skip_back_of_the_users_own_length(self):
        """Control's Skips... refuses 0 s with a hint and stays, then takes 2.5 s for Left; paused,
        each Left then moves the place by 2.5 s, as Ctrl+C reads it: 0:30, 0:27 (27.5), 0:25."""
        clip = wp.make_clip('skips.mp3', 60)
        self.start(wp.win_path(clip))
        self.assertTrue(wp.wait_for_title('skips.mp3 [Audio] '), wp.show())
        wp.driver('char', 'p')
        self.assertTrue(wp.wait_for_title('skips.mp3 [Audio] (Paused)'), wp.show())
        wp.driver('ctrl', 'g')
        self.assertTrue(wp.wait_for(lambda: 'Go to time' in wp.driver('dialogs')[1].splitlines()), 'no Go to time')
        self.assertEqual(wp.driver('goto', '30')[0], 0)
        self.assertTrue(wp.wait_for(lambda: 'Go to time' not in wp.driver('dialogs')[1].splitlines()))
        self.assertTrue(self.copied('0:30'), wp.driver('clipboard'))

        wp.driver('command', IDM_SKIPS)
        self.assertTrue(wp.wait_for(lambda: 'Skips' in wp.driver('dialogs')[1].splitlines()), 'no Skips dialog')
        self.assertEqual(wp.driver('item', 'Skips', IDC_SKIP_BACK)[1].strip(), '9')
        self.assertEqual(wp.driver('answer', 'Skips', IDC_SKIP_BACK, '0')[0], 0)
        self.assertTrue(wp.wait_for(lambda: wp.driver('item', 'Skips', IDC_SKIPS_HINT)[1].strip() ==
                                    'Type seconds from 0.1 to 600, such as 2.5.'), 'no hint')
        self.assertIn('Skips', wp.driver('dialogs')[1].splitlines(), 'the dialog stays')
        self.assertEqual(wp.driver('answer', 'Skips', IDC_SKIP_BACK, '2.5')[0], 0)
        self.assertTrue(wp.wait_for(lambda: 'Skips' not in wp.driver('dialogs')[1].splitlines()), 'still open')

        wp.driver('key', VK_LEFT)
        self.assertTrue(self.copied('0:27'), 'Left from 0:30: ' + wp.driver('clipboard')[1])
        wp.driver('key', VK_LEFT)
        self.assertTrue(self.copied('0:25'), 'Left from 0:27.5: ' + wp.driver('clipboard')[1])
        self.assertTrue(wp.wait_for_title('skips.mp3 [Audio] (Paused)'), 'still paused')
        self.assertIsNone(wp.message(), 'nothing is said')
        self.exit_player()
    def copied_place(self):
        """The place Ctrl+C copies, in whole seconds; None while the clipboard holds no m:ss."""
        wp.driver('ctrl', 'c')
        minutes, _, seconds = wp.driver('clipboard')[1].strip().partition(':')
        return int(minutes) * 60 + int(seconds) if minutes.isdigit() and seconds.isdigit() else None

    def copied_from(self, low, timeout=20):
        """Waits until Ctrl+C copies a place of `low` seconds or later, and returns it."""
        return wp.wait_for(lambda: (self.copied_place() or 0) >= low and self.copied_place(), timeout, 0.1)

    def test_a_loop_of_two_repeats_with_a_pause_plays_on_after_them(self):
        length = 40
        clip = wp.make_clip('loop-repeats.m4a', length, sound=rising_tone(length, RISE_FROM, RISE))
        title = 'loop-repeats.m4a [Audio] '
        recording = Recording()
        try:
            self.start(wp.win_path(clip))
            self.assertTrue(wp.wait_for_title(title, timeout=60), wp.message() or wp.show())
            wp.driver('command', IDM_LOOP_2)
            wp.driver('command', IDM_LOOP_GAP_1)
            for name, value in (('loopcount', 2), ('loopgap', 1)):
                self.assertTrue(wp.wait_for(lambda: user_value(name) == value, 10), f'{name} remembered')
            self.assertTrue(recording.wait_for_sound(), 'the clip is heard')
            wp.driver('ctrl', 'g')
            self.assertTrue(wp.wait_for(lambda: 'Go to time' in wp.driver('dialogs')[1].splitlines()), 'no dialog')
            self.assertEqual(wp.driver('goto', '10')[0], 0)
            self.assertEqual(self.copied_from(10), 10, 'at the time gone to')
            wp.driver('key', VK_INSERT)
            self.assertIsNotNone(self.copied_from(12), 'plays on to B')
            wp.driver('key', VK_INSERT)
            # Twice from A to B, a second's pause between, then on: 3 s past B take 8 s or so.
            self.assertIsNotNone(self.copied_from(15, 30), 'the loop does not play on past B')
            self.assertEqual((wp.show() or {}).get('title'), title, 'the pause at B is not a pause of the user')

            runs = heard_runs(tone_pieces(recording.samples(), RISE_FROM, RISE, length))
            said = 'heard (clip from, to, recorded from, to): ' + ', '.join(
                f'({a:.2f}, {b:.2f}, {c:.2f}, {d:.2f})' for a, b, c, d in runs)
            gone_to = [i for i, run in enumerate(runs) if 9.5 <= run[0] <= 10.5]
            self.assertTrue(gone_to, 'heard from the time gone to; ' + said)
            to_b, first, second = (runs[gone_to[0]:gone_to[0] + 3] + [None, None])[:3]
            self.assertTrue(first and second, 'heard from A twice; ' + said)
            a, b = first[0], to_b[1]
            self.assertTrue(9.5 <= a <= 11 and 12 <= b <= 13.5, f'A {a:.2f}, B {b:.2f}; ' + said)
            self.assertLess(first[2] - to_b[3], 0.4, 'the press at B returns to A at once; ' + said)
            self.assertLess(abs(first[1] - b), 0.3, 'the first repeat stops at B; ' + said)
            self.assertLess(abs(second[0] - a), 0.3, 'the second starts at A; ' + said)
            self.assertTrue(0.8 <= second[2] - first[3] <= 1.6, 'a second of silence at B; ' + said)
            self.assertGreater(second[1], b + 2, 'the second repeat plays on past B; ' + said)
            self.assertIsNone(wp.message(), 'nothing is said')
            self.exit_player()
        finally:
            recording.stop()

    def test_the_loop_ended_as_b_is_reached_plays_on_without_a_silence(self):
        length = 30
        clip = wp.make_clip('loop-ended-at-b.m4a', length, sound=rising_tone(length, RISE_FROM, RISE))
        recording = Recording()
        try:
            self.start(wp.win_path(clip))
            self.assertTrue(wp.wait_for_title('loop-ended-at-b.m4a [Audio] ', timeout=60), wp.message() or wp.show())
            self.assertTrue(recording.wait_for_sound(), 'the clip is heard')
            self.assertIsNotNone(self.copied_from(2), 'plays')
            wp.driver('key', VK_INSERT)
            self.assertIsNotNone(self.copied_from(4), 'plays on to B')
            wp.driver('key', VK_INSERT)
            # The third press lands as the second repeat reaches B, timed by the tone heard: the
            # place is copied in whole seconds, and B is a moment past 4 s. The first repeat heard
            # says where B is heard.
            at_b = repeat_end_heard(recording, length, midway=3)
            self.assertIsNotNone(at_b, 'the loop does not repeat')
            self.assertTrue(wp.wait_for(lambda: (heard_moment(recording, length) or 0) >= at_b - 0.05, 10, 0.02),
                            f'the second repeat is not heard reaching B at {at_b:.2f} s')
            ended = recording.length()
            wp.driver('key', VK_INSERT)
            self.assertIsNotNone(self.copied_from(8, 15), 'the loop does not end')
            samples = recording.samples()
            runs = heard_runs(tone_pieces(samples, RISE_FROM, RISE, length))
            said = 'heard (clip from, to, recorded from, to): ' + ', '.join(
                f'({a:.2f}, {b:.2f}, {c:.2f}, {d:.2f})' for a, b, c, d in runs)
            after = [run for run in runs if run[3] > ended / RATE_OF_RECORDING]
            self.assertTrue(after and after[-1][1] >= 7.5, 'plays on past B; ' + said)
            for before, run in zip(after, after[1:]):
                self.assertLess(run[2] - before[3], 0.5, 'a silence as the loop ended; ' + said)
            self.exit_player()
        finally:
            recording.stop()


if __name__ == '__main__':
    unittest.main(verbosity=2)
