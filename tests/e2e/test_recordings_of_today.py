"""Today's recordings (MP4, M4A, MKV, FLAC, Ogg Opus) in the real exe under Wine, in a prefix made
like a stock Windows, whose DirectShow has no source for them: they play with sound (recorded from the
null sink) at their native size, their pictures of odd widths as ffmpeg decodes them, one after another and through a folder of mixed kinds; a digit, a
bookmark and an A-B loop work on them; MP3, AVI and WMV still play; a cut MP4 is said once; and the
place after a second pause is the one heard, not the graph's (Wine 8's graph counts the paused time)."""
import os
import shutil
import subprocess
import tempfile
import time
import unittest

import wine_player as wp
from test_first_and_last_sound import Recording, rising_tone, runs, tone_pieces
from test_hardening import marks
from test_overlay import overlay, GREEN, WHITE

VK_SPACE, VK_END, VK_DOWN, VK_INSERT = 0x20, 0x23, 0x28, 0x2D
SECOND = 10000000
# Wine's DirectShow reads every kind through its GStreamer splitter, as stock Windows does not. Their
# signatures sent to a source that nobody registered make RenderFile fail for these kinds, as on
# Windows 10 and 11 without a codec pack; MP3, AVI and WMV keep the splitter.
STOCK_KEY = r'HKCR\Media Type\{e436eb83-524f-11ce-9f53-0020af0ba770}\{0BADF00D-0000-0000-0000-000000000001}'
SIGNATURES = [('0', '4,4,,66747970'),   # 'ftyp' at offset 4: MP4, M4A
              ('1', '0,4,,1A45DFA3'),   # Matroska
              ('2', '0,4,,664C6143'),   # fLaC
              ('3', '0,4,,4F676753'),   # OggS
              ('Source Filter', '{0BADF00D-0000-0000-0000-000000000000}')]
ODD_SIZE = '322x182'   # not a multiple of 16 either way: a decoder's padded frame would show


def stock_key_present():
    return wp.wine('reg', 'query', STOCK_KEY, '/reg:32').returncode == 0


def renders(name):
    """Whether DirectShow's RenderFile alone renders the clip, as today's player and a bare harness use it."""
    clip = wp.make_clip(os.path.join('today-source', name))
    return wp.wine(wp.exe('lumetrone-bench'), 'play', wp.win_path(clip), '0').returncode == 0


def remove_stock_key():
    wp.wine('reg', 'delete', STOCK_KEY, '/f', '/reg:32')
    if stock_key_present():
        raise AssertionError('the prefix is left unlike the other suites expect it')


def fresh_folder(name, clips, seconds):
    """A folder of copies of ffmpeg-made clips: (file, frequency of its tone, picture size)."""
    folder = os.path.join(wp.CLIPS, 'today', name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for file, frequency, size in clips:
        source = f'{os.path.splitext(file)[0]}-{frequency}-{size}{os.path.splitext(file)[1]}'
        shutil.copy(wp.make_clip(os.path.join('today-source', source), seconds, size, frequency),
                    os.path.join(folder, file))
    return folder


def kind(file):
    return 'Audio' if file.rsplit('.', 1)[1] in ('mp3', 'm4a', 'flac', 'ogg') else 'Video'


def title(file):
    return f'{file} [{kind(file)}] '


class StockWindows(wp.PlayerCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # The key lives only while this class runs (the Wine suites run one at a time), so the other
        # suites keep an ordinary prefix; a class cleanup takes it away even after a failed set-up.
        for name, data in SIGNATURES:
            wp.wine('reg', 'add', STOCK_KEY, '/v', name, '/d', data, '/f', '/reg:32')
        cls.addClassCleanup(remove_stock_key)
        # The prefix really is like a stock Windows, so what plays below plays by the player's own source.
        assert not renders('probe.mp4'), 'RenderFile still renders an MP4: the prefix is not like a stock Windows'
        assert renders('probe.mp3'), 'RenderFile no longer renders an MP3'

    def next_title(self, before, timeout):
        """The first caption other than before and the idle one; whatever it is after timeout."""
        shown = wp.wait_for(lambda: (wp.show() or {}).get('title') not in (before, 'Lumetrone', None), timeout)
        return (wp.show() or {}).get('title') if shown else (wp.show() or {}).get('title', '') + ' ' + str(wp.message())

    def plays_one_after_another(self, clips, seconds=3):
        """The clips of a folder play to their ends one after another, each heard at its own tone for
        most of its length and each video shown at its native size; nothing is said."""
        folder = fresh_folder('one-after-another-' + clips[0][0].rsplit('.', 1)[1], clips, seconds)
        recording = Recording()
        sizes = {}
        try:
            self.start(wp.win_path(os.path.join(folder, clips[0][0])))
            shown, tones = None, [frequency for _, frequency, _ in clips]
            for file, _, size in clips:
                shown = self.next_title(shown, seconds + 30)
                self.assertEqual(shown, title(file))
                heard_from = recording.length()
                if kind(file) == 'Video':
                    wp.wait_for(lambda: (wp.show() or {}).get('client') == size, 10)
                    sizes[file] = wp.show()['client']
            # The last clip is heard out, however long the machine takes to play it.
            last, others = tones[-1], tones[:-1]
            recording.wait_for(lambda tail: sum(length for _, length in runs(tail, last, others)) >= seconds - 0.8,
                               heard_from, seconds + 30)
            self.assertIsNone(wp.message(), 'nothing is said')
            self.exit_player()
        finally:
            samples = recording.stop()
        self.assertEqual(sizes, {file: size for file, _, size in clips if kind(file) == 'Video'}, 'native sizes')
        heard = {frequency: runs(samples, frequency, [t for t in tones if t != frequency]) for frequency in tones}
        for file, frequency, _ in clips:
            self.assertGreaterEqual(sum(length for _, length in heard[frequency]), seconds - 0.8,
                                    f'{file}: its {frequency} Hz tone heard only {heard[frequency]}')
        starts = [heard[frequency][0][0] for frequency in tones]
        self.assertEqual(starts, sorted(starts), f'heard in the folder order: {heard}')

    def test_todays_kinds_are_heard_one_after_another_at_their_native_size(self):
        # The MKV's own size: a size kept from the clip before would show.
        self.plays_one_after_another([('a.m4a', 400, ODD_SIZE), ('b.mp4', 500, ODD_SIZE),
                                      ('c.mkv', 600, '258x146'), ('d.flac', 700, ODD_SIZE),
                                      ('e.ogg', 800, ODD_SIZE)])

    def test_pictures_of_odd_widths_show_as_ffmpeg_decodes_them(self):
        """A still picture as H.264 at 322x182 and as VP9 at 321x181, whose rows are padded past their
        width: the picture on screen matches ffmpeg's own decode of it, not sheared row by row."""
        folder = os.path.join(wp.CLIPS, 'today', 'odd-widths')
        os.makedirs(folder, exist_ok=True)
        for name, size, codec in (('odd.mp4', '322x182', ['-c:v', 'libx264']),
                                  ('odd.webm', '321x181', ['-c:v', 'libvpx-vp9', '-deadline', 'realtime'])):
            clip = os.path.join(folder, name)
            if not os.path.exists(clip):
                subprocess.run(['ffmpeg', '-loglevel', 'error', '-y', '-f', 'lavfi', '-i', f'testsrc=size={size}:rate=25:duration=1',
                                '-vf', 'select=eq(n\\,0),loop=100:1:0,setpts=N/25/TB', '-pix_fmt', 'yuv420p', *codec,
                                '-t', '4', clip], check=True)
            decoded = subprocess.run(['ffmpeg', '-loglevel', 'error', '-i', clip, '-frames:v', '1', '-f', 'rawvideo',
                                      '-pix_fmt', 'rgb24', '-'], check=True, capture_output=True).stdout
            self.start(wp.win_path(clip))
            self.assertTrue(wp.wait_for(lambda: (wp.show() or {}).get('client') == size, 20), wp.show())
            width, height = (int(side) for side in size.split('x'))
            x, y = (int(at) for at in wp.show()['origin'].split(','))
            rows = height // 2   # above where the strip may lie
            with tempfile.TemporaryDirectory() as scratch:
                shot = os.path.join(scratch, 'shot.png')

                def picture():
                    wp.screenshot(shot)
                    pixels = subprocess.run([wp.CONVERT, shot, '-crop', f'{width}x{rows}+{x}+{y}', '+repage', '-depth',
                                             '8', 'rgb:-'], check=True, capture_output=True).stdout
                    return pixels if sum(pixels) > 20 * len(pixels) else None   # drawn: the still is no black
                shown = wp.wait_for(picture, 20)
            self.exit_player()
            self.assertIsNotNone(shown, f'{name}: no picture drawn')
            expected = decoded[:width * rows * 3]
            error = sum(abs(a - b) for a, b in zip(shown, expected)) / len(expected)
            self.assertLessEqual(error, 12, f'{name}: mean error {error:.1f} of 255 against ffmpeg\'s decode')

    def test_mp3_avi_and_wmv_still_play(self):
        self.plays_one_after_another([('a.wmv', 400, ODD_SIZE), ('b.mp3', 600, ODD_SIZE),
                                      ('c.avi', 800, ODD_SIZE)])

    def test_down_goes_through_a_folder_of_mixed_kinds(self):
        files = ['a.wmv', 'b.mp3', 'c.avi', 'd.m4a', 'e.mp4', 'f.mkv', 'g.flac', 'h.ogg']
        folder = fresh_folder('mixed', [(file, 440, '320x240') for file in files], seconds=20)
        self.start(wp.win_path(os.path.join(folder, files[0])))
        shown = self.next_title(None, 30)
        self.assertEqual(shown, title(files[0]))
        for file in files[1:] + files[:1]:
            wp.driver('key', VK_DOWN)
            shown = self.next_title(shown, 30)
            self.assertEqual(shown, title(file))
        self.assertIsNone(wp.message(), 'nothing is said')
        self.exit_player()

    def position(self, length):
        """Seconds into the clip as the strip's progress bar shows them; None while it is not on screen."""
        counts = overlay(self.hwnd)
        return counts and length * counts[GREEN] / (counts[GREEN] + counts[WHITE])

    def strip(self, length):
        """The place the progress bar shows, read to the pixel, and the seconds a pixel stands for; None
        while no place past the start is on screen (a strip caught half painted reads 0). The played
        part is drawn to x = left + width * place / length, cut down to the pixel; inside the outlines
        (the bar's two ends and the played part's right end) its fill is x - left - 2 green pixels, and
        the row holds width - 3 green and white ones."""
        counts = overlay(self.hwnd)
        if not counts or not counts[GREEN]:
            return None
        width = counts[GREEN] + counts[WHITE] + 3
        return length * (counts[GREEN] + 2) / width, length / width

    def settled(self, low, high, length, timeout=20):
        def inside():
            place = self.position(length)
            return [place] if place is not None and low <= place <= high else None
        found = wp.wait_for(inside, timeout, 0.1)
        self.assertIsNotNone(found, f'not between {low} and {high} s, at {self.position(length)}')
        return found[0]

    def digit_bookmark_and_loop(self, name, length=30):
        clip = wp.make_clip(os.path.join('today-source', name), length, ODD_SIZE)
        bookmarks = os.path.splitext(clip)[0] + '.BMS'
        if os.path.exists(bookmarks):
            os.remove(bookmarks)
        self.start(wp.win_path(clip))
        self.hwnd = wp.players()[0]
        self.assertTrue(wp.wait_for_title(title(name)), wp.message() or wp.show())
        wp.driver('key', VK_SPACE)

        wp.driver('char', '5')
        self.settled(15, 17.5, length)
        shown_at = time.time()
        bar = wp.wait_for(lambda: self.strip(length), 10)
        self.assertIsNotNone(bar, 'the strip is shown')
        half, pixel = bar
        wp.driver('char', 'b')
        self.assertTrue(wp.wait_for(lambda: os.path.exists(bookmarks), 20), 'no bookmark file')
        # The strip is cut down to the pixel and painted every 100 ms, and the clip plays on from the
        # reading until the mark is written, however slowly.
        mark, later = marks(bookmarks)[0] / SECOND, time.time() - shown_at
        self.assertTrue(half - 0.15 <= mark <= half + pixel + 0.1 + later + 0.15,
                        f'the bookmark {mark:.2f} is the place shown, {half:.2f}, or up to {later:.1f} s later')
        wp.driver('char', '0')
        self.settled(0, 2, length)
        wp.driver('key', VK_END)
        jumped = time.time()
        a = self.settled(mark - 0.5, mark + 1, length)

        wp.driver('key', VK_INSERT)
        time.sleep(2)
        wp.driver('key', VK_INSERT)
        # Three loops and more, and two returns to A seen, however slowly a busy machine reads the strip.
        seen, returns, least, end = [], [], time.time() + 8, time.time() + 40
        while time.time() < least or (len(returns) < 2 and time.time() < end):
            place = self.position(length)
            if place:   # a strip caught half painted reads 0
                if seen and place < seen[-1] - 1:
                    returns.append(time.time())
                seen.append(place)
        self.assertGreaterEqual(len(returns), 2, f'back to A only {len(returns)} times: {seen}')
        # A lies at or after the place read; B, 2 s on, at most as far on from it as the time from the
        # jump until the loop was seen to return, where a busy machine takes the keys late.
        b = a + 0.5 + returns[0] - jumped
        self.assertTrue(all(a - 1 <= p <= b + 1 for p in seen), f'A {a:.1f}, B {b:.1f} at most, seen {seen}')
        wp.driver('key', VK_INSERT)
        self.settled(max(seen) + 1.5, length, length)
        self.assertIsNone(wp.message(), 'nothing is said')
        self.exit_player()

    def test_a_digit_a_bookmark_and_an_ab_loop_on_an_mp4(self):
        self.digit_bookmark_and_loop('marks.mp4')

    def test_a_digit_a_bookmark_and_an_ab_loop_on_an_ogg(self):
        self.digit_bookmark_and_loop('marks.ogg')

    def test_a_cut_mp4_is_said_once(self):
        whole = wp.make_clip(os.path.join('today-source', 'whole.mp4'), 10)
        with open(whole, 'rb') as f:
            data = f.read()
        self.assertGreater(data.find(b'moov'), data.find(b'mdat'), 'ffmpeg wrote the index at the end')
        cut = os.path.join(wp.CLIPS, 'today', 'cut.mp4')
        os.makedirs(os.path.dirname(cut), exist_ok=True)
        with open(cut, 'wb') as f:
            f.write(data[:len(data) // 2])
        self.start(wp.win_path(cut))
        said = wp.wait_for(wp.message, 30)
        self.assertIsNotNone(said, f'the cut clip is said; the player shows {wp.show()}')
        self.assertIn(wp.win_path(cut), said)
        self.assertIsNone(wp.wait_for(wp.message, 3), 'said once')
        self.assertEqual(wp.show()['title'], 'Lumetrone')
        self.exit_player()

    def place_after_two_pauses(self, name, length=30):
        """Play 3 s, pause 1 s, play 1 s, pause 3 s: the strip, the copied time and the saved place all
        give the place where the sound stopped, which the pitch of the clip's rising tone tells."""
        rise_from, rise = 300, 40   # up to 1500 Hz at 30 s
        clip = wp.make_clip(os.path.join('today-source', 'rising', name), length, ODD_SIZE,
                            sound=rising_tone(length, rise_from, rise))
        recording = Recording()
        try:
            self.start(wp.win_path(clip))
            self.hwnd = wp.players()[0]
            self.assertTrue(wp.wait_for_title(title(name), timeout=60), wp.message() or wp.show())
            self.assertTrue(recording.wait_for_sound(), 'the clip is heard')
            # Each step waits for the caption and for the sink to play or fall silent, then lasts its time.
            for pause, seconds in ((True, 3), (False, 1), (True, 1)):
                time.sleep(seconds)
                wp.driver('char', 'p')
                self.assertTrue(wp.wait_for_title(title(name) + ('(Paused)' if pause else ''), timeout=30), wp.show())
                self.assertTrue(recording.wait_for_silence() if pause else recording.wait_for_sound(),
                                'the sound stops at the pause' if pause else 'the sound plays again')
            time.sleep(3)
            wp.driver('key', VK_SPACE)
            shown, pixel = wp.wait_for(lambda: self.strip(length), 10) or (None, None)
            before = wp.driver('clipboard')[1].strip()
            wp.driver('ctrl', 'c')
            # A copy of the same time as the clipboard held before leaves it as it was.
            wp.wait_for(lambda: wp.driver('clipboard')[1].strip() != before, 10)
            copied = wp.driver('clipboard')[1].strip()
            self.exit_player()
        finally:
            samples = recording.stop()
        pieces = tone_pieces(samples, rise_from, rise, length)
        said = 'heard (clip from, to): ' + ', '.join(f'({a:.2f}, {b:.2f})' for a, b, _, _ in pieces)
        self.assertGreaterEqual(len(pieces), 2, 'heard before and after the first pause; ' + said)
        heard = pieces[-1][1]   # where the last sound before the second pause stopped
        self.assertIsNotNone(shown, 'the strip is shown')
        # The bar is drawn to the pixel at or before the place.
        self.assertTrue(heard - 0.15 - pixel <= shown <= heard + 0.15, f'the strip shows {shown:.2f}; {said}')
        minutes, _, seconds = copied.partition(':')
        # The copied time is in whole seconds, cut down.
        self.assertIn(int(minutes) * 60 + int(seconds), range(int(heard - 0.15), int(heard + 0.15) + 1),
                      f'copied {copied}; {said}')
        self.assertAlmostEqual(wp.last_position() / SECOND, heard, delta=0.15, msg='the saved place; ' + said)

    def test_the_place_after_a_second_pause_on_an_mp4(self):
        self.place_after_two_pauses('place.mp4')

    def test_the_place_after_a_second_pause_on_an_avi(self):
        self.place_after_two_pauses('place.avi')


if __name__ == '__main__':
    unittest.main(verbosity=2)
