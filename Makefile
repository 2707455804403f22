# Thin wrapper over CMake. The two commands of the README:
#   make run    installs what is needed, builds, and starts the program
#   make test   installs what is needed, builds, and runs every test
# and the Debian packages:
#   make package        builds tallyscan_<version>_amd64.deb and tallyscan-dev_... in $(BUILD)
#   make install-test   also checks them and installs them into a fresh Debian 12 root (root)
BUILD ?= build/release
WERROR ?= $(if $(CI),ON,OFF)
CMAKE_ARGS ?=

.PHONY: deps configure build test renders run asan tsan format golden-update package install-test
deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALLYSCAN_WERROR=$(WERROR) $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD)

test: build
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure -j2

run: build
	$(BUILD)/src/app/tallyscan

# Pictures of the window, its pages and dialogs in $(BUILD)/app-renders/, for a person to look
# at: drawn offscreen by programs that are no tests, since they check nothing of what they draw.
renders: build
	cmake --build $(BUILD) --target renders

package: build
	cmake --build $(BUILD) --target package

install-test: build
	bash packaging/install_test.sh $(BUILD)

# The engine tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALLYSCAN_SANITIZE=ON \
	  -DTALLYSCAN_WERROR=$(WERROR) -DTALLYSCAN_BUILD_APP=OFF $(CMAKE_ARGS)
	cmake --build build/asan --target engine_tests
	build/asan/tests/engine_tests

# The tests of the threaded reading and of the checks under ThreadSanitizer.
TSAN_TESTS = SplitReading*:ImportTest*:GeneratedImport*:LineReader*:SortedIndex*:RecordIndex*:RecordFacts*:Bookkeeping*:CheckRun*:DocumentChecks*:GeneratedChecks*:RecordReader*:RealWorld*
tsan: deps
	cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLYSCAN_TSAN=ON \
	  -DTALLYSCAN_WERROR=$(WERROR) -DTALLYSCAN_BUILD_APP=OFF $(CMAKE_ARGS)
	cmake --build build/tsan --target engine_tests
	TSAN_OPTIONS=halt_on_error=1 build/tsan/tests/engine_tests --gtest_filter='$(TSAN_TESTS)'

format:
	cmake --build $(BUILD) --target format

# Records the golden outputs anew after a deliberate change to what the program prints;
# the diff of tests/golden/expected is then reviewed like code.
golden-update: build
	bash tests/golden/golden.sh $(BUILD)/src/cli/tallyscan-cli $(BUILD)/tools/tallyscan-gen --update
