"""The status overlay on a real screen under Wine: the progress bar's played part grows, the volume bar
has the length its level gives, raising the volume in one instance ducks the other's bar, the video
never covers the strip, the clip's time under the bars moves while the clip plays, and the band over
the bar draws a clip of speech loud where its phrases are and quiet between them."""
import os
import subprocess
import tempfile
import time
import unittest

import wine_player as wp

VK_SPACE = 0x20
WHITE, GREEN, ORANGE = (255, 255, 255), (128, 255, 128), (255, 128, 0)
# The bars' fill lies inside a one-pixel outline: a bar to x = right fills right - left - 2 pixels.
VOLUME_FILL = {0: 97 - 7, -1: 93 - 7, -2: 90 - 7}
BARS_MIDDLE = 51   # the bars span y 46 to 56, under the overview's band (20 to 44)
BAND_TOP, BAND_ROWS, BAND_LEFT, BAND_RIGHT_MARGIN = 20, 24, 120, 30
PLAIN, KNOWN, PEAK, RMS, PLACE = (64, 64, 64), (14, 30, 58), (170, 225, 235), (40, 135, 150), (255, 60, 60)
# Phrases of espeak-ng's speech and the silence after each: 0.3 s within a passage, 2 s between two.
SPEECH = [('the first words of the talk', 0.3), ('come in and sit down', 2.0),
          ('now the second part begins', 0.3), ('and here it ends', 2.0)]
RATE = 44100
WINDOW, MARGIN = RATE // 200, 8   # 5 ms, and 40 ms in them


def bar_row(shot, hwnd):
    """Colour counts of the row through the middle of the overlay's bars, or None if caught blank or
    halfway through a paint (the volume bar, drawn after the progress bar, is never empty)."""
    window = wp.show(hwnd)
    x, y = (int(v) for v in window['origin'].split(','))
    width = int(window['client'].split('x')[0])
    row = wp.pixel_row(shot, x, y + BARS_MIDDLE, width)
    counts = {colour: row.count(colour) for colour in (WHITE, GREEN, ORANGE)}
    return counts if (counts[WHITE] or counts[GREEN]) and counts[ORANGE] else None


def time_line(shot, hwnd):
    """The pixels of the strip's time line, the row of text under the bars."""
    window = wp.show(hwnd)
    x, y = (int(v) for v in window['origin'].split(','))
    rows = [wp.pixel_row(shot, x + 5, y + row, 120) for row in range(59, 70)]
    return [pixel for row in rows for pixel in row]


def overlay(hwnd, attempts=8):
    """The overlay's row as a screenshot shows it; the strip is repainted every 100 ms, so sample."""
    with tempfile.TemporaryDirectory() as folder:
        shot = os.path.join(folder, 'shot.png')
        for _ in range(attempts):
            wp.screenshot(shot)
            counts = bar_row(shot, hwnd)
            if counts:
                return counts
            time.sleep(0.15)
    return None


def near(pixel, colour, within=40):
    return all(abs(a - b) <= within for a, b in zip(pixel, colour))


def speech_clip(name):
    """An m4a of the phrases with their silences after a second of silence; made once."""
    path = os.path.join(wp.CLIPS, 'band', name)
    if os.path.exists(path):
        return path
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with tempfile.TemporaryDirectory() as folder:
        inputs, chains = [], []
        for i, (phrase, silence) in enumerate(SPEECH):
            wav = os.path.join(folder, f'{i}.wav')
            subprocess.run(['espeak-ng', '-w', wav, phrase], check=True)
            inputs += ['-i', wav]
            # espeak-ng's own silences at both ends go, so that the gaps are the ones asked for.
            trim = 'silenceremove=start_periods=1:start_threshold=-50dB'
            chains.append(f'[{i}]{trim},areverse,{trim},areverse,apad=pad_dur={silence}[p{i}]')
        joined = ''.join(f'[p{i}]' for i in range(len(SPEECH)))
        graph = ';'.join(chains) + f';{joined}concat=n={len(SPEECH)}:v=0:a=1,aresample={RATE},adelay=1000:all=1'
        subprocess.run(['ffmpeg', '-loglevel', 'error', '-y', *inputs, '-filter_complex', graph, '-c:a', 'aac', path],
                       check=True)
    return path


def decoded_windows(path):
    """The highest sample of each 5 ms of the clip as ffmpeg decodes it, 1.0 full scale, as far as
    the clip's duration goes (the decoder gives a little more)."""
    raw = subprocess.run(['ffmpeg', '-loglevel', 'error', '-i', path, '-f', 's16le', '-ac', '1', '-ar', str(RATE), '-'],
                         check=True, capture_output=True).stdout
    seconds = float(subprocess.run(['ffprobe', '-v', 'error', '-show_entries', 'format=duration', '-of', 'csv=p=0',
                                    path], check=True, capture_output=True, text=True).stdout)
    samples = memoryview(raw).cast('h')[:round(seconds * RATE)]
    return [max(max(w), -min(w)) / 32768 for w in (samples[i:i + WINDOW] for i in range(0, len(samples), WINDOW))]


def rows_lit(peak):
    """The rows of the band that a column's peak fills: 24 x sqrt(peak), as the overview rounds it."""
    return (round(255 * peak ** 0.5) * BAND_ROWS + 127) // 255


def rows_expected(windows, columns, column):
    """The least and the most rows the column may light. Its blocks of 10 ms start within its span
    and may reach 10 ms past it, and the player's time and ffmpeg's may differ by the encoder's
    priming: within 40 ms of its ends a sample may or may not be the column's. So at least the
    loudest sample well inside, or the quietest 5 ms anywhere near, and at most the loudest near."""
    span = len(windows) / columns
    first, last = int(column * span), int((column + 1) * span)
    near = windows[max(first - MARGIN, 0):last + 1 + MARGIN]
    inside = windows[first + 1 + MARGIN:last - MARGIN] if last - MARGIN > first + 1 + MARGIN else []
    return max(rows_lit(max(inside)) if inside else 0, rows_lit(min(near))), rows_lit(max(near))


def band_columns(shot, hwnd):
    """Each band column as a screenshot shows it: the rows of sound lit, or 'plain' or 'place'."""
    window = wp.show(hwnd)
    x, y = (int(v) for v in window['origin'].split(','))
    width = int(window['client'].split('x')[0]) - BAND_LEFT - BAND_RIGHT_MARGIN
    rows = [wp.pixel_row(shot, x + BAND_LEFT, y + BAND_TOP + row, width) for row in range(BAND_ROWS)]
    columns = []
    for column in range(width):
        pixels = [row[column] for row in rows]
        if all(near(p, PLACE) for p in pixels):
            columns.append('place')
        elif all(near(p, PLAIN, 8) for p in pixels):
            columns.append('plain')
        elif all(near(p, KNOWN) or near(p, PEAK) or near(p, RMS) for p in pixels):
            columns.append(sum(1 for p in pixels if near(p, PEAK) or near(p, RMS)))
        else:
            columns.append(None)   # caught between the erase and the paint
    return columns


class Overlay(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        wp.start_session()

    def setUp(self):
        wp.forget_last_clip()
        self.players = []

    def tearDown(self):
        for player in self.players:
            wp.finish(player, 1)

    def start(self, name):
        known = set(wp.players())
        self.players.append(wp.start_player(wp.win_path(wp.make_clip(name, seconds=30))))
        hwnd = wp.wait_for(lambda: (set(wp.players()) - known or {None}).pop(), 30)
        self.assertTrue(hwnd, 'no new "WMView" window')
        self.assertTrue(wp.wait_for_title(f'{os.path.basename(name)} [Video] ', hwnd))
        wp.driver('key', VK_SPACE, hwnd)
        return hwnd

    def wait_for_volume(self, hwnd, level):
        return wp.wait_for(lambda: (overlay(hwnd) or {}).get(ORANGE) == VOLUME_FILL[level], 10, 0.1)

    def exit_all(self):
        for hwnd in wp.players():
            wp.driver('command', wp.IDM_EXIT, hwnd)
        for player in self.players:
            self.assertEqual(wp.finish(player), 0)
        self.players = []

    def test_progress_grows_and_volume_bar_follows_the_level(self):
        hwnd = self.start('overlay/one.wmv')
        first = overlay(hwnd)
        self.assertTrue(first, 'the overlay was never seen')
        self.assertGreater(first[WHITE], 0)
        self.assertEqual(first[ORANGE], VOLUME_FILL[0])
        time.sleep(3)
        later = overlay(hwnd)
        self.assertGreater(later[GREEN], first[GREEN], 'the played part grows')
        wp.driver('char', '-', hwnd)
        self.assertTrue(self.wait_for_volume(hwnd, -1), overlay(hwnd))
        self.exit_all()

    def test_raising_the_volume_ducks_the_other_instance_only(self):
        a = self.start('overlay/a.wmv')
        b = self.start('overlay/b.wmv')
        wp.driver('move', 420, 320, b)
        wp.driver('char', '-', a)
        wp.driver('char', '-', a)
        self.assertTrue(self.wait_for_volume(a, -2), overlay(a))
        self.assertTrue(self.wait_for_volume(b, 0), overlay(b))
        wp.driver('char', '+', a)
        self.assertTrue(self.wait_for_volume(a, -1), overlay(a))
        self.assertTrue(self.wait_for_volume(b, -1), 'B ducks one step')
        time.sleep(0.5)
        self.assertEqual(overlay(a)[ORANGE], VOLUME_FILL[-1], 'A never ducks itself')
        wp.driver('char', '+', b)
        self.assertTrue(self.wait_for_volume(b, 0), overlay(b))
        self.assertTrue(self.wait_for_volume(a, -2), 'A ducks one step')
        self.exit_all()

    def test_video_never_covers_the_strip(self):
        hwnd = self.start('overlay/cover.avi')
        time.sleep(1)
        watcher = wp.wine(wp.exe('lumetrone-bench'), 'overlay', hwnd, '3', timeout=30)
        shown, samples = (int(v) for v in watcher.stdout.split()[1:3])
        self.assertGreaterEqual(shown, 0.99 * samples, f'the strip was on screen in {shown} of {samples} samples')
        self.exit_all()

    def test_time_under_the_bars_moves_while_playing(self):
        hwnd = self.start('overlay/time.wmv')
        with tempfile.TemporaryDirectory() as folder:
            shot = os.path.join(folder, 'shot.png')

            def line():
                for _ in range(8):   # a strip caught between erase and paint is black
                    wp.screenshot(shot)
                    pixels = time_line(shot, hwnd)
                    if WHITE in pixels:
                        return pixels
                    time.sleep(0.15)
                return None
            first = line()
            self.assertTrue(first, 'no time under the bars')
            time.sleep(1.5)
            self.assertNotEqual(line(), first, 'the time moves while the clip plays')
            wp.driver('char', 'p', hwnd)
            time.sleep(0.5)
            paused = line()
            time.sleep(1.5)
            self.assertEqual(line(), paused, 'and stands still while it is paused')
        self.exit_all()

    def test_band_draws_the_phrases_loud_and_the_silences_quiet(self):
        """A clip of four phrases, 0.3 s and 2 s apart, in a window 1400 wide: once its overview is
        whole, each column of the band is lit as high as the clip's own samples there give, loud
        where the phrases are and dark in the silences between them."""
        clip = speech_clip('speech.m4a')
        known = set(wp.players())
        self.players.append(wp.start_player(wp.win_path(clip)))
        hwnd = wp.wait_for(lambda: (set(wp.players()) - known or {None}).pop(), 30)
        self.assertTrue(hwnd, 'no new "WMView" window')
        self.assertTrue(wp.wait_for_title('speech.m4a [Audio] ', hwnd))
        self.assertEqual(wp.driver('resize', 1400, 200, hwnd)[0], 0)
        wp.driver('key', VK_SPACE, hwnd)
        with tempfile.TemporaryDirectory() as folder:
            columns = self.whole_band(hwnd, os.path.join(folder, 'shot.png'))
        self.assertTrue(columns, 'the band never showed the whole clip')

        loud, quiet = self.assertBandFollows(columns, decoded_windows(clip))
        self.assertGreater(loud, 150, 'columns of speech checked')
        self.assertGreater(quiet, 400, 'columns of silence checked')
        self.exit_all()

    def assertBandFollows(self, columns, windows):
        """Each drawn column lit as high as the clip's samples give (within a row); the columns of
        speech (5 rows or more) and of silence (a row at most) checked."""
        loud = quiet = 0
        for column, lit in enumerate(columns):
            if not isinstance(lit, int):
                continue
            least, most = rows_expected(windows, len(columns), column)
            self.assertTrue(least - 1 <= lit <= most + 1,
                            f'column {column} of {len(columns)}: {lit} rows lit, not {least} to {most}')
            loud += least >= 5
            quiet += most <= 1
        return loud, quiet

    def whole_band(self, hwnd, shot, seen=None):
        """The band's columns once none is plain; each screenshot's columns before are put in seen."""
        def whole():
            wp.screenshot(shot)
            columns = band_columns(shot, hwnd)
            if None in columns:
                return None
            if seen is not None:
                seen.append(columns)
            return columns if 'plain' not in columns and columns.count('place') <= 2 else None
        return wp.wait_for(whole, 60, 0.1)

    def test_band_grows_from_the_left_as_the_overview_is_read(self):
        """Ten minutes of the phrases take the reader seconds: the strip, shown from the open on, shows
        the known part from the left and the rest plain, the known part growing until it is whole, each
        known column as loud as the clip in its half second (within a column: the 2 s silences show)."""
        speech = speech_clip('speech.m4a')
        clip = os.path.join(os.path.dirname(speech), 'speech ten minutes.m4a')
        if not os.path.exists(clip):
            # Looped as samples: a loop of the file itself would leave a gap in its times at each seam.
            subprocess.run(['ffmpeg', '-loglevel', 'error', '-y', '-i', speech, '-af', 'aloop=loop=54:size=2000000',
                            '-c:a', 'aac', clip], check=True)
        known = set(wp.players())
        self.players.append(wp.start_player(wp.win_path(clip)))
        hwnd = wp.wait_for(lambda: (set(wp.players()) - known or {None}).pop(), 30)
        self.assertTrue(hwnd, 'no new "WMView" window')
        wp.driver('key', VK_SPACE, hwnd)   # taken once the clip is open
        wp.driver('resize', 1400, 200, hwnd)
        self.assertTrue(wp.wait_for_title('speech ten minutes.m4a [Audio] ', hwnd))
        seen = []
        with tempfile.TemporaryDirectory() as folder:
            columns = self.whole_band(hwnd, os.path.join(folder, 'shot.png'), seen)
        self.assertTrue(columns, 'the band never showed the whole clip')
        growing = [view for view in seen if 'plain' in view]
        if not growing:
            self.skipTest('the overview was whole before the first screenshot')
        windows = decoded_windows(clip)
        reached = 0
        for view in growing:
            drawn = [i for i, c in enumerate(view) if isinstance(c, int)]
            self.assertTrue(not drawn or drawn[-1] < view.index('plain'), f'known columns right of plain ones: {view}')
            self.assertGreaterEqual(len(drawn), reached, 'the known part never shrinks')
            reached = len(drawn)
            self.assertBandFollows(view, windows)
        loud, quiet = self.assertBandFollows(columns, windows)
        self.assertGreater(loud, 500, 'columns of speech checked')
        self.assertGreater(quiet, 300, 'columns of silence checked')
        self.exit_all()

if __name__ == '__main__':
    unittest.main(verbosity=2)
