"""Reads the raw results of run_benchmarks.py: straces of the demo, callgrind profiles, benchmark JSON."""
import collections
import re
import statistics

TRACE_LINE = re.compile(r'^(\d+)\s+(\d\d):(\d\d):(\d\d\.\d+)\s+(.*)$')
LOG_WRITE = re.compile(r'^write\(\d+<[^>]*/Log\.txt>, "((?:[^"\\]|\\.)*)"')
# MIT-SHM's ShmPutImage (an extension's major opcode, minor 3, 10 words): the
# swap of a frame onto the X server's screen.
SHM_PUT_IMAGE = re.compile(r'^writev\(\d+<socket:\[\d+\]>, \[\{iov_base="\\[23][0-7][0-7]\\3\\n\\0')
# The core protocol's PutImage (opcode 72, "H"), should the server lack MIT-SHM.
PUT_IMAGE = re.compile(r'^writev\(\d+<socket:\[\d+\]>, \[\{iov_base="H\\2')

# Any call of the main thread on its X connection: after "Starting playback!" the
# first one is the main loop's first event poll.
X_CALL = re.compile(r'^(?:writev|recvmsg|poll)\(.*socket:\[')

# Log lines that end each start-up phase, in order.
PHASES = [
    ('Initializing Engine', 'process start, dynamic loading, SDL_Init'),
    ('Initialized window', 'Config.txt, window and GL context'),
    ('Sucessfully built soundtrack', 'GLEW, audio device, track store, MP3 scan'),
    ('Warming renders...!', 'scene: shaders, frame buffers, post processor, swarm data'),
    ('Starting playback!', 'the warm-up frame (the driver compiles its shader variants)'),
]
STARTING_PLAYBACK = 'Starting playback!'
WAITING = 'Waiting on track...'

TARGET_STARTUP_S = 0.5
TARGET_CPU_MS = 2.0
TARGET_CLOCK_MS = 2.0
TARGET_FPS = 30.0


def seconds_of(hours, minutes, seconds):
    return int(hours) * 3600 + int(minutes) * 60 + float(seconds)


def parse_trace(text):
    """Times (seconds of the day) of the demo's exec, log lines and frame swaps in an strace log."""
    pid = None
    parsed = {'marks': {}, 'waits': [], 'swaps': [], 'loop_frames': [], 'loop_start': None}
    for line in text.splitlines():
        match = TRACE_LINE.match(line)
        if match is None:
            continue
        thread, call = int(match.group(1)), match.group(5)
        when = seconds_of(match.group(2), match.group(3), match.group(4))
        if pid is not None and when < parsed['exec']:
            when += 24 * 3600  # past midnight
        if pid is None:
            if call.startswith('execve(') and call.rstrip().endswith('= 0'):
                pid = thread
                parsed['pid'] = pid
                parsed['exec'] = when
            continue
        if thread != pid:
            continue
        log = LOG_WRITE.match(call)
        if log:
            message = log.group(1)
            if message.startswith(WAITING):
                parsed['waits'].append(when)
            for mark, _ in PHASES:
                if message.startswith(mark) and mark not in parsed['marks']:
                    parsed['marks'][mark] = when
        elif SHM_PUT_IMAGE.match(call) or PUT_IMAGE.match(call):
            parsed['swaps'].append(when)
            if STARTING_PLAYBACK in parsed['marks']:
                parsed['loop_frames'].append(when)
        if X_CALL.match(call) and STARTING_PLAYBACK in parsed['marks'] and parsed['loop_start'] is None:
            parsed['loop_start'] = when
    return parsed if pid is not None else None


def audio_wait_seconds(parsed):
    """The wait for the audio device: "Starting playback!" to the last "Waiting on track..." line
    (each comes after one more wait); none when the device plays at once."""
    if not parsed['waits']:
        return 0.0
    return parsed['waits'][-1] - parsed['marks'][STARTING_PLAYBACK]


def startup_seconds(parsed):
    """Process start to the first main-loop frame on screen, less the wait for the audio device.
    Building the objects after "Starting playback!" counts: the main loop cannot start before it."""
    if STARTING_PLAYBACK not in parsed['marks'] or not parsed['loop_frames'] or parsed['loop_start'] is None:
        return None
    return parsed['loop_frames'][0] - parsed['exec'] - audio_wait_seconds(parsed)


def self_cost_by_object(path):
    """Instructions spent in each ELF object's own code (callgrind's exclusive cost)."""
    names = {}
    current = '?'
    totals = collections.Counter()
    skip_call_cost = False
    with open(path, errors='replace') as f:
        for line in f:
            if skip_call_cost:
                skip_call_cost = False
                continue
            if line.startswith('cob='):
                match = re.match(r'cob=\((\d+)\) (.*)', line.strip())
                if match:
                    names[match.group(1)] = match.group(2)
            elif line.startswith('ob='):
                match = re.match(r'ob=\((\d+)\)(?: (.*))?', line.strip())
                if match:
                    if match.group(2):
                        names[match.group(1)] = match.group(2)
                    current = names.get(match.group(1), '?')
                else:
                    current = line[3:].strip()
            elif line.startswith('calls='):
                skip_call_cost = True
            elif line[:1].isdigit() or line[:1] in '+-*':
                fields = line.split()
                if len(fields) >= 2 and fields[1].isdigit():
                    totals[current] += int(fields[1])
    return totals


OBJECT_KINDS = [
    ('bench_frame', 'the demo\'s own code (morlenth_core, glm inlined)'),
    ('???', 'llvmpipe\'s compiled shaders (JIT: vertex fetch and shading)'),
    ('swrast_dri.so', 'Mesa and llvmpipe (GL state, validation, line set-up, binning)'),
    ('libc.so', 'libc (mostly memcpy called from the JIT code)'),
]
FUNCTIONS = {
    'render': 'Scene::render(float)',
    'tracks': 'SyncDevice::getFloat(char const*)',
    'uniforms': 'Shader::getUniformLocation(char const*)',
    'draws': 'drawLines(int)',
    'grid': 'GridObject::render(float)',
    'needles': 'NeedleObject::render(float)',
    'flakes': 'FlakeObject::render(float)',
    'post': 'PostProcessor::apply(FrameBuffer&)',
}


def callgrind_summary(path, annotated, frames):
    by_object = self_cost_by_object(path)
    kinds = collections.OrderedDict((label, 0) for _, label in OBJECT_KINDS)
    kinds['other libraries'] = 0
    for name, cost in by_object.items():
        label = next((label for key, label in OBJECT_KINDS if key in name), 'other libraries')
        kinds[label] += cost
    functions = {}
    for line in annotated.splitlines():
        match = re.match(r'^\s*([\d,]+) \([^)]*\)\s+\S*?:(.+?) \[', line)
        if match:
            for key, name in FUNCTIONS.items():
                if match.group(2) == name and key not in functions:
                    functions[key] = int(match.group(1).replace(',', ''))
    return {'frames': frames, 'objects': dict(kinds), 'functions': functions,
            'total': sum(by_object.values())}


def find(entries, pattern):
    for name, entry in (entries or {}).items():
        if re.search(pattern, name):
            return entry
    return None


UNIT_MS = {'ns': 1e-6, 'us': 1e-3, 'ms': 1.0, 's': 1000.0}


def ms(entry):
    return entry['real_time'] * UNIT_MS[entry.get('time_unit', 'ns')]


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * (len(ordered) - 1) + 0.5))]


def frame_rows(frame, benchmark='BM_DemoFrame'):
    rows = []
    for name, entry in (frame or {}).items():
        match = re.search(r'msaa:(-?\d+)/bloom:(-?\d+)', name)
        if not match or not name.startswith(benchmark + '/'):
            continue
        bloom = {'0': 'off', '1': 'on', '-1': 'as authored'}[match.group(2)]
        rows.append((int(match.group(1)), match.group(2), bloom, entry))
    rows.sort(key=lambda row: (row[0], row[1] == '-1', row[1]))
    return rows


def summary(report):
    """The headline figures and whether each target is met."""
    frame = report.get('frame') or {}
    target = find(frame, r'^BM_DemoFrame/msaa:4/bloom:1/')
    startups = [startup_seconds(run) for run in report.get('startup') or []]
    startups = [value for value in startups if value is not None]
    clock = find(report.get('clock'), 'ClockWholeMusic')
    whole = report.get('whole')
    figures = {
        'startup': statistics.median(startups) if startups else None,
        'cpu': target['cpu_side_median_ms'] if target else None,
        'frame_ms': target['median_ms'] if target else None,
        'fps': target['fps_median'] if target else None,
        'clock': clock['worst_deviation_ms'] if clock else None,
        'clock_local': clock['worst_1s_deviation_ms'] if clock else None,
        'own_cpu': None,
        'whole_fps': None,
    }
    grind = report.get('callgrind')
    if grind and target and grind['total']:
        own = grind['objects'].get(OBJECT_KINDS[0][1], 0)
        figures['own_share'] = own / grind['total']
        figures['own_cpu'] = figures['own_share'] * target['cpu_side_median_ms']
    if whole and len(whole['loop_frames']) > 1:
        frames = whole['loop_frames']
        figures['whole_fps'] = (len(frames) - 1) / (frames[-1] - frames[0])
    return figures


def met(value, limit, below=True):
    if value is None:
        return None
    return value < limit if below else value >= limit
