#!/usr/bin/env python3
"""Runs every benchmark and the real demo, and writes docs/PERFORMANCE.md.

Usage: run_benchmarks.py BUILD_DIR [OUTPUT]. `make bench` runs it on a virtual
screen (xvfb-run) with SDL_AUDIODRIVER=dummy; raw results land in
BUILD_DIR/bench-results/. BENCH_QUICK=1 takes fewer samples and leaves out the
two runs as long as the music and the loopback on sound servers, to try the
script itself.
"""
import json
import os
import platform
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from datetime import datetime, timezone

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench_parse  # noqa: E402
import bench_report  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

QUICK = os.environ.get('BENCH_QUICK') == '1'
FRAME_SAMPLES = 20 if QUICK else 120
CALLGRIND_FRAMES = 3
STARTUP_RUNS = 2 if QUICK else 5
# Main-loop frames seen on screen before a start-up run is told to quit.
STARTUP_FRAMES = 3
STARTUP_LIMIT_S = 30
# The whole demo plays the music once; this bounds a run that never ends.
WHOLE_RUN_LIMIT_S = 600


class LoadSampler:
    """The one-minute load average, read every few seconds while benchmarks run."""

    def __init__(self, period=3.0):
        self.period = period
        self.samples = []
        self.stopped = threading.Event()
        self.thread = threading.Thread(target=self.run, daemon=True)

    def run(self):
        while not self.stopped.is_set():
            with open('/proc/loadavg') as f:
                self.samples.append(float(f.read().split()[0]))
            self.stopped.wait(self.period)

    def start(self):
        self.thread.start()

    def stop(self):
        self.stopped.set()
        self.thread.join()

    def mark(self):
        return len(self.samples)

    def since(self, mark):
        return self.samples[mark:] or self.samples[-1:]


def log(text):
    print(f'[bench {time.strftime("%H:%M:%S")}] {text}', flush=True)


def run_command(args, log_path, env=None, timeout=1800, cwd=ROOT):
    with open(log_path, 'w') as out:
        result = subprocess.run(args, stdout=out, stderr=subprocess.STDOUT, env=env, timeout=timeout, cwd=cwd)
    return result.returncode


def google_benchmark(build, results, name, extra=(), env_extra=None, tag=None):
    """Runs bin/<name> with JSON output; returns {benchmark name: entry} (medians when repeated)."""
    tag = tag or name
    out = os.path.join(results, f'{tag}.json')
    env = dict(os.environ)
    env.update(env_extra or {})
    args = [os.path.join(build, 'bin', name), f'--benchmark_out={out}', '--benchmark_out_format=json', *extra]
    log(f'{tag}: {" ".join(args[1:])}')
    code = run_command(args, os.path.join(results, f'{tag}.log'), env=env)
    if code != 0 or not os.path.exists(out):
        log(f'{tag} failed with status {code}; see {tag}.log')
        return {}
    with open(out) as f:
        data = json.load(f)
    entries = {}
    for entry in data.get('benchmarks', []):
        if entry.get('error_occurred'):
            log(f'{tag}: {entry["name"]}: {entry.get("error_message")}')
            continue
        if entry.get('run_type') == 'aggregate':
            if entry.get('aggregate_name') != 'median':
                continue
            entries[entry['run_name']] = entry
        else:
            entries.setdefault(entry.get('run_name', entry['name']), entry)
    return entries


def repeated(count):
    return [f'--benchmark_repetitions={count}', '--benchmark_report_aggregates_only=true']


def machine_info():
    info = {}
    with open('/proc/cpuinfo') as f:
        models = re.findall(r'^model name\s*:\s*(.+)$', f.read(), re.M)
    info['cpu'] = models[0].strip() if models else platform.processor()
    info['cores'] = os.cpu_count()
    with open('/proc/meminfo') as f:
        total = re.search(r'MemTotal:\s*(\d+)', f.read())
    info['memory'] = f'{int(total.group(1)) / 1048576:.1f} GiB' if total else '?'
    info['kernel'] = platform.release()
    try:
        with open('/etc/os-release') as f:
            pretty = re.search(r'^PRETTY_NAME="?([^"\n]+)', f.read(), re.M)
        info['os'] = pretty.group(1) if pretty else '?'
    except OSError:
        info['os'] = '?'
    info['renderer'] = info['gl_version'] = '?'
    if shutil.which('glxinfo'):
        text = subprocess.run(['glxinfo', '-B'], capture_output=True, text=True, timeout=60).stdout
        renderer = re.search(r'OpenGL renderer string:\s*(.+)', text)
        version = re.search(r'OpenGL core profile version string:\s*(.+)', text)
        info['renderer'] = renderer.group(1).strip() if renderer else '?'
        info['gl_version'] = version.group(1).strip() if version else '?'
    commit = subprocess.run(['git', 'rev-parse', '--short', 'HEAD'], capture_output=True, text=True, cwd=ROOT)
    dirty = subprocess.run(['git', 'status', '--porcelain', '--untracked-files=no'], capture_output=True, text=True,
                           cwd=ROOT)
    info['commit'] = commit.stdout.strip() + (' (with uncommitted changes)' if dirty.stdout.strip() else '')
    return info


def callgrind_frames(build, results):
    """Instruction counts inside Scene::render for a few frames of bench_frame."""
    if not shutil.which('valgrind'):
        return None
    out = os.path.join(results, 'callgrind.out')
    env = dict(os.environ, BENCH_FRAME_SAMPLES=str(CALLGRIND_FRAMES))
    args = ['valgrind', '--tool=callgrind', '--collect-atstart=no', f'--callgrind-out-file={out}',
            os.path.join(build, 'bin', 'bench_frame'), '--benchmark_filter=msaa:4/bloom:1/']
    log('callgrind: bench_frame, MSAA 4, bloom on')
    code = run_command(args, os.path.join(results, 'callgrind.log'), env=env, timeout=1800)
    if code != 0 or not os.path.exists(out):
        log(f'callgrind failed with status {code}')
        return None
    annotated = subprocess.run(['callgrind_annotate', '--inclusive=yes', '--threshold=100', out],
                               capture_output=True, text=True).stdout
    return bench_parse.callgrind_summary(out, annotated, CALLGRIND_FRAMES)


def working_copy():
    """A temporary working folder laid out as the demo expects: Config.txt and res/."""
    folder = tempfile.mkdtemp(prefix='morlenth-bench-')
    shutil.copy(os.path.join(ROOT, 'Config.txt'), folder)
    shutil.copytree(os.path.join(ROOT, 'res'), os.path.join(folder, 'res'))
    return folder


def traced_run(build, folder, trace, stop_after_frames, limit):
    """Runs bin/morlenth under strace (only log and X writes are stopped for) in folder.

    Returns (exit status, peak resident KiB, seconds). With stop_after_frames the
    demo is sent SIGTERM (which it takes as a quit event) once that many main-loop
    frames have been shown."""
    args = ['strace', '-f', '--seccomp-bpf', '-tt', '-y', '-e', 'trace=execve,write,writev,recvmsg,poll', '-o',
            trace,
            os.path.join(build, 'bin', 'morlenth')]
    start = time.monotonic()
    process = subprocess.Popen(args, cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    signalled = False
    while True:
        pid, status, usage = os.wait4(process.pid, os.WNOHANG)
        if pid != 0:
            break
        elapsed = time.monotonic() - start
        if elapsed > limit:
            process.kill()
        elif stop_after_frames and not signalled and os.path.exists(trace):
            with open(trace, errors='replace') as f:
                parsed = bench_parse.parse_trace(f.read())
            if parsed and len(parsed['loop_frames']) >= stop_after_frames:
                os.kill(parsed['pid'], signal.SIGTERM)
                signalled = True
        time.sleep(0.05)
    process.returncode = os.waitstatus_to_exitcode(status)
    return process.returncode, usage.ru_maxrss, time.monotonic() - start


def startup_runs(build, results):
    if not shutil.which('strace'):
        return None
    runs = []
    for index in range(STARTUP_RUNS):
        folder = working_copy()
        trace = os.path.join(results, f'startup-{index}.strace')
        try:
            code, peak, _ = traced_run(build, folder, trace, STARTUP_FRAMES, STARTUP_LIMIT_S)
            with open(trace, errors='replace') as f:
                parsed = bench_parse.parse_trace(f.read())
            shutil.copy(os.path.join(folder, 'Log.txt'), os.path.join(results, f'startup-{index}.Log.txt'))
        finally:
            shutil.rmtree(folder, ignore_errors=True)
        if parsed is None:
            log(f'start-up run {index}: no usable trace (status {code})')
            continue
        parsed['peak_kib'] = peak
        parsed['status'] = code
        runs.append(parsed)
        log(f'start-up run {index}: {bench_parse.startup_seconds(parsed):.3f} s, peak {peak / 1024:.0f} MiB')
    return runs


def whole_run(build, results):
    if not shutil.which('strace'):
        return None
    folder = working_copy()
    trace = os.path.join(results, 'whole-run.strace')
    log('the whole demo, once')
    try:
        code, peak, seconds = traced_run(build, folder, trace, 0, WHOLE_RUN_LIMIT_S)
        with open(trace, errors='replace') as f:
            parsed = bench_parse.parse_trace(f.read())
        shutil.copy(os.path.join(folder, 'Log.txt'), os.path.join(results, 'whole-run.Log.txt'))
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    if parsed is None:
        return None
    parsed.update(peak_kib=peak, status=code, seconds=seconds)
    return parsed


def loopback(build, results, program='bench_loopback', what='the clock against a PulseAudio and a PipeWire '
             'null sink, about 85 s each'):
    """A loopback benchmark on its private sound servers; skipped runs keep their reason."""
    out = os.path.join(results, f'{program}.json')
    args = [os.path.join(build, 'bin', program), f'--benchmark_out={out}', '--benchmark_out_format=json']
    log(f'{program}: {what}')
    run_command(args, os.path.join(results, f'{program}.log'))
    if not os.path.exists(out):
        log(f'{program} wrote no results; see {program}.log')
        return None
    with open(out) as f:
        data = json.load(f)
    return {entry['name']: entry for entry in data.get('benchmarks', [])}


def loopback_runs(build):
    """The last `make bench-loopback RUNS=N` series' summary, which is too long to run here."""
    try:
        with open(os.path.join(build, 'bench-loopback-runs', 'summary.json')) as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    build = os.path.abspath(sys.argv[1])
    output = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else os.path.join(ROOT, 'docs', 'PERFORMANCE.md')
    results = os.path.join(build, 'bench-results')
    shutil.rmtree(results, ignore_errors=True)
    os.makedirs(results)
    os.environ.setdefault('SDL_AUDIODRIVER', 'dummy')

    began = time.monotonic()
    load = LoadSampler()
    load.start()
    report = {'machine': machine_info(), 'date': datetime.now(timezone.utc).strftime('%Y-%m-%d %H:%M UTC'),
              'load': {}}

    def section(key, work):
        mark = load.mark()
        report[key] = work()
        report['load'][key] = load.since(mark)

    section('config', lambda: google_benchmark(build, results, 'bench_config', repeated(5)))
    section('tracks', lambda: google_benchmark(build, results, 'bench_tracks', repeated(5)))
    section('audio', lambda: google_benchmark(build, results, 'bench_audio',
                                              ['--benchmark_filter=Load|Decode', *repeated(5)]))
    section('clock10', lambda: google_benchmark(build, results, 'bench_audio',
                                                ['--benchmark_filter=ClockAt60Hz'], tag='bench_audio_clock10'))
    section('postfx', lambda: google_benchmark(build, results, 'bench_postfx', repeated(3)))
    section('scene', lambda: google_benchmark(build, results, 'bench_scene', repeated(3)))
    section('frame', lambda: google_benchmark(build, results, 'bench_frame',
                                              env_extra={'BENCH_FRAME_SAMPLES': str(FRAME_SAMPLES)}))
    section('studio', lambda: google_benchmark(build, results, 'bench_studio'))
    section('callgrind', lambda: callgrind_frames(build, results))
    section('startup', lambda: startup_runs(build, results))
    if not QUICK:
        section('whole', lambda: whole_run(build, results))
        section('clock', lambda: google_benchmark(build, results, 'bench_audio',
                                                  ['--benchmark_filter=ClockWholeMusic'], tag='bench_audio_clock'))
        section('loopback', lambda: loopback(build, results))
        section('faults', lambda: loopback(build, results, 'bench_loopback_faults',
                                           'stalls, underruns and a slow callback on each server, about 75 s each'))
    report['loopback_runs'] = loopback_runs(build)
    load.stop()
    report['load']['all'] = load.samples
    report['minutes'] = (time.monotonic() - began) / 60.0
    report['frame_samples'] = FRAME_SAMPLES
    report['callgrind_frames'] = CALLGRIND_FRAMES
    report['startup_runs'] = STARTUP_RUNS

    with open(os.path.join(results, 'report.json'), 'w') as f:
        json.dump(report, f, indent=1, default=str)
    os.makedirs(os.path.dirname(output), exist_ok=True)
    with open(output, 'w') as f:
        f.write(bench_report.markdown(report))
    log(f'wrote {os.path.relpath(output, ROOT)} after {report["minutes"]:.1f} minutes')
    return 0


if __name__ == '__main__':
    sys.exit(main())
