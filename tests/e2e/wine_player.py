"""Runs the real player under Wine and looks at it as a user would: its windows, caption and sizes,
the files beside its clips and its registry record. Used by the Wine tests and by ./play."""
import os
import re
import subprocess
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SESSION = os.path.join(ROOT, 'tests', 'e2e', 'session.sh')
CLIPS = os.path.join(ROOT, 'build', 'e2e-clips')
REGISTRY_KEY = r'HKCU\Software\Kestrovan\Lumetrone'
MACHINE_REGISTRY_KEY = r'HKLM\Software\Kestrovan\Lumetrone'   # where earlier versions kept it
IDM_EXIT = 40002
# ImageMagick's own, not a wrapper that may come first on PATH.
CONVERT = '/usr/bin/convert' if os.path.exists('/usr/bin/convert') else 'convert'


def start_session():
    """Starts the display, the sound sink and the Wine prefix, once, and takes their environment."""
    out = subprocess.run(['bash', SESSION, 'start'], check=True, capture_output=True, text=True).stdout
    for line in out.splitlines():
        for assignment in line.replace('export ', '').split():
            name, _, value = assignment.partition('=')
            os.environ[name] = value.strip('"')
    arch = os.environ['LUMETRONE_ARCH']
    if arch != 'windows-x86':
        print('note: this machine runs no 32-bit programs, so the 64-bit build stands in for the 32-bit one')
    return arch


def exe(name):
    return os.path.join(ROOT, 'build', os.environ['LUMETRONE_ARCH'], name + '.exe')


def package_version():
    """The version the packages are named by, as the resources keep it."""
    with open(os.path.join(ROOT, 'src', 'resources', 'version.h')) as f:
        numbers = dict(re.findall(r'#define LUMETRONE_VERSION_(MAJOR|MINOR) (\d+)', f.read()))
    return f"{numbers['MAJOR']}.{numbers['MINOR']}"


def win_path(path):
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def wine(*args, timeout=60):
    """Runs a Wine program; its output goes through files, as a program it starts may outlive it."""
    with tempfile.TemporaryFile('w+') as out:
        result = subprocess.run([os.environ['WINE'], *args], stdout=out, stderr=subprocess.DEVNULL, timeout=timeout)
        out.seek(0)
        result.stdout = out.read()
    return result


def driver(*args):
    result = wine(exe('lumetrone-driver'), *[str(a) for a in args], timeout=30)
    return result.returncode, result.stdout


def players():
    return driver('list')[1].split()


def show(hwnd=None):
    code, out = driver('show', *([hwnd] if hwnd else []))
    if code != 0:
        return None
    fields = dict(line.split('=', 1) for line in out.splitlines() if '=' in line)
    return fields


def message():
    """The text of the player's message box, which is then answered with OK; None when none is shown."""
    code, out = driver('message')
    return out.strip() if code == 0 else None


def search(folder, pattern):
    """The names a folder search gives, in its order."""
    return driver('find', win_path(folder) + '\\' + pattern)[1].split()


def start_player(*clip, cwd=None):
    """The player's process; what Wine and GStreamer print on its behalf is kept in process.log,
    for a run that ends badly to show."""
    log = tempfile.NamedTemporaryFile('w', prefix='player-', suffix='.log', dir=os.path.join(ROOT, 'build', 'wine'),
                                      delete=False)
    with log:
        process = subprocess.Popen([os.environ['WINE'], exe('lumetrone'), *clip], cwd=cwd,
                                   env=dict(os.environ, WINEDEBUG='-all,err+all'), stdout=subprocess.DEVNULL,
                                   stderr=log)
    process.log = log.name
    return process


def printed(process, lines=20):
    """The last lines Wine and GStreamer printed for the player; the log goes with the reading."""
    with open(process.log, errors='replace') as f:
        text = ''.join(f.readlines()[-lines:])
    os.remove(process.log)
    return text


def wait_for(condition, timeout=20, interval=0.2):
    """Polls until condition() returns something true, and returns it; None on time-out."""
    end = time.time() + timeout
    while time.time() < end:
        value = condition()
        if value:
            return value
        time.sleep(interval)
    return None


def wait_for_window(timeout=30):
    return wait_for(lambda: players()[0] if players() else None, timeout)


def wait_for_title(title, hwnd=None, timeout=20):
    return wait_for(lambda: (show(hwnd) or {}).get('title') == title, timeout)


def finish(process, timeout=20):
    """The player's exit code, or None after killing it on time-out. The log of a clean end goes."""
    try:
        code = process.wait(timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        return None
    if code == 0 and os.path.exists(getattr(process, 'log', '')):
        os.remove(process.log)
    return code


def forget_last_clip():
    for key in (REGISTRY_KEY, MACHINE_REGISTRY_KEY):
        wine('reg', 'delete', key, '/f')


def make_clip(name, seconds=3, size='320x240', frequency=440, sound=None):
    """A short clip made by ffmpeg, by the kind its extension names: a test picture and a steady tone,
    or the sound of the ffmpeg source `sound`."""
    path = os.path.join(CLIPS, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if os.path.exists(path):
        return path
    video = ['-f', 'lavfi', '-i', f'testsrc=size={size}:rate=25:duration={seconds}']
    audio = ['-f', 'lavfi', '-i', sound or f'sine=frequency={frequency}:duration={seconds}']
    ext = name.rsplit('.', 1)[-1].lower()
    codecs = {
        'avi': video + audio + ['-c:v', 'mjpeg', '-q:v', '5', '-c:a', 'pcm_s16le'],
        'mp3': audio + ['-c:a', 'libmp3lame', '-b:a', '64k'],
        'wmv': video + audio + ['-c:v', 'wmv2', '-c:a', 'wmav2', '-b:a', '64k'],
        'mpeg': video + audio + ['-c:v', 'mpeg1video', '-c:a', 'mp2', '-f', 'mpeg'],
        'mpg': video + audio + ['-c:v', 'mpeg1video', '-c:a', 'mp2', '-f', 'mpeg'],
        'mp4': video + audio + ['-c:v', 'libx264', '-pix_fmt', 'yuv420p', '-c:a', 'aac'],
        'm4a': audio + ['-c:a', 'aac'],
        'mkv': video + audio + ['-c:v', 'libx264', '-pix_fmt', 'yuv420p', '-c:a', 'libopus'],
        'flac': audio + ['-c:a', 'flac'],
        'ogg': audio + ['-c:a', 'libopus'],
    }[ext]
    subprocess.run(['ffmpeg', '-loglevel', 'error', '-y', *codecs, '-shortest', path], check=True)
    return path


def last_clip_record():
    """The registry record's two values, as `reg query` prints them."""
    values = {}
    for name in ('lastpath', 'lastfile'):
        out = wine('reg', 'query', REGISTRY_KEY, '/v', name).stdout
        for line in out.splitlines():
            parts = line.split(None, 2)
            if len(parts) == 3 and parts[0] == name:
                values[name] = parts[2]
    return values


def last_position():
    """The record's lastposition in 100-ns units, as `reg export` writes it; None when there is none."""
    with tempfile.TemporaryDirectory() as folder:
        exported = os.path.join(folder, 'record.reg')
        wine('reg', 'export', REGISTRY_KEY, win_path(exported), '/y')
        if not os.path.exists(exported):
            return None
        with open(exported, 'rb') as f:
            text = f.read().decode('utf-16', errors='replace')
    for line in text.splitlines():
        if line.startswith('"lastposition"=hex(b):'):
            return int.from_bytes(bytes(int(b, 16) for b in line.split(':', 1)[1].split(',')), 'little')
    return None


def screenshot(path):
    subprocess.run(['import', '-window', 'root', path], check=True)


def pixel_row(picture, x, y, width):
    """The RGB colours of one row of a picture, from x for width pixels."""
    raw = subprocess.run([CONVERT, picture, '-crop', f'{width}x1+{x}+{y}', '+repage', '-depth', '8', 'rgb:-'],
                         check=True, capture_output=True).stdout
    return [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]


def pixel_column(picture, x, y, height):
    """The RGB colours of one column of a picture, from y for height pixels."""
    raw = subprocess.run([CONVERT, picture, '-crop', f'1x{height}+{x}+{y}', '+repage', '-depth', '8', 'rgb:-'],
                         check=True, capture_output=True).stdout
    return [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]


class PlayerCase(unittest.TestCase):
    """A Wine test that starts players: one session, no last-clip record, no player left behind."""

    @classmethod
    def setUpClass(cls):
        start_session()

    def setUp(self):
        forget_last_clip()
        self.player = None

    def tearDown(self):
        if self.player:
            finish(self.player, 1)

    def start(self, *clip, cwd=None):
        self.player = start_player(*clip, cwd=cwd)
        self.assertTrue(wait_for_window(), 'no "WMView" window appeared')

    def exit_player(self):
        driver('command', IDM_EXIT)
        code = finish(self.player)
        if code != 0:
            self.fail(f'the player ended with {code}; it printed:\n{printed(self.player)}')
        self.player = None
