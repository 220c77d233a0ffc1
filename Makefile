# Two commands set everything up on a fresh Debian machine:
#   make run    install, build and play the demo
#   make test   install, build and run every test headlessly
.PHONY: deps build run test bench clean

BUILD_DIR ?= build
JOBS ?= $(shell nproc)
XVFB := xvfb-run -a -s "-screen 0 1920x1080x24"

DEB_PACKAGES := build-essential cmake pkg-config libsdl2-dev libglew-dev libglu1-mesa-dev \
	libglm-dev libstb-dev libmpg123-dev lame libgtest-dev libgmock-dev libbenchmark-dev \
	xvfb xauth xdotool libgl1-mesa-dri mesa-utils sox clang libclang-rt-14-dev valgrind

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

deps:
	@missing=$$(for p in $(DEB_PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
		echo "Installing:" $$missing; \
		$(SUDO) apt-get update -qq && \
		DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Without a display the demo still plays through, on a virtual screen and a silent audio driver.
run: build
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
		./$(BUILD_DIR)/bin/morlenth; \
	else \
		SDL_AUDIODRIVER=dummy $(XVFB) ./$(BUILD_DIR)/bin/morlenth; \
	fi

test: build
	SDL_AUDIODRIVER=dummy $(XVFB) ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD_DIR)/bin/bench_*; do SDL_AUDIODRIVER=dummy $(XVFB) $$b; done

clean:
	rm -rf $(BUILD_DIR)
