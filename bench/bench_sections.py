"""The sections of docs/PERFORMANCE.md that show the measurements."""
import re
import statistics

from bench_parse import OBJECT_KINDS, PHASES, STARTING_PLAYBACK, find, frame_rows, ms, percentile, startup_seconds, audio_wait_seconds


def fmt(value, digits=1):
    if value is None:
        return 'n/a'
    return f'{value:,.{digits}f}'


def load_text(samples):
    if not samples:
        return 'n/a'
    return f'{statistics.median(samples):.2f} (max {max(samples):.2f})'


def verdict(reached):
    return 'n/a' if reached is None else ('**met**' if reached else '**missed**')


class Doc:
    def __init__(self):
        self.lines = []

    def add(self, *lines):
        self.lines.extend(lines)

    def table(self, header, rows):
        self.add('| ' + ' | '.join(header) + ' |', '|' + '|'.join('---' for _ in header) + '|')
        for row in rows:
            self.add('| ' + ' | '.join(str(cell) for cell in row) + ' |')
        self.add('')


def write_frames(doc, report):
    frame = report.get('frame')
    doc.add('## Frame time over the real timeline', '',
            f'`bench_frame`: the demo\'s window (1280 x 720, its multisampled back buffer), all 1,028 objects, the '
            f'real tracks of res/sync/, and {report["frame_samples"]} frames spread evenly over the whole of '
            'res/audio/melody.mp3 at its 60 fps frame numbers, after 4 warm-up frames. A frame is what the main '
            'loop does (events, Scene::render, swap) plus glFinish, on the wall clock. Bloom is forced off or on '
            'by replacing FX.EnableBloom\'s keys in memory; "as authored" keeps the track. **CPU side** is the '
            'main thread\'s own CPU time inside Scene::render: our track reads, uniform look-ups and draw '
            'submission, *and* whatever llvmpipe does on the calling thread (its vertex fetch and shading, line '
            'set-up and binning); time the thread spends blocked on the rasteriser threads is not in it.', '')
    rows = []
    for samples, _, bloom, entry in frame_rows(frame):
        rows.append([samples, bloom, fmt(entry['median_ms']), fmt(entry['p95_ms']), fmt(entry['p99_ms']),
                     fmt(entry['fps_median']), fmt(entry['cpu_side_median_ms'], 2),
                     f'{entry["cpu_side_share"] * 100:.0f} %', fmt(entry['draw_calls_mean'], 0)])
    if rows:
        doc.table(['MSAA', 'Bloom', 'Median ms', 'p95 ms', 'p99 ms', 'fps (median)', 'CPU side ms (median)',
                   'CPU side / frame', 'Draw calls (mean)'], rows)
        by_key = {(samples, key): entry for samples, key, _, entry in frame_rows(frame)}
        ratios = []
        for samples in (0, 4):
            if (samples, '0') in by_key and (samples, '1') in by_key:
                ratios.append(f'bloom on / off at MSAA {samples}: '
                              f'{by_key[(samples, "1")]["median_ms"] / by_key[(samples, "0")]["median_ms"]:.2f}')
        for key, label in (('0', 'off'), ('1', 'on')):
            if (0, key) in by_key and (4, key) in by_key:
                ratios.append(f'MSAA 4 / 0 with bloom {label}: '
                              f'{by_key[(4, key)]["median_ms"] / by_key[(0, key)]["median_ms"]:.2f}')
        doc.add('Ratios of the medians: ' + '; '.join(ratios) + '.', '')
    else:
        doc.add('bench_frame gave no results (see bench-results/bench_frame.log).', '')
    doc.add(f'Load average while it ran: {load_text(report["load"].get("frame"))}.', '')


def write_callgrind(doc, report, figures):
    grind = report.get('callgrind')
    doc.add('## Where the CPU-side time goes (callgrind)', '')
    if not grind or not grind['total']:
        doc.add('valgrind was not available or failed; no instruction counts.', '')
        return
    frames = grind['frames']
    total = grind['total']
    doc.add(f'`valgrind --tool=callgrind` on bench_frame (MSAA 4, bloom on), counting only inside Scene::render '
            f'of {frames} sampled frames on the main thread (client requests in bench_frame toggle the '
            'collection; the warm-up frames, where the driver compiles, are not counted). These are instruction '
            'counts, not times; the rasteriser threads are not in them. Per frame:', '')
    rows = [[label, fmt(cost / frames / 1e6, 2), f'{cost / total * 100:.1f} %']
            for label, cost in grind['objects'].items()]
    rows.append(['**all of Scene::render**', fmt(total / frames / 1e6, 2), '100 %'])
    doc.table(['Code run inside Scene::render', 'M instructions / frame', 'Share'], rows)
    functions = grind['functions']
    labels = [
        ('tracks', 'track reads: SyncDevice::getFloat (all reads go through it), with the hash look-up'),
        ('uniforms', 'uniform look-ups: Shader::getUniformLocation'),
        ('draws', 'glDrawElements of the objects (drawLines), driver work included'),
        ('grid', 'of the objects: the grid (64 x 64 cells, 16,384 lines, noise texture read per vertex)'),
        ('needles', 'of the objects: 512 needles'),
        ('flakes', 'of the objects: 512 flakes'),
        ('post', 'the post processor (its passes\' submission)'),
    ]
    rows = [[label, fmt(functions[key] / frames / 1e6, 3), f'{functions[key] / total * 100:.1f} %']
            for key, label in labels if key in functions]
    doc.table(['Inclusive cost of', 'M instructions / frame', 'Share'], rows)
    if figures.get('own_cpu') is not None:
        doc.add(f'Taking the CPU-side thread time above (MSAA 4, bloom on: {fmt(figures["cpu"], 2)} ms) in '
                f'proportion to instructions, the demo\'s own code accounts for about '
                f'{fmt(figures["own_cpu"], 2)} ms a frame ({figures["own_share"] * 100:.1f} %), the rest is '
                'llvmpipe doing the GPU\'s vertex work on the main thread.', '')


def write_startup(doc, report):
    runs = report.get('startup') or []
    doc.add('## Start-up and memory', '',
            'The real build/bin/morlenth in a temporary copy of Config.txt and res/, on the virtual screen, run '
            'under `strace -f --seccomp-bpf -e trace=execve,write,writev,recvmsg,poll` (only those calls stop the '
            'process) so that every line written to Log.txt, every call on the X connection and every frame put '
            'on the X screen (MIT-SHM ShmPutImage) has a time. **Start-up** = process start (execve) to the '
            'first main-loop frame on screen (its swap), less the wait for the audio device (the time up to the '
            'last "Waiting on track..." line, none when the device plays at once). Objects are built after '
            '"Starting playback!", before the main loop\'s first event poll (its first call on the X '
            'connection), and the first main-loop frame is the first that draws them. After three main-loop frames the demo '
            'gets SIGTERM, which it takes as a quit event. **Peak memory** is the largest resident set '
            '(getrusage maxrss of the run).', '')
    good = [run for run in runs if startup_seconds(run) is not None]
    if not good:
        doc.add('No start-up run could be measured (is strace installed?).', '')
    else:
        rows = []
        previous = 'exec'
        for mark, label in PHASES:
            values = [run['marks'][mark] - (run['exec'] if previous == 'exec' else run['marks'][previous])
                      for run in good if mark in run['marks'] and (previous == 'exec' or previous in run['marks'])]
            rows.append([label, f'"{mark}"', fmt(statistics.median(values) * 1000, 0) if values else 'n/a'])
            previous = mark
        first = [run['loop_frames'][0] - run['loop_start'] for run in good]
        rows.append(['the first main-loop frame: first event poll to its swap (its objects\' first draws)', '',
                     fmt(statistics.median(first) * 1000, 0)])
        building = [run['loop_start'] - run['marks'][STARTING_PLAYBACK] - audio_wait_seconds(run) for run in good]
        first_row = rows.pop()
        rows.append(['starting the music and building the 1,028 objects: "Starting playback!" to the first '
                     'event poll', '', fmt(statistics.median(building) * 1000, 0)])
        rows.append(first_row)
        rows.append(['**start-up**', '', f'**{fmt(statistics.median([startup_seconds(r) for r in good]) * 1000, 0)}**'])
        waits = [audio_wait_seconds(run) for run in good]
        rows.append(['not counted: the wait for the audio device to play', '', fmt(statistics.median(waits) * 1000, 0)])
        later = [run['loop_frames'][1] - run['loop_frames'][0] for run in good if len(run['loop_frames']) > 1]
        if later:
            rows.append(['for comparison: the second main-loop frame (swap to swap)', '',
                         fmt(statistics.median(later) * 1000, 0)])
        doc.table(['Phase (median of the runs)', 'Ends with the log line', 'ms'], rows)
        each = ', '.join(f'{startup_seconds(run):.3f}' for run in good)
        peaks = [run['peak_kib'] / 1024 for run in good]
        doc.add(f'Start-up of each run (s): {each}. Peak memory up to the third main-loop frame: '
                f'{fmt(statistics.median(peaks), 0)} MiB (median).', '')
    whole = report.get('whole')
    if whole and len(whole['loop_frames']) > 1:
        frames = whole['loop_frames']
        intervals = [(b - a) * 1000 for a, b in zip(frames, frames[1:])]
        doc.add(f'**The whole demo, once** (same set-up, played to its end): {whole["seconds"]:.1f} s, exit status '
                f'{whole["status"]}, peak memory {whole["peak_kib"] / 1024:.0f} MiB, {len(frames)} main-loop '
                f'frames: {figures_fps(frames):.1f} fps on average; frame interval median '
                f'{statistics.median(intervals):.0f} ms, p95 {percentile(intervals, 0.95):.0f} ms, '
                f'p99 {percentile(intervals, 0.99):.0f} ms, longest {max(intervals):.0f} ms.', '')
    doc.add(f'Load average while measured: start-up {load_text(report["load"].get("startup"))}, whole run '
            f'{load_text(report["load"].get("whole"))}.', '')


def figures_fps(frames):
    return (len(frames) - 1) / (frames[-1] - frames[0])


def write_clock(doc, report):
    doc.add('## The music clock', '',
            '`bench_audio` plays music on the dummy driver and reads Soundtrack::position() once per 60 Hz frame, '
            'as the main loop does; a line is fitted to (read time, position). Deviation is the distance of a read '
            'from that line; the 1 s figure fits each second of reads on its own, which leaves out the slow '
            'wander of the dummy device\'s own pace (SDL sleeps whole milliseconds per buffer and later when the '
            'machine is busy; the clock follows the device, as it must). Reads during which the thread was held '
            'up for over 0.5 ms are counted as slow and left out of the fit.', '')
    rows = []
    for key, label in (('clock', 'res/audio/melody.mp3, whole'), ('clock10', '3-minute test piece, 10 s')):
        entry = find(report.get(key), 'Clock')
        if entry is None:
            continue
        rows.append([label, fmt(entry['played_s'], 1), fmt(entry['reads'], 0), fmt(entry['largest_step_ms'], 1),
                     fmt(entry['median_deviation_ms'], 2), fmt(entry['p99_deviation_ms'], 2),
                     fmt(entry['worst_deviation_ms'], 2), fmt(entry['worst_1s_deviation_ms'], 2),
                     int(entry['backward_steps']), int(entry['still_steps']), int(entry['slow_reads']), fmt(entry['slope'], 4),
                     fmt(entry['device_buffer_ms'], 2)])
    doc.table(['Music', 'Played s', 'Reads', 'Largest step ms', 'Median dev. ms', 'p99 dev. ms', 'Worst dev. ms',
               'Worst within 1 s ms', 'Steps back', 'Steps standing still', 'Slow reads', 'Slope', 'Device buffer ms'], rows)
    doc.add('A read is 16.7 ms after the one before, so a step of about 17 ms is normal. "Steps back" counts reads '
            'earlier than the one before (0: the clock is monotonic); "standing still" counts reads equal to the '
            'one before: the clock never runs past what the device was handed, so it stands still when the '
            'device\'s thread has not run for a frame (a busy machine). The slope is '
            'the dummy device\'s pace against the wall clock (1 is true time).', '')


def write_micro(doc, report):
    doc.add('## Micro benchmarks', '', 'Medians of 5 repetitions (3 for the GL ones).', '')
    rows = []
    config = report.get('config')
    settings = find(config, r'^parseSettingsFile')
    if settings:
        rows.append(['bench_config', 'parse the 4-line Config.txt', f'{fmt(ms(settings) * 1000, 2)} µs'])
    for pattern, label in ((r'parseJunk/1048576/0', '1 MB of one long word'),
                           (r'parseJunk/1048576/1', '1 MB of near-entries'),
                           (r'parseJunk/10485760/0', '10 MB of one long word')):
        entry = find(config, pattern)
        if entry:
            rows.append(['bench_config', f'parse {label}', f'{fmt(ms(entry), 2)} ms '
                         f'({fmt(entry.get("bytes_per_second", 0) / 1e6, 0)} MB/s)'])
    tracks = report.get('tracks')
    value = find(tracks, r'TrackValue100Keys')
    if value:
        rows.append(['bench_tracks', 'one interpolated value, 100-key track', f'{fmt(ms(value) * 1e6, 1)} ns'])
    indexed = find(tracks, r'GetFloatFrame$')
    scan = find(tracks, r'GetFloatFrameByScan')
    if indexed:
        rows.append(['bench_tracks', f'a frame\'s {fmt(indexed["reads"], 0)} track reads by name, hash index',
                     f'{fmt(ms(indexed) * 1000, 1)} µs ({fmt(ms(indexed) * 1e6 / indexed["reads"], 1)} ns a read)'])
    if scan:
        rows.append(['bench_tracks', 'the same by scanning the names',
                     f'{fmt(ms(scan) * 1000, 1)} µs ({ms(scan) / ms(indexed):.1f} x the index)' if indexed
                     else f'{fmt(ms(scan) * 1000, 1)} µs'])
    audio = report.get('audio')
    load = find(audio, r'SoundtrackLoad3Minutes')
    decode = find(audio, r'DecodeWhole3Minutes')
    if load:
        rows.append(['bench_audio', 'load a 3-minute MP3 (scan, no decoding)', f'{fmt(ms(load), 2)} ms'])
    if decode:
        rows.append(['bench_audio', 'decode the same whole, for comparison',
                     f'{fmt(ms(decode), 0)} ms ({ms(decode) / ms(load):.0f} x the load)' if load
                     else f'{fmt(ms(decode), 0)} ms'])
    postfx = report.get('postfx')
    for samples in (0, 4):
        off = find(postfx, rf'msaa:{samples}/bloom:0')
        on = find(postfx, rf'msaa:{samples}/bloom:1')
        for entry, label in ((off, 'off'), (on, 'on')):
            if entry:
                rows.append(['bench_postfx', f'PostProcessor::apply 1280 x 720, MSAA {samples}, bloom {label}',
                             f'{fmt(ms(entry))} ms'])
        if off and on:
            rows.append(['bench_postfx', f'bloom on / off at MSAA {samples}', f'{ms(on) / ms(off):.2f}'])
    scene = report.get('scene')
    full = find(scene, r'SceneFrame/1/')
    empty = find(scene, r'SceneFrame/0/')
    if full:
        rows.append(['bench_scene', 'Scene::render + glFinish, every object shown, MSAA 4, bloom on',
                     f'{fmt(ms(full))} ms, CPU side {fmt(full["cpu_side_ms"], 2)} ms, {fmt(full["fps"])} fps'])
    if empty:
        rows.append(['bench_scene', 'the same with every object hidden (clear and post processing only)',
                     f'{fmt(ms(empty))} ms, CPU side {fmt(empty["cpu_side_ms"], 2)} ms'])
    if full and empty:
        rows.append(['bench_scene', 'the objects\' share of a full frame', f'{(1 - ms(empty) / ms(full)) * 100:.0f} %'])
    doc.table(['Program', 'What', 'Median'], rows)
    doc.add(f'Load average: config {load_text(report["load"].get("config"))}, tracks '
            f'{load_text(report["load"].get("tracks"))}, postfx {load_text(report["load"].get("postfx"))}, scene '
            f'{load_text(report["load"].get("scene"))}.', '')
