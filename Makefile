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
