"""What the speakers get from the real exe under Wine, recorded from the null sink's monitor: the
first sound of a clip is heard at its open, at the folder's step to the next clip and after s and p,
sound that begins after its picture is heard at its own time, and a clip is heard whole, from its first word to its last, before the next clip starts, also as the
first clip opened in a prefix made a moment before, by a GStreamer that has built no registry yet."""
import array
import math
import os
import shutil
import subprocess
import unittest

import wine_player as wp

RATE = 8000          # samples a second of the recording: enough for tones of 300 to 1000 Hz
FRAME = RATE // 50   # 20 ms
LEVEL = 2000         # a sample louder is sound: the tones are at half of full scale, 16384
WINESERVER = '/usr/lib/wine/wineserver'
DELAY = 3            # seconds from a film's picture to its sound


def sound_clip(path, source):
    """An mp3 of an ffmpeg sound source."""
    if os.path.exists(path):
        return path
    os.makedirs(os.path.dirname(path), exist_ok=True)
    subprocess.run(['ffmpeg', '-loglevel', 'error', '-y', '-f', 'lavfi', '-i', source, '-c:a', 'libmp3lame',
                    '-b:a', '128k', path], check=True)
    return path


def tone_clip(path, seconds, pieces):
    """An mp3 of sine tones, each piece (start, end, frequency) in seconds and Hz; silence elsewhere."""
    # Commas inside a filter's expression are escaped, or they would part the filters.
    expression = '+'.join(f'between(t\\,{start}\\,{end})*sin(2*PI*{frequency}*t)' for start, end, frequency in pieces)
    return sound_clip(path, f'aevalsrc=0.5*({expression}):s=44100:d={seconds}')


class Recording:
    """What the null sink plays from now on, as 16-bit mono samples."""

    def __init__(self, timeout=30):
        self.path = os.path.join(wp.CLIPS, 'sound', 'heard.raw')
        os.makedirs(os.path.dirname(self.path), exist_ok=True)
        self.file = open(self.path, 'wb')
        # Silence played all along keeps the sink running: a sink that wakes for the player's first
        # sound would leave the start of that sound out of the recording.
        stream = ['--latency-msec=50', '--raw', '--format=s16le', f'--rate={RATE}', '--channels=1']
        self.zeros = open('/dev/zero', 'rb')
        self.silence = subprocess.Popen(['pacat', *stream], stdin=self.zeros)
        self.process = subprocess.Popen(['parec', '-d', 'null.monitor', *stream], stdout=self.file)
        # parec records nothing until it is connected, which took from 0.5 s to 2 s on a busy machine:
        # what the player played meanwhile would be missing from the recording.
        if not wp.wait_for(lambda: len(self.samples()) >= RATE // 10, timeout, 0.05):
            self.stop()
            raise AssertionError(f'nothing recorded from the null sink in {timeout} s')

    def samples(self, since=0):
        """What has been recorded so far, from sample `since` on."""
        samples = array.array('h')
        with open(self.path, 'rb') as f:
            f.seek(2 * since)
            data = f.read()
        samples.frombytes(data[:len(data) // 2 * 2])
        return samples

    def length(self):
        return os.path.getsize(self.path) // 2

    def wait_for(self, condition, since, timeout=60):
        """Waits until condition() holds for what has been recorded from sample `since` on."""
        return wp.wait_for(lambda: condition(self.samples(since)), timeout, 0.25)

    def wait_for_sound(self, timeout=60):
        """Waits until the sink plays sound after what it has played so far."""
        return self.wait_for(lambda heard: any(abs(x) > LEVEL for x in heard), self.length(), timeout)

    def wait_for_silence(self, seconds=0.3, timeout=60):
        """Waits until the sink has played silence for the last `seconds`."""
        span = int(seconds * RATE)
        return self.wait_for(lambda heard: len(heard) >= span and all(abs(x) <= LEVEL for x in heard[-span:]),
                             self.length(), timeout)

    def stop(self):
        for process in (self.process, self.silence):
            process.terminate()
            process.wait()
        self.zeros.close()
        self.file.close()
        return self.samples()


def rising_tone(seconds, start, slope):
    """An ffmpeg source of a tone that rises by slope Hz a second from start Hz: the pitch heard
    says which moment of the clip is playing."""
    return f'aevalsrc=0.5*sin(2*PI*({start}*t+{slope / 2}*t*t)):s=44100:d={seconds}'


def stretches(samples, gap=0.05):
    """The stretches of sound, (first, end) sample indexes; a break shorter than gap seconds parts none."""
    found, first, last = [], None, None
    for i, sample in enumerate(samples):
        if abs(sample) > LEVEL:
            if first is not None and i - last > gap * RATE:
                found.append((first, last + 1))
                first = None
            if first is None:
                first = i
            last = i
    if first is not None:
        found.append((first, last + 1))
    return found


def pitch(samples, first, end):
    """The frequency between two sample indexes, from the periods between upward zero crossings, each
    placed between samples; the period of a break or a click is left out."""
    crossings = [i - 1 + samples[i - 1] / (samples[i - 1] - samples[i])
                 for i in range(max(first, 1), end) if samples[i - 1] < 0 <= samples[i]]
    periods = sorted(b - a for a, b in zip(crossings, crossings[1:]))
    if not periods:
        return None
    middle = periods[len(periods) // 2]
    kept = [period for period in periods if abs(period - middle) < 0.2 * middle]
    return RATE * len(kept) / sum(kept)


def tone_pieces(samples, start, slope, seconds, width=0.1):
    """The pieces of a rising tone heard, in the order heard, each (clip time at its first sample,
    clip time at its end, recording time at its first sample, recording time at its end): the clip
    time is read from the pitch of each width of sound, and a piece ends where the sound stops or
    skips; sound of another pitch is left out."""
    span = int(width * RATE)
    pieces = []
    for first, end in stretches(samples):
        # Windows from the start on, the last one flush with the end, so that both edges are read.
        windows = list(range(first, end - span, span)) + [end - span] if end - first >= span else []
        previous = None
        for at in windows:
            frequency = pitch(samples, at, at + span)
            moment = frequency and (frequency - start) / slope
            if moment is None or not -width <= moment <= seconds + width:
                previous = None
                continue
            if previous and abs((moment - previous[1]) - (at - previous[0]) / RATE) < width:
                pieces[-1][1], pieces[-1][3] = moment + width / 2, (at + span) / RATE
            else:
                pieces.append([moment - width / 2, moment + width / 2, at / RATE, (at + span) / RATE])
            previous = (at, moment)
    return [tuple(piece) for piece in pieces]


def covered(pieces, low, high):
    """Seconds of the clip between low and high that the pieces heard reach over."""
    total, reached = 0.0, low
    for first, last in sorted((max(a, low), min(b, high)) for a, b, _, _ in pieces):
        if last > reached:
            total += last - max(first, reached)
            reached = last
    return total


def skipped(pieces):
    """Seconds skipped inside the pieces heard: a skip too short to part a piece leaves it longer in
    the clip than in the recording."""
    return sum(max(0.0, (b - a) - (d - c)) for a, b, c, d in pieces)


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


def beeps(samples):
    """The opening beeps heard: 1000 Hz for 0.2 s or more."""
    return [run for run in runs(samples, 1000, [440]) if run[1] >= 0.2]


class FirstAndLastSound(wp.PlayerCase):
    def record_while(self, act):
        recording = Recording()
        try:
            act(recording)
        finally:
            samples = recording.stop()
        return samples

    def open_clip(self, clip):
        # The first window in a prefix made a moment before waited 10 s for Wine's RpcSs service, and
        # a GStreamer with no registry builds one before the first clip opens: limits are generous.
        self.player = wp.start_player(wp.win_path(clip))
        self.assertTrue(wp.wait_for_window(120), 'no "WMView" window appeared')

    def test_the_opening_beep_is_heard_at_each_start(self):
        folder = os.path.join(wp.CLIPS, 'sound', 'opening')
        first = tone_clip(os.path.join(folder, 'a.mp3'), 3, [(0, 0.3, 1000), (0.3, 3, 440)])
        tone_clip(os.path.join(folder, 'b.mp3'), 3, [(0, 0.3, 1000), (0.3, 3, 440)])

        def act(recording):
            self.open_clip(first)
            self.assertTrue(recording.wait_for(beeps, 0), 'the first clip\'s opening beep')
            heard = recording.length()
            self.assertTrue(recording.wait_for(beeps, heard), 'the next clip\'s opening beep')
            self.assertTrue(wp.wait_for_title('b.mp3 [Audio] ', timeout=30), wp.show())
            heard = recording.length()
            wp.driver('char', 's')
            wp.driver('char', 'p')
            self.assertTrue(recording.wait_for(beeps, heard, 30), 'the opening beep after s and p')
            self.exit_player()
        self.record_while(act)

    def hears_a_clip_whole(self):
        """A 5 s clip is heard for 4.8 s or more, from its first word to its last, and the next clip after it."""
        folder = os.path.join(wp.CLIPS, 'sound', 'whole')
        first = sound_clip(os.path.join(folder, 'a.mp3'), rising_tone(5, 300, 50))   # 300 to 550 Hz
        tone_clip(os.path.join(folder, 'b.mp3'), 3, [(0, 3, 1000)])

        def next_clip(samples):
            # A click can pass for a frame of the next clip's tone.
            return [run for run in runs(samples, 1000, [440]) if run[1] >= 0.5]

        def act(recording):
            self.open_clip(first)
            # Watched at the sink alone while it plays: asking the player's caption starts a Wine
            # process each time, which takes the machine from the player.
            self.assertTrue(recording.wait_for(lambda heard: next_clip(heard[-RATE:]), 0, 120),
                            'the next clip is heard')
            self.assertTrue(wp.wait_for_title('b.mp3 [Audio] ', timeout=30), wp.show())
            self.exit_player()
        samples = self.record_while(act)
        following = next_clip(samples)
        self.assertTrue(following, 'the next clip is heard')
        # The folder may come round to the clip again after the next one: that is not looked at.
        pieces = [piece for piece in tone_pieces(samples, 300, 50, 5) if piece[2] < following[0][0]]
        said = 'heard (clip from, to, recorded from, to): ' + ', '.join(f'({a:.2f}, {b:.2f}, {c:.2f}, {d:.2f})'
                                                                      for a, b, c, d in pieces)
        self.assertTrue(pieces, 'the clip is heard before the next')
        self.assertLessEqual(pieces[0][0], 0.1, 'from its first word; ' + said)
        self.assertGreaterEqual(covered(pieces, 0, 5) - skipped(pieces), 4.8, said)
        self.assertGreaterEqual(covered(pieces, 4.7, 5), 0.25, 'to its last word; ' + said)
        self.assertGreaterEqual(following[0][0], pieces[-1][3] - 0.05,
                                f'the next clip, heard from {following[0][0]:.2f}, after it; {said}')

    def test_sound_that_begins_after_the_picture_plays_at_its_own_time(self):
        """A film whose sound begins 3 s after its picture: its first word is heard at 0:03, so
        that the place paused on a word is 3 s past that word's time in the sound."""
        path = os.path.join(wp.CLIPS, 'sound', 'late', 'late.mkv')
        if not os.path.exists(path):
            os.makedirs(os.path.dirname(path), exist_ok=True)
            subprocess.run(['ffmpeg', '-loglevel', 'error', '-y', '-f', 'lavfi', '-i', 'testsrc=size=320x240:rate=25:duration=8',
                            '-itsoffset', str(DELAY), '-f', 'lavfi', '-i', rising_tone(5, 300, 50),
                            '-c:v', 'libx264', '-pix_fmt', 'yuv420p', '-c:a', 'aac', path], check=True)

        def act(recording):
            self.open_clip(path)
            self.assertTrue(recording.wait_for(lambda heard: sum(abs(x) > LEVEL for x in heard) >= RATE, 0, 60),
                            'a second of the sound is heard')
            wp.driver('char', 'p')
            self.assertTrue(wp.wait_for_title('late.mkv [Video] (Paused)'), wp.show())
            self.exit_player()
        pieces = tone_pieces(self.record_while(act), 300, 50, 5)
        said = 'heard (sound from, to): ' + ', '.join(f'({a:.2f}, {b:.2f})' for a, b, _, _ in pieces)
        self.assertTrue(pieces, 'the sound is heard')
        self.assertAlmostEqual(wp.last_position() / 1e7, DELAY + pieces[-1][1], delta=0.15, msg='the paused place; ' + said)

    def test_a_full_hd_film_is_heard_to_its_end(self):
        """A phone's or a screen's 1920x1080 recording: its sound goes on to the end while every
        frame is converted beside it."""
        path = os.path.join(wp.CLIPS, 'sound', 'hd', 'film.mp4')
        if not os.path.exists(path):
            os.makedirs(os.path.dirname(path), exist_ok=True)
            subprocess.run(['ffmpeg', '-loglevel', 'error', '-y', '-f', 'lavfi', '-i', 'testsrc=size=1920x1080:rate=25:duration=8',
                            '-f', 'lavfi', '-i', rising_tone(8, 300, 50), '-c:v', 'libx264', '-preset', 'ultrafast',
                            '-pix_fmt', 'yuv420p', '-c:a', 'aac', '-shortest', path], check=True)

        def act(recording):
            self.open_clip(path)
            self.assertTrue(recording.wait_for_sound(60), 'the film is heard')
            # The folder of one clip plays it again at once: watched, at the sink's last two seconds
            # alone, until the film's last second is heard.
            recording.wait_for(lambda heard: covered(tone_pieces(heard[-2 * RATE:], 300, 50, 8), 7, 8) >= 0.6, 0, 60)
            self.exit_player()
        pieces = tone_pieces(self.record_while(act), 300, 50, 8)
        said = 'heard (clip from, to): ' + ', '.join(f'({a:.2f}, {b:.2f})' for a, b, _, _ in pieces)
        self.assertGreaterEqual(covered(pieces, 0, 8), 7.6, said)

    def test_a_clip_whose_length_is_only_estimated_is_heard_to_its_true_end(self):
        """A VBR mp3 with no frame count, loud first: its length is estimated from its first frames at
        about 9 s of its 20. Digit 9 lands near the estimate's end, and the clip plays on to its true end."""
        path = os.path.join(wp.CLIPS, 'sound', 'estimated', 'vbr.mp3')
        if not os.path.exists(path):
            os.makedirs(os.path.dirname(path), exist_ok=True)
            subprocess.run(['ffmpeg', '-loglevel', 'error', '-y', '-f', 'lavfi', '-i', 'anoisesrc=d=1:a=0.5',
                            '-f', 'lavfi', '-i', rising_tone(19, 300, 20), '-filter_complex', '[0][1]concat=n=2:v=0:a=1',
                            '-ar', '44100', '-c:a', 'libmp3lame', '-q:a', '2', '-write_xing', '0', path], check=True)

        def reached(heard):
            return max([b for _, b, _, _ in tone_pieces(heard, 300, 20, 19)] or [0])

        def act(recording):
            self.open_clip(path)
            self.assertTrue(recording.wait_for_sound(60), 'the clip is heard')
            heard = recording.length()
            wp.driver('char', '9')
            recording.wait_for(lambda after: reached(after[-2 * RATE:]) >= 18.5, heard, 40)
            self.exit_player()
            return heard
        recording = Recording()
        try:
            heard = act(recording)
        finally:
            samples = recording.stop()
        pieces = tone_pieces(samples[heard:], 300, 20, 19)
        said = 'heard after 9 (tone from, to): ' + ', '.join(f'({a:.2f}, {b:.2f})' for a, b, _, _ in pieces)
        self.assertTrue(pieces and pieces[0][0] <= 9, 'digit 9 lands before the true end; ' + said)
        self.assertGreaterEqual(max(b for _, b, _, _ in pieces), 18.5, 'the true end is heard; ' + said)

    def test_a_clip_is_heard_whole_before_the_next_starts(self):
        self.hears_a_clip_whole()

    def test_the_first_clip_in_a_new_prefix_is_heard_whole(self):
        # As on a machine where nothing has played yet: a prefix made a moment before, and a
        # GStreamer registry of its own that is not built yet.
        prefix = os.path.join(wp.ROOT, 'build', 'wine', 'new-prefix')
        shutil.rmtree(prefix, ignore_errors=True)
        os.makedirs(prefix)
        saved = {name: os.environ.get(name) for name in ('WINEPREFIX', 'GST_REGISTRY')}

        def back_to_the_session():
            # The new prefix's own server, and with it every process still running in the prefix.
            subprocess.run([WINESERVER, '-k'], stderr=subprocess.DEVNULL)
            for name, value in saved.items():
                if value is None:
                    os.environ.pop(name, None)
                else:
                    os.environ[name] = value
            shutil.rmtree(prefix, ignore_errors=True)
        self.addCleanup(back_to_the_session)
        os.environ['WINEPREFIX'] = prefix
        os.environ['GST_REGISTRY'] = os.path.join(prefix, 'gstreamer-registry.bin')
        subprocess.run([WINESERVER, '-p'], check=True)
        wp.wine('wineboot', '-i', timeout=300)
        self.assertTrue(os.path.exists(os.path.join(prefix, 'drive_c', 'windows')), 'the new prefix was not made')
        self.hears_a_clip_whole()
        self.assertTrue(os.path.exists(os.environ['GST_REGISTRY']), 'GStreamer built no registry of its own')


if __name__ == '__main__':
    unittest.main(verbosity=2)
