# Two commands set everything up on a fresh Debian machine:
#   make run    install, build and play the demo
#   make test   install, build and run every test headlessly
.PHONY: deps build build-demo run test test-sanitize fuzz memcheck music bench clean

# Every recipe runs from the repository root, wherever make was started.
ROOT := $(patsubst %/,%,$(dir $(abspath $(lastword $(MAKEFILE_LIST)))))
BUILD_DIR ?= build
BUILD_PATH := $(if $(filter /%,$(BUILD_DIR)),$(BUILD_DIR),$(ROOT)/$(BUILD_DIR))
JOBS ?= $(shell nproc)
# A virtual screen of its own, for the tests and benchmarks.
XVFB := $(ROOT)/tools/on_display.sh --virtual

DEB_PACKAGES := build-essential cmake pkg-config libsdl2-dev libglew-dev libglu1-mesa-dev \
	libglm-dev libstb-dev libmpg123-dev lame libgtest-dev libgmock-dev libbenchmark-dev \
	xvfb xauth xdotool libgl1-mesa-dri mesa-utils sox clang libclang-rt-14-dev valgrind python3 strace \
	libimgui-dev libpulse-dev pulseaudio pulseaudio-utils ffmpeg \
	g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

CONFIGURE := cmake -S $(ROOT) -B $(BUILD_PATH) -DCMAKE_BUILD_TYPE=Release

# The checked builds compile only the library and what they run, at -O1 with line
# numbers, so that their reports are readable and CI's build stays short.
LEAN := -DMORLENTH_BENCH=OFF -DMORLENTH_TOOLS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	"-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g"
SANITIZE_PATH := $(ROOT)/build-asan
SANITIZE_E2E_PATH := $(ROOT)/build-asan-e2e
SANITIZERS := -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
	UBSAN_OPTIONS=print_stacktrace=1
FUZZ_PATH := $(ROOT)/build-fuzz
FUZZ_SECONDS ?= 60
# Each target with its seed corpus under fuzz/corpus/.
FUZZ_RUNS := fuzz_config:config fuzz_track_file:track fuzz_mp3_stream:mp3 fuzz_timeline:timeline \
	fuzz_timeline_edit:timeline_edit fuzz_studio_input:studio
MEMCHECK_PATH := $(ROOT)/build-memcheck
VALGRIND := valgrind --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect \
	--errors-for-leak-kinds=definite,indirect

# Installs whichever of the packages named are not installed yet.
define install_missing
	@missing=$$(for p in $(1); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
		echo "Installing:" $$missing; \
		$(SUDO) apt-get update -qq && \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install_missing,$(DEB_PACKAGES))

# PipeWire with its PulseAudio service, its session manager and the session bus
# that wants: the loopback benchmark's second server. Only the benchmarks need
# it, so only they install it.
PIPEWIRE_PACKAGES := pipewire pipewire-pulse wireplumber dbus-daemon
.PHONY: pipewire-deps
pipewire-deps: deps
	$(call install_missing,$(PIPEWIRE_PACKAGES))

build: deps
	$(CONFIGURE)
	cmake --build $(BUILD_PATH) -j $(JOBS)

# The demo alone, without the tests, tools and benchmarks.
build-demo: deps
	$(CONFIGURE)
	cmake --build $(BUILD_PATH) -j $(JOBS) --target morlenth

# Without a display the demo still plays through, on a virtual screen and a silent audio driver.
run: build-demo
	@cd $(ROOT) && $(ROOT)/tools/on_display.sh $(BUILD_PATH)/bin/morlenth

.PHONY: package

# The player as build/morlenth-VERSION-Linux.tar.gz, which runs where it is
# unpacked, and build/morlenth_VERSION_amd64.deb, which installs it under /usr
# with the launcher packaging/morlenth in /usr/games (docs/packaging.md). The
# .deb's dependencies come from the libraries the program links, read by
# dpkg-shlibdeps with file; rsvg-convert renders the icon's bitmaps; lintian,
# desktop-file-validate, appstreamcli and man check the package in its tests.
# cpack gives the files it writes itself the umask's mode, so it packs under a
# fixed one: the same commit gives the same bytes.
DEB_PACKAGES += dpkg-dev file librsvg2-bin lintian desktop-file-utils appstream man-db
package: build-demo
	cmake --build $(BUILD_PATH) -j $(JOBS) --target morlenth_package_files
	cd $(BUILD_PATH) && umask 022 && cpack

# The player and capture for 64-bit Windows, cross-built with Debian's MinGW-w64
# against SDL2, GLEW and mpg123 built from Debian's own sources (once, into a
# cache under ~/.cache shared by every clone), packed as
# build-windows/morlenth-VERSION-win64.zip (docs/windows.md).
.PHONY: windows
WINDOWS_PATH := $(ROOT)/build-windows
windows: deps
	@set -e; prefix=$$($(ROOT)/tools/windows/build_deps.sh | tail -n 1); \
	cmake -S $(ROOT) -B $(WINDOWS_PATH) -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_TOOLCHAIN_FILE=$(ROOT)/tools/windows/toolchain-mingw64.cmake -DMORLENTH_WINDOWS_DEPS=$$prefix \
		-DMORLENTH_TESTS=OFF -DMORLENTH_BENCH=OFF; \
	cmake --build $(WINDOWS_PATH) -j $(JOBS)

# ctest ends with its summary and fails when a test fails; xvfb-run passes that on.
# The Windows build comes first: its tests run it under Wine.
test: build windows
	SDL_AUDIODRIVER=dummy $(XVFB) ctest --test-dir $(BUILD_PATH) --output-on-failure -j $(JOBS)
	$(MAKE) -f $(ROOT)/Makefile test-sanitize

# The tests that need no GL, under AddressSanitizer and UndefinedBehaviorSanitizer;
# then the bad-input runs of the real program, built with both. The GL driver's own
# allocations outlive it, so leaks are looked for in the unit tests only (and by
# make memcheck).
test-sanitize: deps
	cmake -S $(ROOT) -B $(SANITIZE_PATH) $(LEAN) -DMORLENTH_GL=OFF \
		"-DCMAKE_CXX_FLAGS=$(SANITIZERS)" "-DCMAKE_C_FLAGS=$(SANITIZERS)"
	cmake --build $(SANITIZE_PATH) -j $(JOBS)
	SDL_AUDIODRIVER=dummy $(SANITIZER_ENV) ctest --test-dir $(SANITIZE_PATH) -L unit --output-on-failure -j $(JOBS)
	cmake -S $(ROOT) -B $(SANITIZE_E2E_PATH) $(LEAN) \
		"-DCMAKE_CXX_FLAGS=$(SANITIZERS)" "-DCMAKE_C_FLAGS=$(SANITIZERS)"
	cmake --build $(SANITIZE_E2E_PATH) -j $(JOBS) --target morlenth e2e_test_bad_inputs
	SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
		$(XVFB) ctest --test-dir $(SANITIZE_E2E_PATH) -R BadInputRun --output-on-failure -j $(JOBS)

# Every libFuzzer target for FUZZ_SECONDS on a scratch copy of its seed corpus;
# findings land in build-fuzz/artifacts.
fuzz: deps
	cmake -S $(ROOT) -B $(FUZZ_PATH) $(LEAN) -DMORLENTH_TESTS=OFF -DMORLENTH_FUZZ=ON -DMORLENTH_TOOLS=ON \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		"-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
	cmake --build $(FUZZ_PATH) -j $(JOBS) --target $(foreach run,$(FUZZ_RUNS),$(firstword $(subst :, ,$(run))))
	@set -e; mkdir -p $(FUZZ_PATH)/artifacts; \
	for run in $(FUZZ_RUNS); do \
		target=$${run%%:*}; corpus=$${run#*:}; work=$(FUZZ_PATH)/corpus/$$corpus; \
		rm -rf $$work; mkdir -p $$work; cp $(ROOT)/fuzz/corpus/$$corpus/* $$work/; \
		echo "$$target: $(FUZZ_SECONDS) s from fuzz/corpus/$$corpus"; \
		if ! $(FUZZ_PATH)/bin/$$target -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
			-print_final_stats=1 -artifact_prefix=$(FUZZ_PATH)/artifacts/$$target- $$work \
			> $(FUZZ_PATH)/$$target.log 2>&1; then \
			tail -n 60 $(FUZZ_PATH)/$$target.log; exit 1; \
		fi; \
		grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' $(FUZZ_PATH)/$$target.log; \
	done

# The tests that need no GL under valgrind's memcheck, a report each in
# build-memcheck/reports/; not part of make test.
memcheck: deps
	cmake -S $(ROOT) -B $(MEMCHECK_PATH) $(LEAN) -DMORLENTH_GL=OFF
	cmake --build $(MEMCHECK_PATH) -j $(JOBS)
	@status=0; mkdir -p $(MEMCHECK_PATH)/reports; for t in $(MEMCHECK_PATH)/bin/unit_*; do \
		report=$(MEMCHECK_PATH)/reports/$$(basename $$t).txt; \
		if SDL_AUDIODRIVER=dummy $(VALGRIND) $$t --gtest_brief=1 > $$report 2>&1; then \
			echo "$$(basename $$t): $$(grep -E 'ERROR SUMMARY' $$report | tail -n 1 | sed 's/^==[0-9]*== //')"; \
		else \
			status=1; echo "$$(basename $$t): FAILED"; grep -E '^==[0-9]+==' $$report | tail -n 60; \
		fi; \
	done; exit $$status

# Renders the music with musicgen and encodes res/audio/melody.mp3 with lame.
music: build
	$(ROOT)/tools/musicgen/build_music.sh $(BUILD_PATH)

# Every benchmark and the real demo on a virtual screen and the silent audio
# driver, then the loopback on private sound servers; writes docs/PERFORMANCE.md
# (about 18 minutes; raw results in <build>/bench-results/).
BENCH_TARGETS := morlenth $(patsubst $(ROOT)/bench/%.cpp,%,$(wildcard $(ROOT)/bench/bench_*.cpp))
bench: pipewire-deps
	$(CONFIGURE) -DMORLENTH_BENCH=ON
	cmake --build $(BUILD_PATH) -j $(JOBS) --target $(BENCH_TARGETS)
	SDL_AUDIODRIVER=dummy $(XVFB) python3 $(ROOT)/bench/run_benchmarks.py $(BUILD_PATH) $(ROOT)/docs/PERFORMANCE.md

# The music's clock against what a private PulseAudio and a PipeWire server play,
# alone: about 3 minutes, then the faults (stalls, underruns, a slow callback),
# about 3 more (docs/audio.md, Sound servers). RUNS=20 plays the plain one that
# many times in a row, each run's figures and what a miss logged in
# <build>/bench-loopback-runs/, and sums them up for `make bench`; PLAY_SECONDS=20
# shortens its 60 s play phase, and SERVER=PulseAudio or PipeWire replays one
# server's series alone.
RUNS ?= 1
PLAY_SECONDS ?= 60
SERVER ?=
.PHONY: bench-loopback
bench-loopback: pipewire-deps
	$(CONFIGURE) -DMORLENTH_BENCH=ON
	cmake --build $(BUILD_PATH) -j $(JOBS) --target bench_loopback bench_loopback_faults
	@if [ "$(RUNS)" -gt 1 ]; then \
		python3 $(ROOT)/bench/bench_loopback_runs.py $(BUILD_PATH) $(RUNS) $(PLAY_SECONDS) $(SERVER); \
	else \
		$(BUILD_PATH)/bin/bench_loopback && $(BUILD_PATH)/bin/bench_loopback_faults; \
	fi

# The Windows build's frame time under Wine against the Linux build's, from one
# run of capture on each (docs/windows.md).
.PHONY: bench-windows
bench-windows: build windows
	$(XVFB) python3 $(ROOT)/bench/bench_wine.py $(BUILD_PATH) $(WINDOWS_PATH)

.PHONY: sync capture frames

# The track files res/sync/_*.track from the timeline text res/sync/demo.timeline;
# commit both.
sync: deps
	$(CONFIGURE)
	cmake --build $(BUILD_PATH) -j $(JOBS) --target synctool
	$(BUILD_PATH)/bin/synctool build $(ROOT)/res/sync/demo.timeline $(ROOT)/res/sync

# The whole demo rendered offline into out/morlenth.mp4 (1280x720, 60 fps, the music
# muxed in). ffmpeg is needed only here, so it is installed only here.
capture: deps
	@command -v ffmpeg >/dev/null 2>&1 || { echo "Installing: ffmpeg"; \
		$(SUDO) apt-get update -qq && \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends ffmpeg; }
	$(CONFIGURE)
	cmake --build $(BUILD_PATH) -j $(JOBS) --target capture
	@cd $(ROOT) && $(ROOT)/tools/on_display.sh $(BUILD_PATH)/bin/capture --out out/morlenth.mp4

# docs/frames.png: one still per section from capture, tiled by contactsheet.
frames: deps
	$(ROOT)/tools/contactsheet/make_frames.sh $(BUILD_PATH)

.PHONY: studio studio-screenshot

# The authoring studio (docs/studio.md), run from the repository root; its options
# go in STUDIO_ARGS, e.g. make studio STUDIO_ARGS="--from @main --paused".
studio: deps
	$(CONFIGURE)
	cmake --build $(BUILD_PATH) -j $(JOBS) --target studio
	@cd $(ROOT) && $(ROOT)/tools/on_display.sh $(BUILD_PATH)/bin/studio $(STUDIO_ARGS)

# docs/studio.png: the studio with its overlay, the README's picture of it.
studio-screenshot: deps
	$(ROOT)/tools/studio/make_screenshot.sh $(BUILD_PATH)

clean:
	rm -rf $(BUILD_PATH)
