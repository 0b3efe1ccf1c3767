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

# Until the window exists, the program's face is the command-line resizer: convert the
# bundled samples with the default settings and print the job log.
run: build
	@$(BUILD)/src/cli/velora-resize samples

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
