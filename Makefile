# Lanternfall: `make run` and `make test` are all a new machine needs.
PACKAGES := cmake g++ make pkg-config clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev \
            libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev libfluidsynth-dev libfontconfig-dev libjpeg62-turbo-dev \
            libx11-dev libspeechd-dev speech-dispatcher speech-dispatcher-espeak-ng fonts-ipafont-gothic timgm6mb-soundfont xvfb xdotool imagemagick x11-utils strace \
            openbox desktop-file-utils appstream man-db
# Building and checking the Debian package.
DIST_PACKAGES := dpkg-dev debhelper lintian
JOBS ?= 2
BUILD ?= build
CMAKE_FLAGS ?=
# The project's own builds treat warnings as errors; a plain CMake build does not.
CHECK_FLAGS := -DLANTERNFALL_WERROR=ON

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps dist-deps configure build run install install-check deb test asan bench fuzz lint clean \
        windows-deps windows windows-test windows-zip windows-installer

all: build

# Installs only the packages that are missing.
install_missing = @missing=$$(for p in $(1); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

deps:
	$(call install_missing,$(PACKAGES))

dist-deps: deps
	$(call install_missing,$(DIST_PACKAGES))

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CHECK_FLAGS) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# Only the game and its content: no test, tool or benchmark stands between a new player and the window.
run: configure
	cmake --build $(BUILD) -j$(JOBS) --target lanternfall
	./$(BUILD)/lanternfall

# Into PREFIX (default /usr/local), under DESTDIR when set.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A packager's plain build (Release, warnings not errors, tests included) and its installed tree checked.
install-check: deps
	cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build build-release -j$(JOBS)
	bash tests/install/check_install.sh build-release

# The Debian package, built from a clean copy of the tree, and lintian on it: build-deb/*.deb.
deb: dist-deps
	bash tools/packaging/make_deb.sh build-deb

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DLANTERNFALL_SANITIZE=ON $(CHECK_FLAGS)
	cmake --build build-asan -j$(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir build-asan --output-on-failure -j$(JOBS) -LE window

bench: build
	bash bench/run.sh $(BUILD)

FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANTERNFALL_FUZZ=ON $(CHECK_FLAGS)
	cmake --build build-fuzz -j$(JOBS) --target fuzz_scenario fuzz_midi fuzz_picture fuzz_content fuzz_lint
	bash tests/fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

lint: build
	./$(BUILD)/tools/lint/lanternfall-lint content

# Windows: cross-built here with mingw-w64 into build-win/, tested under Wine (tests/windows/run.sh).
WIN_PACKAGES := cmake make g++-mingw-w64-x86-64-posix googletest wine wine64 xvfb xauth openbox xdotool \
                imagemagick zip unzip nsis fonts-ipafont-gothic locales x11-utils
WIN_BUILD ?= build-win

windows-deps:
	$(call install_missing,$(WIN_PACKAGES))

windows: windows-deps
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
	  $(CHECK_FLAGS) $(CMAKE_FLAGS)
	cmake --build $(WIN_BUILD) -j$(JOBS)

# The installer is built first so that its test (install and uninstall under Wine) runs with the rest.
windows-test: windows-installer
	bash tests/windows/run.sh $(WIN_BUILD)

windows-zip: windows
	bash dist/windows/make_zip.sh $(WIN_BUILD)

# The zip's folder as a per-user NSIS installer: build-win/lanternfall-<version>-win64-setup.exe.
windows-installer: windows-zip
	bash dist/windows/make_installer.sh $(WIN_BUILD)

clean:
	rm -rf build build-asan build-fuzz build-release build-deb build-win
