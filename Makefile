# The front door. `make run` and `make test` install what is missing, build
# incrementally in build/, then run the program or the whole test suite.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build run test package bench fuzz format clean

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# The window where there is a display; on a machine without one, the command-line
# resizer converts the bundled samples with the default settings and prints the job log.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  $(BUILD)/src/app/velora-resizer samples; \
	else \
	  echo "run: no display (DISPLAY and WAYLAND_DISPLAY are unset): converting samples/ with velora-resize"; \
	  $(BUILD)/src/cli/velora-resize samples; \
	fi

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The Debian package, $(BUILD)/velora-image-resizer_<version>_<arch>.deb.
package: build
	@cmake --build $(BUILD) --target package

bench: build
	@BUILD=$(BUILD) scripts/run-bench

fuzz: deps
	@scripts/run-fuzz

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD)
