"""The list of marks in the real exe under Wine: it opens on the mark at or before the current place,
Up and Down move in it, Enter jumps there and keeps it open, a mark added meanwhile appears in it,
Delete deletes the selected mark from the bookmark file, Escape closes it, it comes back where the
user left it and goes with its clip; a place kept from another screen comes back on this one, at the
screen's DPI."""
import os
import unittest

import wine_player as wp

VK_RETURN, VK_LEFT, VK_DOWN, VK_UP, VK_DELETE, VK_F12 = 0x0D, 0x25, 0x28, 0x26, 0x2E, 0x7B
DPI_KEY = r'HKCU\Control Panel\Desktop'
TITLE = 'Lumetrone marks'


def marks_in(path):
    """The bookmark file's marks in seconds."""
    with open(path, 'rb') as f:
        halves = [int(line) for line in f.read().decode('ascii').splitlines()]
    return [(halves[i] + (halves[i + 1] << 32)) / 1e7 for i in range(0, len(halves), 2)]


def mark_list():
    """(window, list, selected row, rows) while the list of marks is open, else None."""
    code, out = wp.driver('marks')
    if code != 0:
        return None
    head, *rows = out.replace('\r', '').split('\n')[:-1]
    window, listbox, selected = head.split()
    return window, listbox, int(selected), rows


def user_value(name):
    out = wp.wine('reg', 'query', wp.REGISTRY_KEY, '/v', name).stdout.split()
    return int(out[out.index('REG_DWORD') + 1], 16) if 'REG_DWORD' in out else None


class MarkList(wp.PlayerCase):
    def clip_with_marks(self, name):
        clip = wp.make_clip(os.path.join('mark-list', name), seconds=60)
        self.marks = os.path.splitext(clip)[0] + '.BMS'
        with open(self.marks, 'wb') as f:
            f.write(b'50000000\n0\n200000000\n0\n400000000\n0\n')   # 5 s, 20 s and 40 s
        return clip

    def at(self, place):
        """True once Ctrl+C copies that time: the player, paused, is there."""
        def there():
            wp.driver('ctrl', 'c')
            return wp.driver('clipboard')[1].strip() == place
        return wp.wait_for(there, timeout=10)

    def rows_become(self, rows, selected):
        shown = wp.wait_for(lambda: list((mark_list() or [None] * 4)[2:]) == [selected, rows], timeout=10)
        self.assertTrue(shown, mark_list())

    def test_opens_on_the_mark_jumps_deletes_and_follows_the_marks(self):
        self.start(wp.win_path(self.clip_with_marks('talk.mp3')))
        self.assertTrue(wp.wait_for_title('talk.mp3 [Audio] '), wp.show())
        wp.driver('char', 'p')
        self.assertTrue(wp.wait_for_title('talk.mp3 [Audio] (Paused)'), wp.show())
        wp.driver('ctrl', 'g')
        self.assertTrue(wp.wait_for(lambda: 'Go to time' in wp.driver('dialogs')[1].splitlines()), 'no dialog')
        self.assertEqual(wp.driver('goto', '0:25')[0], 0)
        self.assertTrue(self.at('0:25'), wp.driver('clipboard'))

        wp.driver('char', 'l')
        self.rows_become(['1\t0:05\t', '2\t0:20\t', '3\t0:40\t'], 1)
        window, listbox = mark_list()[:2]
        wp.driver('key', VK_DOWN, listbox)
        self.rows_become(['1\t0:05\t', '2\t0:20\t', '3\t0:40\t'], 2)
        wp.driver('key', VK_RETURN, listbox)
        self.assertTrue(self.at('0:40'), wp.driver('clipboard'))
        self.assertIsNotNone(mark_list(), 'Enter keeps the list open')

        # A mark added in the player's window appears in the list, whose selection stays on its mark.
        wp.driver('key', VK_LEFT)
        self.assertTrue(self.at('0:31'), wp.driver('clipboard'))
        wp.driver('char', 'b')
        self.rows_become(['1\t0:05\t', '2\t0:20\t', '3\t0:31\t', '4\t0:40\t'], 3)

        wp.driver('key', VK_DELETE, listbox)
        self.rows_become(['1\t0:05\t', '2\t0:20\t', '3\t0:31\t'], 2)
        marks = marks_in(self.marks)
        self.assertEqual(marks[:2], [5, 20], marks)
        self.assertAlmostEqual(marks[2], 31, delta=0.5)
        self.assertEqual(len(marks), 3, marks)
        wp.driver('key', VK_UP, listbox)
        self.rows_become(['1\t0:05\t', '2\t0:20\t', '3\t0:31\t'], 1)

        # Where the user leaves it, it comes back, as large; on the mark at or before the place.
        self.assertEqual(wp.driver('move', 300, 200, window)[0], 0)
        self.assertEqual(wp.driver('resize', 420, 330, window)[0], 0)
        self.assertTrue(wp.wait_for(lambda: wp.driver('place', TITLE)[1].split() == ['300', '200', '420', '330']),
                        wp.driver('place', TITLE))
        self.assertEqual(wp.driver('escape', TITLE)[0], 0)
        self.assertTrue(wp.wait_for(lambda: mark_list() is None), 'Escape closes the list')
        self.assertEqual([user_value(name) for name in ('marklistleft', 'marklisttop', 'marklistwidth',
                                                         'marklistheight')], [300, 200, 420, 330])
        wp.driver('char', 'l')
        self.rows_become(['1\t0:05\t', '2\t0:20\t', '3\t0:31\t'], 2)
        self.assertEqual(wp.driver('place', TITLE)[1].split(), ['300', '200', '420', '330'])

        # The list goes with its clip.
        wp.driver('key', VK_F12)
        self.assertTrue(wp.wait_for_title('Lumetrone'), wp.show())
        self.assertTrue(wp.wait_for(lambda: mark_list() is None), 'the list outlived its clip')
        self.assertIsNone(wp.message(), 'nothing is said')
        self.exit_player()

    def test_a_place_from_another_screen_comes_back_on_this_one_at_its_dpi(self):
        for name, value in (('marklistleft', 5000), ('marklisttop', -3000), ('marklistwidth', 400),
                            ('marklistheight', 300)):
            wp.wine('reg', 'add', wp.REGISTRY_KEY, '/v', name, '/t', 'REG_DWORD', '/d', str(value & 0xFFFFFFFF), '/f')
        wp.wine('reg', 'add', DPI_KEY, '/v', 'LogPixels', '/t', 'REG_DWORD', '/d', '144', '/f')
        try:
            self.start(wp.win_path(self.clip_with_marks('screens.mp3')))
            self.assertTrue(wp.wait_for_title('screens.mp3 [Audio] '), wp.show())
            screen = dict(line.split('=') for line in wp.driver('metrics')[1].split())['screen']
            width, height = (int(n) for n in screen.split('x'))
            wp.driver('char', 'l')
            self.assertTrue(wp.wait_for(mark_list), 'no list')
            left, top, outer_width, outer_height = (int(n) for n in wp.driver('place', TITLE)[1].split())
            self.assertEqual((outer_width, outer_height), (600, 450), 'its size at 96 DPI, made 150 %')
            self.assertEqual((left, top), (width - 600, 0), 'wholly on the screen')
            self.assertEqual(wp.driver('escape', TITLE)[0], 0)
            self.assertTrue(wp.wait_for(lambda: mark_list() is None), 'Escape closes the list')
            self.assertEqual([user_value('marklistwidth'), user_value('marklistheight')], [400, 300],
                             'kept at 96 DPI')
            self.exit_player()
        finally:
            wp.wine('reg', 'add', DPI_KEY, '/v', 'LogPixels', '/t', 'REG_DWORD', '/d', '96', '/f')


if __name__ == '__main__':
    unittest.main(verbosity=2)
