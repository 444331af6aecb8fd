"""The overview's costs for ./bench: the whole overview of a long m4a beside ffmpeg's bare decode of
it, the CPU of playback while the overview is built, and the memory a long clip's overview takes."""
import glob
import os
import re
import shutil
import subprocess
import tempfile
import time

import wine_player as wp

HOUR = 3600
PLAYBACK, SETTLE = 20, 2               # seconds of playback measured, from this long after the open
BAND_TOP, BAND_HEIGHT, BAR_LEFT, BAR_RIGHT_MARGIN = 20, 24, 120, 30   # the strip at 96 DPI
PLAIN = (0x40, 0x40, 0x40)             # a column of the band not known yet
# The threads that are the playback's alone, by name: GStreamer names each by its element, numbered
# in the order the pipelines were made (the playback's reader makes the first, the overview's the
# second), and Wine names its sound mixer's and PulseAudio's. The main thread is the process's own id.
PLAYBACKS_OWN = re.compile(r'[a-z_]+0:|wine_dsound|winepulse')


def long_clip(hours):
    """Speech-like sound: a tone whose level rises and falls each few seconds, with quiet spans."""
    path = os.path.join(wp.CLIPS, f'bench-{hours}h.m4a')
    if not os.path.exists(path):
        tone = (f'aevalsrc=0.4*sin(2*PI*220*t)*gt(sin(2*PI*t/7)\\,-0.3)*(0.5+0.5*sin(2*PI*t/3))'
                f':s=44100:d={hours * HOUR}')
        subprocess.run(['ffmpeg', '-loglevel', 'error', '-y', '-f', 'lavfi', '-i', tone, '-ac', '2', '-c:a', 'aac',
                        '-b:a', '96k', path + '.part.m4a'], check=True)
        os.replace(path + '.part.m4a', path)
    return path


def overview_folder():
    return glob.glob(os.path.join(os.environ['WINEPREFIX'], 'drive_c', 'users', '*', 'AppData', 'Local',
                                  'Lumetrone', 'overviews'))


def forget_overviews():
    for folder in overview_folder():
        shutil.rmtree(folder)


def kept_overviews():
    return [path for folder in overview_folder() for path in glob.glob(os.path.join(folder, '*'))
            if not os.path.basename(path).startswith('~')]


def title_of(clip):
    return os.path.basename(clip) + ' [Audio] '


def ffmpeg_decode(clip):
    """Wall-clock seconds ffmpeg takes to decode the clip's sound and throw it away."""
    started = time.time()
    subprocess.run(['ffmpeg', '-loglevel', 'error', '-i', clip, '-f', 'null', '-'], check=True)
    return time.time() - started


def opened(player, clip):
    run = player(clip)
    if not wp.wait_for_title(title_of(clip), timeout=60):
        raise RuntimeError(f'{clip} did not open')
    return run, time.time()


def whole_overview(player, exit_player, clip):
    """Seconds from the clip's open (its title) until its overview is kept whole, and the player's
    peak memory in MB by then."""
    forget_overviews()
    run, since = opened(player, clip)
    if not wp.wait_for(kept_overviews, timeout=30 * 60, interval=0.05):
        raise RuntimeError(f'no overview of {clip} was kept')
    took = time.time() - since
    peak = peak_mb(run.pid)
    exit_player(run)
    return took, peak


def peak_mb(pid):
    with open(f'/proc/{pid}/status') as f:
        return next(int(line.split()[1]) for line in f if line.startswith('VmHWM')) / 1024


def cached_peak(player, exit_player, clip):
    """The player's peak memory in MB with the clip's overview read from the cache, once it has run
    as long as the decode took: the same clip, the same blocks, no second reader."""
    if not kept_overviews():
        whole_overview(player, exit_player, clip)
    run, _ = opened(player, clip)
    time.sleep(SETTLE)
    peak = peak_mb(run.pid)
    exit_player(run)
    return peak


def first_minute_drawn(player, exit_player, clip):
    """Seconds from the open until the band's columns of the clip's first minute are drawn, as seen
    on the screen: each look takes a screenshot, so this is an upper bound by one look."""
    forget_overviews()
    run, since = opened(player, clip)
    wp.driver('key', 0x20)
    window = wp.show()
    width = int(window['client'].split('x')[0])
    left, top = (int(v) for v in window['origin'].split(','))
    bar = width - BAR_RIGHT_MARGIN - BAR_LEFT
    columns = max(1, bar * 60 // (clip_hours(clip) * HOUR))
    with tempfile.TemporaryDirectory() as folder:
        picture = os.path.join(folder, 'screen.png')

        def drawn():
            wp.screenshot(picture)
            row = wp.pixel_row(picture, left + BAR_LEFT, top + BAND_TOP + BAND_HEIGHT // 2, columns)
            return all(colour != PLAIN for colour in row)
        seen = wp.wait_for(drawn, timeout=30, interval=0)
    took = time.time() - since
    exit_player(run)
    if not seen:
        raise RuntimeError('the band\'s first minute was never drawn')
    return took


def clip_hours(clip):
    return int(re.search(r'(\d+)h\.m4a$', clip).group(1))


def thread_cpu(pid):
    """CPU ticks of each thread of the process, by thread id, with the thread's name."""
    ticks = {}
    for task in glob.glob(f'/proc/{pid}/task/*'):
        try:
            with open(os.path.join(task, 'comm')) as f:
                name = f.read().strip()
            with open(os.path.join(task, 'stat')) as f:
                fields = f.read().rsplit(')', 1)[1].split()
            ticks[task] = (name, int(fields[11]) + int(fields[12]))
        except OSError:
            pass
    return ticks


def playback_cpu(player, exit_player, clip, built):
    """CPU seconds of PLAYBACK s of the clip from SETTLE s after its open, with its overview being
    built or read from the cache: the whole process's, and those of the threads that are the
    playback's alone (Wine's thread pool and the player's own threads serve both, and are left out)."""
    if built:
        forget_overviews()
    elif not kept_overviews():
        whole_overview(player, exit_player, clip)
    run, _ = opened(player, clip)
    time.sleep(SETTLE)
    before = thread_cpu(run.pid)
    time.sleep(PLAYBACK)
    after = thread_cpu(run.pid)
    exit_player(run)
    tick = os.sysconf('SC_CLK_TCK')
    spent = {task: ticks - before.get(task, (name, 0))[1] for task, (name, ticks) in after.items()}
    main = f'/proc/{run.pid}/task/{run.pid}'
    own = sum(ticks for task, ticks in spent.items() if task == main or PLAYBACKS_OWN.match(after[task][0]))
    return sum(spent.values()) / tick, own / tick
