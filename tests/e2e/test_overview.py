"""The overview read beside the playback on the real exe under Wine: a second reader of the clip, seen
as the player's second open of the file, while a long clip plays at 100 % with no gap heard from the
null sink; let go of at once when the folder steps to the next clip and when the clip is closed; and
an exit while it is being built as quick and clean as any."""
import os
import time
import unittest

import wine_player as wp
from test_first_and_last_sound import RATE, Recording
from test_rate import gap_in_both_halves

VK_UP, VK_DOWN, VK_F12 = 0x26, 0x28, 0x7B
LONG = 1800   # seconds: its overview takes several seconds to build
HEARD = 8     # seconds of playback heard at most while it is built


def readers(process, path):
    """How many times the player has the file open: its own source's reader and the overview's each once."""
    folder = f'/proc/{process.pid}/fd'
    count = 0
    for name in os.listdir(folder):
        try:
            count += os.readlink(os.path.join(folder, name)) == path
        except OSError:   # closed meanwhile
            pass
    return count


class Overview(wp.PlayerCase):
    def setUp(self):
        super().setUp()
        folder = os.path.join(wp.CLIPS, 'overview')
        self.long = wp.make_clip(os.path.join(folder, 'a.m4a'), LONG)
        self.short = wp.make_clip(os.path.join(folder, 'b.m4a'), 60)

    def open_long(self):
        self.start(wp.win_path(self.long))
        self.assertTrue(wp.wait_for_title('a.m4a [Audio] '), wp.show())
        self.assertTrue(wp.wait_for(lambda: readers(self.player, self.long) == 2, 20, 0.05),
                        'no second reader of the clip')

    def assertLetGo(self, path, since, what):
        """The file is no longer open within 1.5 s of since."""
        self.assertTrue(wp.wait_for(lambda: readers(self.player, path) == 0, 5, 0.05), f'{what}: still open')
        self.assertLess(time.time() - since, 1.5, f'{what}: let go of late')

    def timed_exit(self):
        """Seconds from the Exit command to the process's end, which must be clean."""
        sent = time.time()
        wp.driver('command', wp.IDM_EXIT)
        code = wp.finish(self.player)
        if code != 0:
            self.fail(f'the player ended with {code}; it printed:\n{wp.printed(self.player)}')
        self.player = None
        return time.time() - sent

    def test_playback_at_100_percent_has_no_gap_while_the_overview_is_built(self):
        recording = Recording()
        first = built = None
        try:
            self.open_long()
            self.assertTrue(recording.wait_for_sound(20), 'nothing heard')
            first = recording.length()

            def heard_while_built():
                nonlocal built
                if built is None and readers(self.player, self.long) < 2:
                    built = recording.length()
                return built is not None or recording.length() - first >= HEARD * RATE
            wp.wait_for(heard_while_built, 2 * HEARD, 0.05)
        finally:
            samples = recording.stop()
        samples = samples[first:built]
        self.assertGreater(len(samples), 4 * RATE, 'the overview was whole within 4 s: the clip is too short')
        self.assertLessEqual(gap_in_both_halves(samples), 0.020, 'a gap in playback while the overview was built')
        self.exit_player()

    def test_the_overview_lets_go_of_its_clip_at_the_next_clip_and_at_a_close(self):
        self.open_long()
        wp.driver('key', VK_DOWN)
        self.assertTrue(wp.wait_for_title('b.m4a [Audio] '), wp.show())
        self.assertLetGo(self.long, time.time(), 'the first clip at the step to the next')
        self.assertGreaterEqual(readers(self.player, self.short), 1, 'the next clip is read')

        wp.driver('key', VK_UP)
        self.assertTrue(wp.wait_for_title('a.m4a [Audio] '), wp.show())
        self.assertTrue(wp.wait_for(lambda: readers(self.player, self.long) == 2, 20, 0.05), 'built again')
        closed = time.time()
        wp.driver('key', VK_F12)
        self.assertTrue(wp.wait_for_title('Lumetrone', timeout=1.5), wp.show())
        self.assertLetGo(self.long, closed, 'the clip closed')
        self.assertEqual(readers(self.player, self.short), 0)
        self.exit_player()

    def test_an_exit_while_the_overview_is_built_is_as_quick_and_clean_as_any(self):
        self.start(wp.win_path(self.short))
        self.assertTrue(wp.wait_for_title('b.m4a [Audio] '), wp.show())
        self.assertTrue(wp.wait_for(lambda: readers(self.player, self.short) == 1, 20, 0.05), 'overview built')
        plain = self.timed_exit()
        self.open_long()
        building = self.timed_exit()
        # Wine's X11 driver on a screen with no window manager waits 2 s for the window to go at
        # every exit: the exit is measured against one whose clip's overview was whole.
        self.assertLess(building, plain + 1.0, f'exit while built {building:.2f} s, once whole {plain:.2f} s')


if __name__ == '__main__':
    unittest.main(verbosity=2)
