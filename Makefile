# Two commands set everything up on a fresh Debian machine:
#   make run    install, build and play the demo
#   make test   install, build and run every test headlessly
.PHONY: deps build build-demo run test bench clean

# Every recipe runs from the repository root, wherever make was started.
ROOT := $(patsubst %/,%,$(dir $(abspath $(lastword $(MAKEFILE_LIST)))))
BUILD_DIR ?= build
BUILD_PATH := $(if $(filter /%,$(BUILD_DIR)),$(BUILD_DIR),$(ROOT)/$(BUILD_DIR))
JOBS ?= $(shell nproc)
XVFB := xvfb-run -a -s "-screen 0 1920x1080x24"

DEB_PACKAGES := build-essential cmake pkg-config libsdl2-dev libglew-dev libglu1-mesa-dev \
	libglm-dev libstb-dev libmpg123-dev lame libgtest-dev libgmock-dev libbenchmark-dev \
	xvfb xauth xdotool libgl1-mesa-dri mesa-utils sox clang libclang-rt-14-dev valgrind

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

CONFIGURE := cmake -S $(ROOT) -B $(BUILD_PATH) -DCMAKE_BUILD_TYPE=Release

deps:
	@missing=$$(for p in $(DEB_PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
		echo "Installing:" $$missing; \
		$(SUDO) apt-get update -qq && \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build: deps
	$(CONFIGURE)
	cmake --build $(BUILD_PATH) -j $(JOBS)

# The demo alone, without the tests, tools and benchmarks.
build-demo: deps
	$(CONFIGURE)
	cmake --build $(BUILD_PATH) -j $(JOBS) --target morlenth

# Without a display the demo still plays through, on a virtual screen and a silent audio driver.
run: build-demo
	@cd $(ROOT) && if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
		$(BUILD_PATH)/bin/morlenth; \
	else \
		SDL_AUDIODRIVER=dummy $(XVFB) $(BUILD_PATH)/bin/morlenth; \
	fi

# ctest ends with its summary and fails when a test fails; xvfb-run passes that on.
test: build
	SDL_AUDIODRIVER=dummy $(XVFB) ctest --test-dir $(BUILD_PATH) --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD_PATH)/bin/bench_*; do SDL_AUDIODRIVER=dummy $(XVFB) $$b; done

clean:
	rm -rf $(BUILD_PATH)
