"""The real exe under Wine: it starts, shows its window and the open dialog, and exits with 0 when closed."""
import unittest

import wine_player as wp


class StartUp(wp.PlayerCase):
    def test_idle_window_dialog_and_clean_exit(self):
        self.start()
        self.assertTrue(wp.wait_for_title('Lumetrone'))
        self.assertTrue(wp.wait_for(lambda: wp.driver('dialog')[0] == 0), 'the open dialog did not come up')
        window = wp.show()
        self.assertEqual(window['visible'], '1')
        self.assertEqual(window['outer'], '900x120')
        self.assertEqual(wp.driver('close')[0], 0)
        self.assertEqual(wp.finish(self.player), 0)
        self.player = None


if __name__ == '__main__':
    unittest.main(verbosity=2)
