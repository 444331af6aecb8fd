#!/usr/bin/env python3
"""The player's costs beside a bare engine harness's, under the Wine session the tests use.

Each metric is measured for the player and for the harness (bench/bench.cpp, same bitness, same
clip), in alternating runs, and printed as min and median with the ratio player / harness of the
medians. Usage: ./bench [--quick] [--runs N] [--without-flood] [--timeline] [--only STEP...]."""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, 'tests', 'e2e'))
import wine_player as wp  # noqa: E402
import bench_overview as overviews  # noqa: E402
from test_first_and_last_sound import FRAME, RATE, Recording, power  # noqa: E402

# The mp4 and the m4a sound a tone that steps up each tenth of the clip, so that a jump's arrival is heard.
CLIPS = {'mp4': 'bench-tenths.mp4', 'm4a': 'bench-tenths.m4a', 'avi': 'bench.avi', 'mp3': 'bench.mp3'}
SOURCE_KINDS = ('mp4', 'm4a')          # the clips the player's own source plays, once it has one
CLIP_SECONDS = 60
TONE, TONE_STEP = 300, 100             # Hz: the mp4's and the m4a's first tenth, and the step up each tenth
JUMP_DIGIT = 5                         # the key of the jump whose sound is timed
TICK = os.sysconf('SC_CLK_TCK')
PLAYBACK, IDLE, OVERLAY = 20, 20, 10   # seconds measured
# Playback is measured from this long after each contender says it plays: the player shows its
# title just before Run and the harness prints its line just after, so the start would otherwise
# fall into one window and not the other. Start-up has rows of its own.
SETTLE = 2
FLOOD = 3000                           # keys that reach the engine, typed one after another
STEPS = ('launches', 'playbacks', 'embedded', 'idles', 'seeks', 'jumps', 'floods', 'overlay', 'converter', 'rates',
         'levelling', 'overview')
# The keys that take a clip from 100 % to each rate measured: ten points a step.
RATE_KEYS = {70: '[[[', 150: ']]]]]'}


def tenth_tone(tenth):
    return TONE + TONE_STEP * tenth


def make_clips():
    os.makedirs(wp.CLIPS, exist_ok=True)
    tenths = ['-f', 'lavfi', '-i', f'aevalsrc=0.5*sin(2*PI*({TONE}+{TONE_STEP}*floor(t/{CLIP_SECONDS // 10}))*t)'
              f':s=44100:d={CLIP_SECONDS}']
    made = {'mp4': ['-f', 'lavfi', '-i', f'testsrc=size=640x360:rate=25:duration={CLIP_SECONDS}', *tenths,
                    '-c:v', 'libx264', '-pix_fmt', 'yuv420p', '-c:a', 'aac', '-shortest'],
            'm4a': [*tenths, '-c:a', 'aac']}
    clips = {}
    for kind, name in CLIPS.items():
        clips[kind] = os.path.join(wp.CLIPS, name)
        if kind not in made:
            wp.make_clip(name, CLIP_SECONDS)
        elif not os.path.exists(clips[kind]):
            subprocess.run(['ffmpeg', '-loglevel', 'error', '-y', *made[kind], clips[kind]], check=True)
    return clips


def cpu_seconds(pids):
    total = 0
    for pid in pids:
        try:
            with open(f'/proc/{pid}/stat') as f:
                fields = f.read().rsplit(')', 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except (OSError, IndexError):
            pass
    return total / TICK


def wakeups(pid):
    """Times the main thread, the one that runs the message loop and the timers, went to sleep."""
    with open(f'/proc/{pid}/task/{pid}/status') as f:
        return sum(int(line.split()[1]) for line in f if 'ctxt_switches:' in line)


def peak_mb(pid):
    with open(f'/proc/{pid}/status') as f:
        return next(int(line.split()[1]) for line in f if line.startswith('VmHWM')) / 1024


def resident_mb(pid):
    with open(f'/proc/{pid}/status') as f:
        return next(int(line.split()[1]) for line in f if line.startswith('VmRSS')) / 1024


def wineserver():
    """The Wine server of the bench's own prefix, not another session's: each server works in a
    folder named after its prefix's device and inode, as Wine finds the server of a prefix."""
    prefix = os.stat(os.environ['WINEPREFIX'])
    folder = f'server-{prefix.st_dev:x}-{prefix.st_ino:x}'
    servers = []
    for pid in subprocess.run(['pgrep', '-x', 'wineserver64|wineserver'], capture_output=True,
                              text=True).stdout.split():
        try:
            if os.path.basename(os.readlink(f'/proc/{pid}/cwd')) == folder:
                servers.append(int(pid))
        except OSError:
            pass
    return servers


class Process:
    """A Wine program whose output goes to a file, so that the bench can wait for a line of it."""

    def __init__(self, *args):
        self.out = tempfile.TemporaryFile('w+')
        self.started = time.time()
        self.popen = subprocess.Popen([os.environ['WINE'], *args], stdin=subprocess.PIPE, stdout=self.out,
                                      stderr=subprocess.DEVNULL)
        self.pid = self.popen.pid

    def line(self, word, timeout=30):
        """The first line that starts with word, split, once it appears."""
        def find():
            self.out.seek(0)
            return next((line.split() for line in self.out if line.split()[:1] == [word]), None)
        found = wp.wait_for(find, timeout, 0.005)
        if found is None:
            raise RuntimeError(f'no "{word}" from {self.popen.args}')
        self.seen = time.time()
        return found

    def end(self):
        wp.finish(self.popen, 30)


def bench(*args):
    return Process(wp.exe('lumetrone-bench'), *args)


def player(clip):
    return Process(wp.exe('lumetrone'), wp.win_path(clip))


def title_of(clip):
    return os.path.basename(clip) + (' [Audio] ' if clip.endswith(('.mp3', '.m4a')) else ' [Video] ')


def exit_player(process):
    wp.driver('command', wp.IDM_EXIT)
    process.end()


def launch(contender, clip):
    if contender == 'harness':
        run = bench('play', clip, '1')
        run.line('playing')
        run.end()
        return run.seen - run.started
    watcher = bench('title', title_of(clip), '60')
    time.sleep(0.5)
    run = player(clip)
    watcher.line('seen', 60)
    value = watcher.seen - run.started
    watcher.end()
    exit_player(run)
    return value


def measured(pid, seconds):
    """CPU seconds of the process and the wineserver, wake-ups and peak memory over a while."""
    servers = wineserver()
    cpu, served, woken = cpu_seconds([pid]), cpu_seconds(servers), wakeups(pid)
    time.sleep(seconds)
    return {'cpu': cpu_seconds([pid]) - cpu + cpu_seconds(servers) - served,
            'wakeups': wakeups(pid) - woken, 'peak': peak_mb(pid)}


def playback(contender, clip, verb='play', keys=''):
    if contender == 'harness':
        run = bench(verb, clip, str(PLAYBACK + 5))
        run.line('playing')
    else:
        run = player(clip)
        wp.wait_for_title(title_of(clip), timeout=30)
        for key in keys:
            wp.driver('char', key)
    time.sleep(SETTLE)
    values = measured(run.pid, PLAYBACK)
    run.end() if contender == 'harness' else exit_player(run)
    return values


def idle(contender, clip, paused):
    if contender == 'harness':
        run = bench('paused', clip, str(IDLE + 5)) if paused else bench('idle', str(IDLE + 5))
        if paused:
            run.line('playing')
        time.sleep(2)
    else:
        run = player(clip)
        wp.wait_for_title(title_of(clip), timeout=30)
        wp.driver('char', 'p') if paused else wp.driver('key', 0x7B)
        wp.wait_for_title(title_of(clip) + '(Paused)' if paused else 'Lumetrone', timeout=10)
        time.sleep(1)
    values = measured(run.pid, IDLE)
    run.end() if contender == 'harness' else exit_player(run)
    return values


def seek(contender, clip):
    if contender == 'harness':
        run = bench('seek', clip)
        value = float(run.line('seek')[1])
        run.end()
        return value
    run = player(clip)
    wp.wait_for_title(title_of(clip), timeout=30)
    wp.driver('key', 0x20)
    time.sleep(1.5)
    window = wp.show()
    width = int(window['client'].split('x')[0])
    watcher = bench('bar', wp.players()[0], str(120 + (width - 150) // 2 - 3), '10')
    value = float(watcher.line('bar', 15)[1])
    watcher.end()
    exit_player(run)
    return value


def recorded_now(recording):
    """The recording's sample that the null sink plays at this moment. The recorder gets the sink's
    sound in blocks, so the file lags behind by anything up to a block: the least lag seen over a
    while of polling is taken as none."""
    start = time.time()
    for _ in range(150):
        start = min(start, time.time() - os.path.getsize(recording.path) / 2 / RATE)
        time.sleep(0.002)
    return round((time.time() - start) * RATE)


def jump_heard(contender, clip):
    """Milliseconds from a digit posted to a playing clip to the first 20 ms of the tone of the tenth it
    jumps to, recorded from the null sink. The digit reaches the player through a helper process and the
    harness through its stdin, each as one line written to a pipe."""
    recording = Recording()
    try:
        if contender == 'harness':
            run = typist = bench('jump', clip, str(SETTLE + 6))
            run.line('playing')
        else:
            run = player(clip)
            wp.wait_for_title(title_of(clip), timeout=30)
            typist = bench('digits', wp.players()[0])
        time.sleep(SETTLE)
        posted = recorded_now(recording)
        typist.popen.stdin.write(f'{JUMP_DIGIT}\n'.encode())
        typist.popen.stdin.flush()
        time.sleep(3)
    finally:
        samples = recording.stop()
    typist.popen.stdin.close()
    typist.end()
    if contender == 'player':
        exit_player(run)
    old, new = tenth_tone(0), tenth_tone(JUMP_DIGIT)
    for start in range(posted, len(samples) - FRAME, FRAME // 4):
        frame = samples[start:start + FRAME]
        heard = power(frame, new)
        if heard > 1e9 and heard > 10 * power(frame, old):
            return 1000.0 * (start - posted) / RATE
    raise RuntimeError(f'the tone of tenth {JUMP_DIGIT} never heard from the {contender}')


def converter_costs():
    """Wall-clock and CPU milliseconds of one 1280 x 720 NV12 frame to RGB32, for the player's own
    converter and for the Video Processor MFT, over 100 frames each in one process."""
    run = Process(wp.exe('lumetrone-convert'), '100')
    own = [float(v) for v in run.line('own')[1:3]]
    mft = run.line('mft')[1:3]
    run.end()
    if mft[0] == 'failed':
        raise RuntimeError('the Video Processor MFT converted no frame')
    return own, [float(v) for v in mft]


def level_cost():
    """Wall-clock and CPU milliseconds of levelling one second of 48 kHz stereo, in a process of its own."""
    run = Process(wp.exe('lumetrone-convert'), '1')
    cost = [float(v) for v in run.line('level')[1:3]]
    run.end()
    return cost


def overlay_shown(clip):
    run = player(clip)
    wp.wait_for_title(title_of(clip), timeout=30)
    wp.driver('key', 0x20)
    time.sleep(1)
    watcher = bench('overlay', wp.players()[0], str(OVERLAY))
    shown, samples = (int(v) for v in watcher.line('overlay', OVERLAY + 20)[1:3])
    watcher.end()
    exit_player(run)
    return 100.0 * shown / samples


def flood(contender, clip):
    """Memory gained over a flood of jumps, sizes, zoom, volume steps and bookmarks on a playing avi,
    and the harness's over the same engine calls, with the clips the harness opened again after a
    jump past the end (the player's one-clip folder does the same); the clip is a copy, so its
    bookmarks go with it."""
    folder = tempfile.mkdtemp(dir=wp.CLIPS)
    copy = os.path.join(folder, os.path.basename(clip))
    shutil.copy(clip, copy)
    if contender == 'harness':
        run = bench('flood', copy, str(FLOOD))
        run.line('ready')
        before = resident_mb(run.pid)
        reopened = int(run.line('done', 600)[1])
    else:
        run = player(copy)
        wp.wait_for_title(title_of(copy), timeout=30)
        time.sleep(3)
        before = resident_mb(run.pid)
        typist = bench('keys', wp.players()[0], str(FLOOD))
        typist.line('done', 600)
        typist.end()
        reopened = None
    time.sleep(1)
    grown = resident_mb(run.pid) - before
    run.popen.kill() if contender == 'harness' else exit_player(run)
    run.popen.wait()
    shutil.rmtree(folder)
    return grown, reopened


RELAY_KEY = r'HKCU\Software\Wine\Debug'
# The first call after the graph's Run: the player focuses its window, the harness prints "playing".
RUNNING = {'player': 'user32.setfocus', 'harness': 'msvcrt._lock'}


def image_range(path):
    """Where the exe lies in its process: from its image base, for its size."""
    with open(path, 'rb') as f:
        data = f.read(4096)
    header = int.from_bytes(data[0x3C:0x40], 'little') + 24
    wide = int.from_bytes(data[header:header + 2], 'little') == 0x20B
    base = int.from_bytes(data[header + 24:header + 32], 'little') if wide else int.from_bytes(
        data[header + 28:header + 32], 'little')
    return base, base + int.from_bytes(data[header + 56:header + 60], 'little')


def timeline(contender, clip):
    """The exe's own calls into the system (those that return into its image), from WinMain's first (COM's
    start) to the one right after Run, from one relay trace of Wine: the time in all, each call that took 10 ms or more, and
    each stretch of 10 ms or more between two calls (time in the engine's methods, which are not exports,
    or in the exe's own code), named by the call that ends it."""
    path = wp.exe('lumetrone-bench') if contender == 'harness' else wp.exe('lumetrone')
    low, high = image_range(path)
    trace = tempfile.TemporaryFile('w+')
    environment = dict(os.environ, WINEDEBUG='+timestamp,+relay')
    args = [path, 'play', clip, '1'] if contender == 'harness' else [path, wp.win_path(clip)]
    run = subprocess.Popen([os.environ['WINE'], *args], stdout=subprocess.DEVNULL, stderr=trace, env=environment)
    if contender == 'player':
        watcher = bench('title', title_of(clip), '60')
        watcher.line('seen', 60)
        watcher.end()
        wp.driver('command', wp.IDM_EXIT)
    run.wait(60)
    trace.seek(0)
    calls, slow, origin, returned, built = {}, [], None, None, False
    for line in trace:
        parts = line.split(':', 2)
        kind = parts[2][:5] if len(parts) == 3 else ''
        if kind not in ('Call ', 'Ret  ') or ' ret=' not in parts[2]:
            continue
        address = parts[2].rsplit(' ret=', 1)[1].strip()
        if not all(c in '0123456789abcdefABCDEF' for c in address) or not low <= int(address, 16) < high:
            continue
        moment = float(parts[0]) * 1000
        name = parts[2][5:].split('(', 1)[0].strip()
        if origin is None:
            # WinMain begins with COM; the time counts from its return.
            if kind == 'Ret  ' and name == 'combase.CoInitializeEx':
                origin = returned = moment
            continue
        if kind == 'Call ':
            if returned is not None and moment - returned >= 10:
                slow.append((f'(between calls, up to {name})', returned - origin, moment - returned))
            built = built or name == 'combase.CoCreateInstance'
            if built and name.lower() == RUNNING[contender]:
                return moment - origin, slow
            calls.setdefault((parts[1], name), []).append(moment)
            returned = None
        else:
            returned = moment
            began = calls.get((parts[1], name)) and calls[(parts[1], name)].pop()
            if began and moment - began >= 10:
                slow.append((name, began - origin, moment - began))
    return None, slow


def print_timelines(clip):
    print(f'\nStart-up, {os.path.basename(clip)}: from CoInitializeEx to the call after Run (relay trace, ms)\n')
    for contender in ('player', 'harness'):
        timeline(contender, clip)   # the first run meets cold caches and starting services
        total, slow = timeline(contender, clip)
        print(f'{contender}: {total:.0f} ms in all' if total is not None else f'{contender}: no Run seen')
        for name, began, took in sorted(slow, key=lambda entry: entry[1]):
            print(f'    at {began:6.0f} ms, {took:5.0f} ms: {name}')


def row(name, unit, player_values, harness_values):
    def cell(values):
        return f'{min(values):.3f} / {statistics.median(values):.3f}' if values else '—'
    ratio = '—'
    if player_values and harness_values and statistics.median(harness_values):
        ratio = f'{statistics.median(player_values) / statistics.median(harness_values):.2f}'
    return f'| {name} | {unit} | {cell(player_values)} | {cell(harness_values)} | {ratio} |'


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--quick', action='store_true', help='two runs a cell instead of five')
    parser.add_argument('--runs', type=int, help='runs a cell')
    parser.add_argument('--without-flood', action='store_true', help='leave out the key flood, minutes a run')
    parser.add_argument('--timeline', action='store_true', help='only the start-up timelines, from a relay trace')
    parser.add_argument('--only', nargs='+', choices=STEPS, help='only these steps')
    options = parser.parse_args()
    runs = options.runs or (2 if options.quick else 5)

    arch = wp.start_session()
    wp.forget_last_clip()
    clips = make_clips()
    if options.timeline:
        for kind in ('avi', 'mp3', *SOURCE_KINDS):
            print_timelines(clips[kind])
        return
    cells = {}

    def record(key, contender, value):
        cells.setdefault(key, {'player': [], 'harness': []})[contender].append(value)

    def launches(contender):
        for kind in ('mp4', 'm4a', 'avi', 'mp3'):
            record(f'launch → playing, {kind}', contender, launch(contender, clips[kind]))

    def playbacks(contender):
        for kind in SOURCE_KINDS:
            values = playback(contender, clips[kind])
            record(f'CPU, {PLAYBACK} s of {kind} playback', contender, values['cpu'])
            record(f'peak memory, {kind} playback', contender, values['peak'])

    def embedded(contender):
        # The same player runs against a harness that embeds its video as the player does.
        value = playback(contender, clips['mp4'], 'embedded')['cpu']
        record(f'CPU, {PLAYBACK} s of mp4 playback, the harness\'s video embedded', contender, value)

    def idles(contender):
        for paused, what in ((False, 'no clip'), (True, 'paused avi')):
            values = idle(contender, clips['avi'], paused)
            record(f'idle CPU, {what}, {IDLE} s', contender, values['cpu'])
            record(f'idle wake-ups, {what}, {IDLE} s', contender, values['wakeups'])

    def seeks(contender):
        record('seek: digit → bar (player) / SetPositions (harness)', contender, seek(contender, clips['avi']))

    def jumps(contender):
        for kind in SOURCE_KINDS:
            record(f'digit → the sound at the new place, {kind}', contender, jump_heard(contender, clips[kind]))

    def floods(contender):
        grown, reopened = flood(contender, clips['avi'])
        record(f'memory gained over {FLOOD} keys, playing avi', contender, grown)
        if reopened is not None:
            record(f'graphs built again over {FLOOD} keys (harness)', 'harness', reopened)

    def overlay():
        record(f'overlay on screen while an avi plays', 'player', overlay_shown(clips['avi']))

    def rates(run):
        # The player's column holds the clip at a rate, the harness's the same player at 100 %; which
        # goes first alternates, as the contenders' steps do.
        order = [100, *RATE_KEYS][::1 if run % 2 == 0 else -1]
        cpu = {percent: playback('player', clips['m4a'], keys=RATE_KEYS.get(percent, ''))['cpu'] for percent in order}
        for percent in RATE_KEYS:
            key = f'CPU, {PLAYBACK} s of m4a playback: at {percent} % (player) / at 100 % (harness)'
            record(key, 'player', cpu[percent])
            record(key, 'harness', cpu[100])

    def levelling(run):
        # The player's column holds the m4a levelled, the harness's the same player with it off; v
        # is remembered, so it is forgotten again after each levelled run.
        cpu = {}
        for on in ((False, True) if run % 2 == 0 else (True, False)):
            cpu[on] = playback('player', clips['m4a'], keys='v' if on else '')['cpu']
            wp.wine('reg', 'delete', wp.REGISTRY_KEY, '/v', 'levelling', '/f')
        key = f'CPU, {PLAYBACK} s of m4a playback: levelled (player) / not (harness)'
        record(key, 'player', cpu[True])
        record(key, 'harness', cpu[False])
        wall, used = level_cost()
        record('level alone, a second of 48 kHz stereo: wall-clock (player) / CPU (harness)', 'player', wall)
        record('level alone, a second of 48 kHz stereo: wall-clock (player) / CPU (harness)', 'harness', used)

    def converter():
        # The player's column holds its own converter, the harness's the platform's transform.
        own, mft = converter_costs()
        for index, what in enumerate(('wall-clock', 'CPU')):
            key = f'converter {what}, a 1280×720 NV12 frame → RGB32: own (player) / Video Processor MFT (harness)'
            record(key, 'player', own[index])
            record(key, 'harness', mft[index])

    def overview(run):
        # The player's columns hold the overview built from the clip, the harness's what it is set
        # against: ffmpeg's bare decode of the same file, or the same player with the overview kept
        # from before, read from the cache.
        hour, four = overviews.long_clip(1), overviews.long_clip(4)
        took, _ = overviews.whole_overview(player, exit_player, hour)
        record('whole overview of a 1 h m4a (player) / ffmpeg -f null on it (harness)', 'player', took)
        record('whole overview of a 1 h m4a (player) / ffmpeg -f null on it (harness)', 'harness',
               overviews.ffmpeg_decode(hour))
        record('first minute of the band drawn, from the open of a 1 h m4a', 'player',
               overviews.first_minute_drawn(player, exit_player, hour))
        for built in ((True, False) if run % 2 == 0 else (False, True)):
            total, own = overviews.playback_cpu(player, exit_player, hour, built)
            side = 'player' if built else 'harness'
            record(f'CPU, {PLAYBACK} s of 1 h m4a playback: overview built (player) / read (harness)', side, total)
            record(f'CPU of the threads that are the playback\'s alone in it: built (player) / read (harness)', side, own)
        record('peak memory, 4 h m4a: overview decoded (player) / read from the cache (harness)', 'player',
               overviews.whole_overview(player, exit_player, four)[1])
        record('peak memory, 4 h m4a: overview decoded (player) / read from the cache (harness)', 'harness',
               overviews.cached_peak(player, exit_player, four))

    chosen = options.only or [name for name in STEPS if name != 'floods' or not options.without_flood]
    steps = [step for name, step in (('launches', launches), ('playbacks', playbacks), ('embedded', embedded),
                                     ('idles', idles), ('seeks', seeks), ('jumps', jumps), ('floods', floods))
             if name in chosen]
    for run in range(runs):
        # Each step runs for both contenders back to back, so that the machine's drift over minutes
        # falls on both alike; which goes first alternates, so neither always meets a warm cache.
        for step in steps:
            for contender in (('player', 'harness') if run % 2 == 0 else ('harness', 'player')):
                step(contender)
        for name, measure in (('overlay', overlay), ('converter', converter)):
            if name in chosen:
                measure()
        if 'rates' in chosen:
            rates(run)
        if 'levelling' in chosen:
            levelling(run)
        if 'overview' in chosen:
            overview(run)
        wp.forget_last_clip()

    units = {'whole': 's', 'first': 's', 'memory': 'MB', 'graphs': 'count', 'launch': 's', 'CPU': 's', 'idle CPU': 's', 'peak': 'MB', 'idle wake-ups': 'count',
             'seek': 'ms', 'digit': 'ms', 'converter': 'ms', 'level': 'ms', 'overlay': '% of 5 ms samples'}
    print(f'\nLumetrone bench: {arch} exe, {runs} runs a cell, min / median\n')
    print('| metric | unit | player | harness | ratio |')
    print('|---|---|---|---|---|')
    for key, values in cells.items():
        unit = next(u for prefix, u in sorted(units.items(), key=lambda p: -len(p[0])) if key.startswith(prefix))
        print(row(key, unit, values['player'], values['harness']))


if __name__ == '__main__':
    main()
