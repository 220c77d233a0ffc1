#!/usr/bin/env python3
"""The Windows build under Wine against the Linux build, frame for frame.

Usage: bench_wine.py LINUX_BUILD WINDOWS_BUILD. `make bench-windows` runs it on a
virtual screen. capture renders the same frames through the same library code as
the player, on both builds, with the same settings: one still, whose time is
mostly start-up, then FRAMES frames; the frame time is the difference divided by
the extra frames. Prints a Markdown table: each build's start-up and frame time,
and the ratio Wine / Linux.
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FRAMES = 60
FPS = 30
START_S = 40.0
SETTINGS = ['--size', '1280x720', '--msaa', '4']


def working_copy():
    folder = tempfile.mkdtemp(prefix='morlenth-bench-wine-')
    shutil.copytree(os.path.join(ROOT, 'res'), os.path.join(folder, 'res'))
    return folder


def timed(command, cwd, env):
    start = time.monotonic()
    subprocess.run(command, cwd=cwd, env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.monotonic() - start


def measure(program, cwd, env):
    still = timed(program + ['--still', str(START_S), *SETTINGS, '--out', 'still'], cwd, env)
    end = START_S + FRAMES / FPS
    frames = timed(program + ['--start', str(START_S), '--end', str(end), '--fps', str(FPS), *SETTINGS,
                              '--out', 'frames'], cwd, env)
    return still, (frames - still) / (FRAMES - 1)


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    linux_build, windows_build = (os.path.abspath(path) for path in sys.argv[1:])
    folder = working_copy()
    env = dict(os.environ, SDL_AUDIODRIVER='dummy')
    wine_env = dict(env, WINEPREFIX=os.path.join(windows_build, 'wine-prefix'), WINEDEBUG='-all',
                    WINEDLLOVERRIDES='mscoree,mshtml=')
    wine_env.pop('SDL_VIDEODRIVER', None)
    # capture.exe finds the DLLs of the zip beside it.
    for dll in glob.glob(os.path.join(windows_build, 'zip-stage', '*', '*.dll')):
        shutil.copy(dll, folder)
    shutil.copy(os.path.join(windows_build, 'bin', 'capture.exe'), folder)
    try:
        # The server that makes a new prefix lingers, and would refuse a persistent one.
        if not os.path.isdir(wine_env['WINEPREFIX']):
            subprocess.run(['wineboot', '-i'], env=wine_env, check=True)
        subprocess.run(['wineserver', '-k'], env=wine_env, stderr=subprocess.DEVNULL)
        subprocess.run(['wineserver', '-p'], env=wine_env, check=True)
        linux = measure([os.path.join(linux_build, 'bin', 'capture')], folder, env)
        wine = measure(['wine', os.path.join(folder, 'capture.exe')], folder, wine_env)
    finally:
        subprocess.run(['wineserver', '-k'], env=wine_env, stderr=subprocess.DEVNULL)
        shutil.rmtree(folder, ignore_errors=True)
    print(f'capture, {" ".join(SETTINGS)}, {FRAMES} frames from {START_S:.0f} s\n')
    print('| build | start-up and one still | frame time | Wine / Linux |')
    print('|---|---|---|---|')
    print(f'| Linux | {linux[0]:.2f} s | {linux[1] * 1000:.1f} ms | |')
    print(f'| Windows under Wine | {wine[0]:.2f} s | {wine[1] * 1000:.1f} ms | {wine[1] / linux[1]:.2f} |')
    return 0


if __name__ == '__main__':
    sys.exit(main())
