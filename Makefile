# Quick start:
#   make run    build and start the station (with the controller twin)
#   make test   build and run every test
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

.PHONY: all deps configure build test run bench clean format

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

run: build
	scripts/run.sh $(BUILD)

bench: build
	$(BUILD)/bench/rv720_bench
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/rv720_gui_bench
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/rv720_station_idle_bench

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD)

# Fuzzing and sanitizers (clang; see README, Fuzzing and sanitizers).
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
FUZZ_BUILD ?= build-fuzz
SANITIZE_BUILD ?= build-sanitize
SANITIZE_FLAGS = -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer

.PHONY: fuzz sanitize

fuzz:
	@scripts/install-fuzz-deps.sh
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DRV720_FUZZ=ON -DRV720_GUI=OFF -DRV720_TESTS=OFF \
	  -DRV720_BENCH=OFF -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link $(SANITIZE_FLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE_FLAGS)"
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

sanitize:
	@scripts/install-deps.sh
	@scripts/install-fuzz-deps.sh
	cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DRV720_GUI=OFF -DRV720_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE_FLAGS)"
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# Installing and packaging (packaging/ holds the desktop entry, icon, man page
# sections, udev rule and the package's control scripts).
#   make package                 build/rv720-station_VERSION_ARCH.deb, from a Release build
#   make install PREFIX=DIR      the same tree under DIR (default /usr/local; DESTDIR works)
#   make install-udev            the converter's udev rule into /etc/udev/rules.d
PREFIX ?= /usr/local
RELEASE_BUILD ?= $(BUILD)/release
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: package install install-udev

# A Release tree of its own, compiled as Debian compiles: its hardening flags and
# -O2 (CMake's Release would add -O3, where GCC 12 warns falsely about memcpy).
package: deps
	export DEB_BUILD_MAINT_OPTIONS=hardening=+all; \
	CXXFLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	LDFLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	      -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG -DRV720_TESTS=OFF -DRV720_BENCH=OFF
	cmake --build $(RELEASE_BUILD) -j $(JOBS)
	cd $(RELEASE_BUILD) && cpack -B $(abspath $(BUILD))
	@ls $(BUILD)/rv720-station_*.deb

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

install-udev:
	$(SUDO) install -m 0644 packaging/60-rv720.rules /etc/udev/rules.d/60-rv720.rules
	$(SUDO) udevadm control --reload-rules
	$(SUDO) udevadm trigger --action=change --subsystem-match=usb --subsystem-match=tty
