"""The studio's section of docs/PERFORMANCE.md, from bench_studio."""
from bench_parse import find, ms
from bench_sections import fmt, load_text, verdict

TARGET_OVERLAY_MS = 1.0
TARGET_RELOAD_MS = 20.0
TARGET_EDIT_MS = 5.0
TARGET_LANES_MS = 0.3
TARGET_ANALYSIS_MS = 300.0
TARGET_RECALL_PCT = 90.0
TARGET_PRECISION_PCT = 80.0


def write_studio(doc, report):
    studio = report.get('studio')
    doc.add('## The studio', '')
    if not studio:
        doc.add('bench_studio gave no results (see bench-results/bench_studio.log).', '')
        return
    reload = find(studio, r'^TimelineReload')
    whole = find(studio, r'^OverlayFrame/part:0/')
    panels = find(studio, r'^OverlayFrame/part:1/')
    hand_over = find(studio, r'^OverlayFrame/part:2/')
    seek = find(studio, r'^SeekLatency')
    edit = find(studio, r'^EditToText')
    analysis = find(studio, r'^MusicAnalysis')
    doc.add('`bench_studio` runs the studio itself on the repository\'s Config.txt (1280 x 720, MSAA 4, every '
            'object) from the first main part, paused. The overlay\'s time is the main thread\'s own CPU time '
            'for one overlay frame, after the scene\'s frame is finished; on llvmpipe the hand-over of its draw '
            'lists to the GL includes the driver\'s vertex work on that thread, which a GPU does itself. Seek '
            'latency runs from a key that moves one bar to the end of the first frame drawn at the new row '
            '(swap and glFinish included). The overlay is timed with the dope sheet and the curves of four '
            'tracks shown and the music\'s lanes under the curves. An edit is a dope sheet nudge of one key of demo.timeline (1,245 lines), written to '
            'a copy beside the benchmark, on the disk the build lives on.', '')
    rows = []
    if reload:
        rows.append([f'Timeline reload under {TARGET_RELOAD_MS:g} ms (parse of res/sync/demo.timeline, '
                     f'{fmt(reload.get("tracks"), 0)} tracks built and swapped in)', f'{fmt(ms(reload), 2)} ms',
                     verdict(ms(reload) < TARGET_RELOAD_MS)])
    if whole and panels and hand_over:
        rows.append([f'Overlay CPU time under {TARGET_OVERLAY_MS:g} ms a frame: its panels (ImGui\'s layout)',
                     f'{fmt(ms(panels), 2)} ms', verdict(ms(panels) < TARGET_OVERLAY_MS)])
        rows.append(['... with the hand-over to the GL (llvmpipe\'s vertex work included)',
                     f'{fmt(ms(whole), 2)} ms (hand-over alone {fmt(ms(hand_over), 2)} ms)',
                     verdict(ms(whole) < TARGET_OVERLAY_MS)])
    if whole and panels and whole.get('picture_ms'):
        rows.append(['Overlay CPU time against the picture\'s frame time (scene rendered and finished)',
                     f'{fmt(ms(whole) / whole["picture_ms"] * 100.0, 2)} % ({fmt(ms(whole), 2)} ms of '
                     f'{fmt(whole["picture_ms"], 1)} ms)', '-'])
    if edit:
        text = edit.get('text_ms') or 0.0
        unsynced = edit.get('write_nosync_ms') or 0.0
        synced = edit.get('write_ms') or 0.0
        rows.append([f'From an edit key to the written text under {TARGET_EDIT_MS:g} ms, without the fsyncs '
                     '(the file read and compared, the edit applied and parsed, the bytes written and renamed)',
                     f'{fmt(text + unsynced, 2)} ms ({fmt(text, 2)} ms to the text, {fmt(unsynced, 2)} ms to '
                     'write it)', verdict(text + unsynced < TARGET_EDIT_MS)])
        rows.append(['... the write with its fsyncs (file and folder), reported apart',
                     f'{fmt(synced, 2)} ms, {fmt(text + synced, 2)} ms in all; then the compile and swap '
                     f'{fmt(edit.get("swap_ms"), 2)} ms', '-'])
        frames = edit.get('frames_to_show')
        rows.append(['From an edit to the first frame that shows it: one frame', f'{fmt(frames, 0)} frame',
                     verdict(frames is not None and frames <= 1.0)])
    if seek:
        frames = seek.get('frames_to_new_row')
        rows.append(['Seek latency under one frame: the first frame after the key shows the new row',
                     f'{fmt(ms(seek))} ms, {fmt(frames, 0)} frame; a frame without a seek '
                     f'{fmt(seek.get("plain_frame_ms"))} ms', verdict(frames is not None and frames <= 1.0)])
    lanes = find(studio, r'^MusicLanes')
    if lanes:
        extra = lanes.get('lanes_ms')
        rows.append([f'The music\'s lanes (waveform and events) under {TARGET_LANES_MS:g} ms a frame more than the '
                     'overlay without them, frames taken in turn in one run',
                     f'{fmt(extra, 3)} ms more ({fmt(lanes.get("with_ms"), 2)} ms against '
                     f'{fmt(lanes.get("without_ms"), 2)} ms, ratio {fmt(lanes.get("ratio"), 3)}; ImGui\'s layout '
                     f'{fmt(lanes.get("lanes_layout_ms"), 3)} ms of it, the rest llvmpipe\'s vertex work)',
                     verdict(None if extra is None else extra < TARGET_LANES_MS)])
    if analysis:
        rows.append([f'Music analysis at start under {TARGET_ANALYSIS_MS:g} ms, off the main thread (decode of the '
                     '157 s piece, waveform pyramid, onsets)',
                     f'{fmt(ms(analysis))} ms (decode {fmt(analysis.get("decode_ms"))} ms, pyramid '
                     f'{fmt(analysis.get("pyramid_ms"))} ms, onsets {fmt(analysis.get("onsets_ms"))} ms)',
                     verdict(ms(analysis) < TARGET_ANALYSIS_MS)])
        recall = analysis.get('onset_recall_pct')
        precision = analysis.get('onset_precision_pct')
        rows.append([f'Onset finding on melody.events\' drum lanes: recall ≥ {TARGET_RECALL_PCT:g} % and precision '
                     f'≥ {TARGET_PRECISION_PCT:g} % within ±1 row',
                     f'recall {fmt(recall)} %, precision {fmt(precision)} % ({fmt(analysis.get("onsets_found"), 0)} '
                     f'onsets, {fmt(analysis.get("drum_rows"), 0)} drum rows)',
                     verdict(None if recall is None or precision is None else
                             recall >= TARGET_RECALL_PCT and precision >= TARGET_PRECISION_PCT)])
    doc.table(['Target', 'Measured', 'Result'], rows)
    doc.add(f'Load average: {load_text((report.get("load") or {}).get("studio"))}.', '')
