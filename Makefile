# Lanternfall: `make run` and `make test` are all a new machine needs.
PACKAGES := cmake g++ make pkg-config clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev \
            libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev libfluidsynth-dev libfontconfig-dev libjpeg62-turbo-dev \
            fonts-ipafont-gothic timgm6mb-soundfont xvfb xdotool imagemagick x11-utils strace
JOBS ?= 2
BUILD ?= build
CMAKE_FLAGS ?=

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build run test asan bench fuzz lint clean

all: build

# Installs only the packages that are missing.
deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j$(JOBS)

run: build
	./$(BUILD)/lanternfall

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DLANTERNFALL_SANITIZE=ON
	cmake --build build-asan -j$(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir build-asan --output-on-failure -j$(JOBS) -LE window

bench: build
	bash bench/run.sh $(BUILD)

FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANTERNFALL_FUZZ=ON
	cmake --build build-fuzz -j$(JOBS) --target fuzz_scenario
	bash tests/fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

lint: build
	./$(BUILD)/tools/lint/lanternfall-lint content

clean:
	rm -rf build build-asan build-fuzz
