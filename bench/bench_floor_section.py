"""The section of docs/PERFORMANCE.md that sets the real frame against the renderer's floor."""
from bench_parse import frame_rows
from bench_sections import fmt, load_text


def write_floor(doc, report):
    frame = report.get('frame')
    real = {samples: entry for samples, key, _, entry in frame_rows(frame) if key == '1'}
    floor = {samples: entry for samples, key, _, entry in frame_rows(frame, 'BM_FloorFrame') if key == '1'}
    doc.add('## The renderer\'s floor', '',
            '`bench_frame`\'s BM_FloorFrame draws the same frames as above with trivial shaders '
            '(bench/floor/shaders: every object\'s vertices fetched and clipped away, every post pass a constant '
            'without texture reads): the same frame buffers, passes, clears, draw calls and uniform traffic, so it '
            'is what the fixed design costs on this machine before any line is drawn or any pixel shaded. The '
            'ratio of the real frame to it shows how close the demo comes to that limit. Medians of one run, '
            'bloom on.', '')
    rows = []
    for samples in sorted(set(real) & set(floor)):
        ours, least = real[samples], floor[samples]
        rows.append([samples, fmt(ours['median_ms']), fmt(least['median_ms']),
                     f'{ours["median_ms"] / least["median_ms"]:.2f}', fmt(ours['cpu_side_median_ms'], 2),
                     fmt(least['cpu_side_median_ms'], 2)])
    if rows:
        doc.table(['MSAA', 'Real frame ms', 'Floor frame ms', 'Real / floor', 'Real CPU side ms',
                   'Floor CPU side ms'], rows)
    else:
        doc.add('bench_frame gave no floor results (see bench-results/bench_frame.log).', '')
    doc.add(f'Load average while it ran: {load_text(report["load"].get("frame"))}.', '')
