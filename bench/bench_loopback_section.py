"""The section of docs/PERFORMANCE.md on the music's clock against what a sound server plays."""
from bench_sections import fmt, load_text

SERVERS = (('BM_LoopbackPulseAudio', 'PulseAudio 16 (null sink)'),
           ('BM_LoopbackPipeWire', 'PipeWire 0.3 with its PulseAudio service (null sink)'))
PHASES = (('cold', 'first stream on an idle sink'), ('play', 'play, sink running (60 s)'),
          ('resume', 'resume after a 1 s pause'), ('seek', 'seek 2 s ahead'),
          ('reopen', 'device reopened (1,024-frame buffer)'))


def find_server(loopback, prefix):
    for name, entry in (loopback or {}).items():
        if name.startswith(prefix):
            return entry
    return None


def write_loopback(doc, report):
    loopback = report.get('loopback')
    doc.add('## The music clock on a sound server', '',
            '`bench_loopback` starts a private server with a null sink (tools/sound_server.sh), plays a click every '
            'half second through the back-end and records the sink\'s monitor with the server\'s own recorder (parec), '
            'timed against an SDL capture in the same process (docs/audio.md, Sound servers, says how each figure '
            'is taken). Offset: the time the clock '
            'reached a click minus the time it was heard; positive means the picture follows the sound. Start: '
            'from the call (play, resume, seek, reopen) to the first heard sample of the new run, and to the '
            'clock\'s first move. Targets: offsets within ±10 ms (worst ±20 ms), start under 50 ms on a running '
            'sink, the clock\'s pace within 0.1 % of the heard sound\'s over 60 s, the seek\'s sample heard first within one buffer, and no mean offset '
            'below -1 ms: the picture never moves before the sound (a miss of it reads PHASE_picture_leads).', '')
    for prefix, label in SERVERS:
        entry = find_server(loopback, prefix)
        if entry is None:
            doc.add(f'**{label}**: not run (see bench-results/bench_loopback.log).', '')
            continue
        if entry.get('error_occurred'):
            doc.add(f'**{label}**: not measured: {entry.get("error_message")}', '')
            continue
        doc.add(f'**{label}**: {entry.get("label", "")}. Opening the device on the idle sink waited '
                f'{fmt(entry.get("cold_device_open_ms"), 1)} ms for it. Device buffer '
                f'{fmt(entry.get("device_buffer_ms"), 2)} ms; '
                f'the recorder\'s latency against SDL\'s capture of 64 frames: '
                f'{fmt(entry.get("capture_latency_ms"), 2)} ms. Pace over 60 s: the clock against the '
                f'heard sound {fmt(entry.get("pace_clock_heard_pct"), 3)} % (the target); against the counter, the '
                f'clock {fmt(entry.get("pace_clock_pct"), 3)} % and the server '
                f'{fmt(entry.get("pace_heard_pct"), 3)} % (information). '
                f'The seek\'s first heard sample: {fmt(entry.get("seek_sample_error_frames"), 0)} frames from its '
                'own.', '')
        rows = []
        for key, what in PHASES:
            rows.append([what, fmt(entry.get(f'{key}_start_heard_ms'), 1), fmt(entry.get(f'{key}_start_clock_ms'), 1),
                         fmt(entry.get(f'{key}_offset_mean_ms'), 1), fmt(entry.get(f'{key}_offset_worst_ms'), 1),
                         fmt(entry.get(f'{key}_clicks'), 0)])
        doc.table(['Phase', 'First heard ms', 'Clock moves ms', 'Offset mean ms', 'Offset worst ms', 'Clicks'], rows)
    doc.add(f'Load average while it ran: {load_text(report["load"].get("loopback"))}.', '')
    write_faults(doc, report)
    write_runs(doc, report)


FAULTS = (('stall200', 'server stopped 200 ms'), ('stall1000', 'server stopped 1 s'),
          ('underrun50', 'stream starved 50 ms'), ('underrun300', 'stream starved 300 ms'),
          ('slowcallback', 'one callback of 30 ms'), ('clientstall1000', 'player stopped 1 s (no target)'))


def write_faults(doc, report):
    faults = report.get('faults')
    doc.add('### Faults', '',
            '`bench_loopback_faults` plays a click every 50 ms on a new server and, 10 s apart, stops the server '
            '(SIGSTOP), starves the stream by holding the device\'s lock, and makes one callback take 30 ms; last, for '
            'comparison, it stops its own process. Lead: '
            'the largest distance the clock was ahead of the sound when a click was heard, during the fault and '
            'in the 10 s after (positive: the picture leads); through a stopped server also how far the clock ran '
            'while the sound stood, less how far it followed the sound before. Clicks that a stopped null sink '
            'renders at once when it resumes are not timed (Burst: how many). Recovery: from the end of the fault '
            'until the offset is within 10 ms of its level before and stays there for a second (to the click, '
            '50 ms). After: the mean offset over the 10 s after (positive: the picture follows). Targets: a lead of '
            'at most 17 ms, recovered within 1 s.', '')
    rows = []
    for prefix, label in (('BM_LoopbackFaults/PulseAudio', 'PulseAudio'), ('BM_LoopbackFaults/PipeWire', 'PipeWire')):
        entry = find_server(faults, prefix)
        if entry is None or entry.get('error_occurred'):
            why = entry.get('error_message') if entry else 'not run (see bench-results/bench_loopback_faults.log)'
            rows.append([label, why, '', '', '', ''])
            continue
        for key, what in FAULTS:
            rows.append([label, what, fmt(entry.get(f'{key}_lead_ms'), 1), fmt(entry.get(f'{key}_recovery_ms'), 0),
                         fmt(entry.get(f'{key}_after_mean_ms'), 1),
                         '' if entry.get(f'{key}_burst_clicks') is None else fmt(entry[f'{key}_burst_clicks'], 0)])
    doc.table(['Server', 'Fault', 'Lead ms', 'Recovery ms', 'After mean ms', 'Burst'], rows)
    doc.add(f'Load average while it ran: {load_text(report["load"].get("faults"))}.', '')


def write_runs(doc, report):
    runs = report.get('loopback_runs')
    doc.add('### Runs in a row', '')
    if not runs:
        doc.add('Not run: `make bench-loopback RUNS=20` plays the plain benchmark 20 times on each server (about '
                '55 minutes) and leaves its summary for this page.', '')
        return
    count = max((server.get('runs', 0) for server in runs.get('servers', {}).values()), default=0)
    doc.add(f'`make bench-loopback RUNS={count}` played the plain benchmark {count} times in a row on each server, '
            f'each with a {fmt(runs.get("play_seconds"), 0)} s play phase (`SERVER=` replays one server\'s series '
            'alone). Worst offset: the largest over every phase of every run. The pace target '
            'judges the clock against the heard sound; the server\'s own pace against the counter is information. '
            'Untimed clicks: those a server rendered at once after it stood for a moment, heard at no one '
            'moment, left out of the offsets.',
            '')
    for label, server in runs.get('servers', {}).items():
        load = server.get('load') or runs.get('load')
        load_note = f', load average {load[0]:.2f} to {load[1]:.2f} as each run began' if load else ''
        doc.add(f'- {label}: from {server.get("first_run") or runs.get("date")}{load_note}.')
    doc.add('')
    rows = []
    for label, server in runs.get('servers', {}).items():
        def between(key, digits, sign=''):
            values = server.get(key)
            return f'{values[0]:{sign}.{digits}f} to {values[1]:{sign}.{digits}f}' if values else ''
        rows.append([label, f'{server.get("measured", 0)} of {server.get("runs", 0)}', str(len(server.get('missed', []))),
                     fmt(server.get('worst_offset_ms'), 1), between('mean_offsets_ms', 1),
                     between('pace_clock_heard_pct', 3, '+'), between('pace_heard_pct', 2, '+'),
                     '' if server.get('burst_clicks') is None else fmt(server['burst_clicks'], 0)])
    doc.table(['Server', 'Runs measured', 'Missed a target', 'Worst offset ms', 'Mean offsets ms',
               'Clock against sound %', 'Server against counter %', 'Untimed clicks'], rows)
    for label, server in runs.get('servers', {}).items():
        for name, why in server.get('missed', []):
            doc.add(f'- {label}, {name}: {why}')
    doc.add('')
