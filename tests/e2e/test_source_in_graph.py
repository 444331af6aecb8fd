"""The player's own source alone at the head of Wine's graph, with the graph's real renderers, which
block where the native tests' stand-ins do not: seeks while running and paused, stop positions set
and cleared, rates, the end, a clip cut short while it plays, a Stop while a renderer holds a frame,
a release while running, and random operations with a core kept busy. The cases are
lumetrone-graph-test's (tests/graph); each prints a line a check and PASS or FAIL with its numbers."""
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

import wine_player as wp

FOLDER = os.path.join(wp.CLIPS, 'graph')
LENGTH = 8
# The picture's grey rises 25.5 levels a second (studio range, 16 + 21.9 a second), so that a frame
# says when it is from; tests/graph/host.h reads it back.
RAMP = f'color=c=black:s=320x240:r=25:d={LENGTH},format=yuv420p,geq=lum=16+21.9*T:cb=128:cr=128'
TONE = f'sine=frequency=440:duration={LENGTH}'


def ffmpeg(path, *arguments):
    if not os.path.exists(path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(['ffmpeg', '-loglevel', 'error', '-y', *arguments, '-shortest', path], check=True, timeout=120)
    return path


def ramp_clip():
    """MP4, H.264 with a key frame each second and AAC: the grey ramp and a 440 Hz tone. Its index
    comes first, so that a copy cut short still opens and reads up to the cut."""
    return ffmpeg(os.path.join(FOLDER, 'ramp.mp4'), '-f', 'lavfi', '-i', RAMP, '-f', 'lavfi', '-i', TONE,
                  '-c:v', 'libx264', '-g', '25', '-crf', '12', '-pix_fmt', 'yuv420p', '-c:a', 'aac',
                  '-movflags', '+faststart')


class SourceInGraph(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        wp.start_session()
        cls.clip = ramp_clip()
        cls.sound = wp.make_clip(os.path.join('graph', 'tone.m4a'), LENGTH)

    def run_case(self, case, clip, *arguments, timeout=60, when=None, before=None):
        """Runs one case under Wine; when(line) sees each line as it comes and before() readies each
        run. Kills it on time-out. A run that GStreamer's own threads crash (the Wine process killed
        by a signal, which no code of the exe can raise) is said and run once more."""
        for _ in range(2):
            if before:
                before()
            code, text = self.run_once(case, clip, arguments, timeout, when)
            if code >= 0 or code == -signal.SIGKILL:
                break
            print(f'--- {case}: the Wine process died of signal {-code}, in GStreamer\'s threads; once more')
        failed = [line for line in text.splitlines() if 'Test failed' in line or line.startswith('FAIL')]
        self.assertTrue(code == 0 and f'PASS {case}:' in text,
                        f'{case}: exit code {code}\n' + '\n'.join(failed or ['no PASS line: killed on time-out']))

    def run_once(self, case, clip, arguments, timeout, when):
        with tempfile.TemporaryDirectory() as folder:
            log = os.path.join(folder, 'out.txt')
            with open(log, 'w') as out:
                process = subprocess.Popen([os.environ['WINE'], wp.exe('lumetrone-graph-test'), case,
                                            wp.win_path(clip), *arguments], stdout=out, stderr=subprocess.STDOUT)
            start, seen = time.time(), 0
            while process.poll() is None and time.time() < start + timeout:
                time.sleep(0.05)
                with open(log, errors='replace') as f:
                    whole = f.read().split('\n')[:-1]   # the lines written out to their end
                for line in whole[seen:]:
                    if when:
                        when(line)
                seen = len(whole)
            if process.poll() is None:
                process.kill()
            code = process.wait()
            with open(log, errors='replace') as f:
                text = f.read()
        print(f'--- {case} on {os.path.basename(clip)}: exit {code} after {time.time() - start:.1f} s')
        print(text, end='')
        return code, text

    def test_seeks(self):
        self.run_case('seeks', self.clip)

    def test_stop_positions(self):
        self.run_case('stop-positions', self.clip)

    def test_rate(self):
        self.run_case('rate', self.clip)

    def test_end_of_a_clip_with_a_picture(self):
        self.run_case('end', self.clip)

    def test_end_of_a_sound(self):
        self.run_case('end', self.sound)

    def test_reader_error(self):
        """A copy is cut to 30 % of its size from the Linux side when the case says, as it plays; the
        case then plays the cut copy again."""
        copy = os.path.join(FOLDER, 'cut.mp4')
        size = os.path.getsize(self.clip)

        def cut(line):
            if line.startswith('truncate now'):
                os.truncate(copy, size * 3 // 10)
        self.run_case('reader-error', copy, when=cut, before=lambda: shutil.copyfile(self.clip, copy))

    def test_stop_while_a_renderer_holds_a_frame(self):
        self.run_case('stop-while-blocked', self.clip)

    def test_release_while_running(self):
        self.run_case('release-running', self.clip)

    def test_stress_with_a_busy_core(self):
        """300 random operations; GRAPH_STRESS_SEED repeats a run whose seed was printed. The busy
        loop ends by itself once this runner is gone, should the runner be killed on time-out."""
        busy = subprocess.Popen(['sh', '-c', f'while kill -0 {os.getpid()} 2>/dev/null; do :; done'])
        try:
            seed = os.environ.get('GRAPH_STRESS_SEED')
            self.run_case('stress', self.clip, *([seed] if seed else []), timeout=270)
        finally:
            busy.kill()
            busy.wait()


if __name__ == '__main__':
    unittest.main(verbosity=2)
