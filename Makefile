# The front door. `make run` installs and builds only what the two programs need, then
# runs the program; `make test` installs and builds everything, then runs the whole test
# suite. Both build incrementally in build/.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# What `make run` builds: the window, velora-resize and the libraries they link.
PROGRAMS = velora-resizer velora-resize

.PHONY: deps configure build run test package bench fuzz format clean

deps:
	@scripts/install-deps test

# Configures once. A folder `make run` configured holds the programs only; the first
# full build turns the rest on, keeping every other setting.
configure: deps
	@if [ ! -f $(BUILD)/CMakeCache.txt ]; then \
	  cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null; \
	elif grep -q '^VELORA_PROGRAMS_ONLY:BOOL=ON' $(BUILD)/CMakeCache.txt; then \
	  cmake -S . -B $(BUILD) -DVELORA_PROGRAMS_ONLY=OFF >/dev/null; \
	fi

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# The window where there is a display; on a machine without one, the command-line
# resizer converts the bundled samples with the default settings and prints the job log.
run:
	@scripts/install-deps run
	@[ -f $(BUILD)/CMakeCache.txt ] || \
	  cmake -S . -B $(BUILD) -G Ninja -DVELORA_PROGRAMS_ONLY=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS) --target $(PROGRAMS)
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
