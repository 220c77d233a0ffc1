#!/usr/bin/env python3
"""Runs bench_loopback RUNS times in a row and sums the runs up: on each server,
the worst offset over all runs and how many runs missed each target. Each run's
JSON and its log (what a missed run says about the clock, the captures and the
server) stay in <build>/bench-loopback-runs/, with summary.json, which `make
bench` puts into docs/PERFORMANCE.md.

With SERVER (PulseAudio or PipeWire) only that server plays, and its runs
replace that server's figures in the summary; the other's stay as they were.

usage: bench_loopback_runs.py BUILD RUNS [PLAY_SECONDS [SERVER]]"""
import glob
import json
import os
import subprocess
import sys
from datetime import datetime, timezone

SERVERS = [('BM_LoopbackPulseAudio', 'PulseAudio'), ('BM_LoopbackPipeWire', 'PipeWire')]


def run_all(build, runs, play_seconds, only):
    folder = os.path.join(build, 'bench-loopback-runs')
    os.makedirs(folder, exist_ok=True)
    tag = f'_{only}' if only else ''
    old = glob.glob(os.path.join(folder, f'run_*{tag}.*')) if only else glob.glob(os.path.join(folder, 'run_*'))
    for path in old:
        os.remove(path)
    env = dict(os.environ, MORLENTH_LOOPBACK_PLAY_SECONDS=str(play_seconds))
    command = [os.path.join(build, 'bin', 'bench_loopback')]
    if only:
        command.append('--benchmark_filter=' + next(prefix for prefix, label in SERVERS if label == only))
    for run in range(1, runs + 1):
        out = os.path.join(folder, f'run_{run:02d}{tag}.json')
        with open(os.path.join(folder, f'run_{run:02d}{tag}.log'), 'w') as log:
            subprocess.run(command + [f'--benchmark_out={out}', '--benchmark_out_format=json'], stdout=log,
                           stderr=subprocess.STDOUT, env=env)
        print(f'run {run} of {runs} done', flush=True)
    return folder


def span(values):
    return [min(values), max(values)] if values else None


def server_files(folder, label):
    """A server's own runs where it played alone since the last full series, else the full series'."""
    own = sorted(glob.glob(os.path.join(folder, f'run_*_{label}.json')))
    return own or sorted(path for path in glob.glob(os.path.join(folder, 'run_*.json'))
                         if not any(path.endswith(f'_{other}.json') for _, other in SERVERS))


def summarise(folder, play_seconds):
    summary = {'date': datetime.now(timezone.utc).strftime('%Y-%m-%d %H:%M UTC'), 'play_seconds': play_seconds,
               'servers': {}}
    for prefix, label in SERVERS:
        entries = []
        loads = []
        dates = []
        for path in server_files(folder, label):
            try:
                with open(path) as file:
                    data = json.load(file)
            except (OSError, ValueError):
                print(f'{os.path.basename(path)}: no results')
                continue
            context = data.get('context', {})
            loads.extend(context.get('load_avg', [])[:1])
            if context.get('date'):
                dates.append(context['date'][:16].replace('T', ' ') + ' UTC')
            entries.extend((os.path.basename(path), entry) for entry in data.get('benchmarks', [])
                           if entry['name'].startswith(prefix))
        measured = [(name, e) for name, e in entries if not e.get('error_occurred')]
        print(f'{label}: {len(measured)} runs measured of {len(entries)}')
        server = {'runs': len(entries), 'measured': len(measured), 'missed': [], 'load': span(loads),
                  'first_run': min(dates) if dates else None}
        summary['servers'][label] = server
        if not measured:
            continue
        worst = max(((abs(v), v, k, name) for name, e in measured for k, v in e.items()
                     if k.endswith('_offset_worst_ms')), default=None)
        if worst:
            server['worst_offset_ms'] = worst[1]
            print(f'  worst offset {worst[1]:.1f} ms ({worst[2]}, {worst[3]})')
        # Clicks a server's catch-up brought at once after it stood, left untimed.
        server['burst_clicks'] = sum(e.get('burst_clicks', 0) for _, e in measured)
        server['mean_offsets_ms'] = span([v for _, e in measured for k, v in e.items()
                                          if k.endswith('_offset_mean_ms')])
        server['missed'] = [[name, e.get('label', '')] for name, e in measured if e.get('targets_met') != 1.0]
        print(f'  runs that missed a target: {len(server["missed"])}')
        for name, why in server['missed']:
            print(f'    {name}: {why}')
        for key in ('pace_clock_heard_pct', 'pace_heard_pct'):
            server[key] = span([e[key] for _, e in measured if key in e])
            if server[key]:
                print(f'  {key}: {server[key][0]:.3f} to {server[key][1]:.3f}')
    with open(os.path.join(folder, 'summary.json'), 'w') as file:
        json.dump(summary, file, indent=1)


def main():
    build, runs = sys.argv[1], int(sys.argv[2])
    play_seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 60.0
    only = sys.argv[4] if len(sys.argv) > 4 else ''
    if only and only not in [label for _, label in SERVERS]:
        sys.exit(f'SERVER is one of {", ".join(label for _, label in SERVERS)}, not {only}')
    summarise(run_all(build, runs, play_seconds, only), play_seconds)


if __name__ == '__main__':
    main()
