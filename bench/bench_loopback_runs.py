#!/usr/bin/env python3
"""Runs bench_loopback RUNS times in a row and sums the runs up: on each server,
the worst offset over all runs and how many runs missed each target. Each run's
JSON and its log (what a missed run says about the clock, the captures and the
server) stay in <build>/bench-results/loopback-runs/.

usage: bench_loopback_runs.py BUILD RUNS [PLAY_SECONDS]"""
import glob
import json
import os
import subprocess
import sys

SERVERS = [('BM_LoopbackPulseAudio', 'PulseAudio'), ('BM_LoopbackPipeWire', 'PipeWire')]


def run_all(build, runs, play_seconds):
    folder = os.path.join(build, 'bench-results', 'loopback-runs')
    os.makedirs(folder, exist_ok=True)
    for old in glob.glob(os.path.join(folder, 'run_*')):
        os.remove(old)
    env = dict(os.environ, MORLENTH_LOOPBACK_PLAY_SECONDS=str(play_seconds))
    for run in range(1, runs + 1):
        out = os.path.join(folder, f'run_{run:02d}.json')
        with open(os.path.join(folder, f'run_{run:02d}.log'), 'w') as log:
            subprocess.run([os.path.join(build, 'bin', 'bench_loopback'), f'--benchmark_out={out}',
                            '--benchmark_out_format=json'], stdout=log, stderr=subprocess.STDOUT, env=env)
        print(f'run {run} of {runs} done', flush=True)
    return folder


def summarise(folder):
    results = {label: [] for _, label in SERVERS}
    for path in sorted(glob.glob(os.path.join(folder, 'run_*.json'))):
        try:
            with open(path) as file:
                entries = json.load(file).get('benchmarks', [])
        except (OSError, ValueError):
            print(f'{os.path.basename(path)}: no results')
            continue
        for entry in entries:
            for prefix, label in SERVERS:
                if entry['name'].startswith(prefix):
                    results[label].append((os.path.basename(path), entry))
    for label, entries in results.items():
        measured = [(name, e) for name, e in entries if not e.get('error_occurred')]
        print(f'{label}: {len(measured)} runs measured of {len(entries)}')
        if not measured:
            continue
        worst = max(((abs(v), v, k, name) for name, e in measured for k, v in e.items()
                     if k.endswith('_offset_worst_ms')), default=None)
        if worst:
            print(f'  worst offset {worst[1]:.1f} ms ({worst[2]}, {worst[3]})')
        missed = [(name, e.get('label', '')) for name, e in measured if e.get('targets_met') != 1.0]
        print(f'  runs that missed a target: {len(missed)}')
        for name, why in missed:
            print(f'    {name}: {why}')
        for key in ('pace_clock_heard_pct', 'pace_heard_pct'):
            values = [e[key] for _, e in measured if key in e]
            if values:
                print(f'  {key}: {min(values):.3f} to {max(values):.3f}')


def main():
    build, runs = sys.argv[1], int(sys.argv[2])
    play_seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 60.0
    summarise(run_all(build, runs, play_seconds))


if __name__ == '__main__':
    main()
