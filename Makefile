# Thin wrapper over CMake. The two commands of the README:
#   make run    installs what the programs need, builds them alone (in build/run), and starts
#               the program
#   make test   installs what the tests need, builds everything, and runs every test
# and the Debian packages:
#   make package        builds tallyscan_<version>_amd64.deb and tallyscan-dev_... in $(BUILD)
#   make install-test   also checks them and installs them into a fresh Debian 12 root (root)
BUILD ?= build/release
RUN_BUILD ?= build/run
WERROR ?= $(if $(CI),ON,OFF)
CMAKE_ARGS ?=
# The groups of scripts/install-deps.sh a goal asks for; the sanitizer runs need no package
# beyond the tests'.
DEPS_GROUPS ?= run test references
package install-test: DEPS_GROUPS = run test references package

.PHONY: deps configure build test renders run programs asan tsan format golden-update package \
	install-test
deps:
	bash scripts/install-deps.sh $(DEPS_GROUPS)

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALLYSCAN_WERROR=$(WERROR) \
	  -DTALLYSCAN_BUILD_TESTS=ON -DTALLYSCAN_BUILD_BENCH=ON -DTALLYSCAN_BUILD_RENDERS=ON $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD)

test: build
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure -j2

# The app, tallyscan-cli, libtallyscan and tallyscan-gen, without the tests, the benchmarks
# and the pictures, in a build folder of their own.
programs:
	bash scripts/install-deps.sh run
	cmake -S . -B $(RUN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALLYSCAN_WERROR=$(WERROR) \
	  -DTALLYSCAN_BUILD_TESTS=OFF -DTALLYSCAN_BUILD_BENCH=OFF -DTALLYSCAN_BUILD_RENDERS=OFF \
	  $(CMAKE_ARGS)
	cmake --build $(RUN_BUILD)

run: programs
	$(RUN_BUILD)/src/app/tallyscan

# Pictures of the window, its pages and dialogs in $(BUILD)/app-renders/, for a person to look
# at: drawn offscreen by programs that are no tests, since they check nothing of what they draw.
renders: build
	cmake --build $(BUILD) --target renders

package: build
	cmake --build $(BUILD) --target package

install-test: build
	bash packaging/install_test.sh $(BUILD)

# Runs every engine test program of a build folder, one per folder of tests/engine/, with the
# arguments given; stops at the first that fails.
run_engine_tests = while read -r program; do echo "== $$program"; $(2) "$$program" $(3) || exit 1; \
	done < $(1)/tests/engine/programs.txt

# The engine tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALLYSCAN_SANITIZE=ON \
	  -DTALLYSCAN_WERROR=$(WERROR) -DTALLYSCAN_BUILD_APP=OFF -DTALLYSCAN_BUILD_BENCH=OFF \
	  -DTALLYSCAN_BUILD_RENDERS=OFF $(CMAKE_ARGS)
	cmake --build build/asan --target engine_tests
	$(call run_engine_tests,build/asan,,)

# The tests of the threaded reading and of the checks under ThreadSanitizer, and the programs
# that hold them.
TSAN_PROGRAMS = engine_uniform_tests engine_checks_tests engine_browse_tests engine_analytics_tests
TSAN_TESTS = SplitReading*:ImportTest*:GeneratedImport*:LineReader*:SortedIndex*:RecordIndex*:RecordFacts*:Bookkeeping*:CheckRun*:DocumentChecks*:GeneratedChecks*:RecordReader*:RealWorld*:BrowseTest.RowsMadeOnTheCores*:BrowseTest.LedgerReportLines*:BrowseTest.BatchesGive*:BatchHandoff*:JetRun*:FieldStatisticsParts*:PartedPass*
tsan: deps
	cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLYSCAN_TSAN=ON \
	  -DTALLYSCAN_WERROR=$(WERROR) -DTALLYSCAN_BUILD_APP=OFF -DTALLYSCAN_BUILD_BENCH=OFF \
	  -DTALLYSCAN_BUILD_RENDERS=OFF $(CMAKE_ARGS)
	cmake --build build/tsan --target $(TSAN_PROGRAMS)
	for program in $(TSAN_PROGRAMS); do echo "== $$program"; \
	  TSAN_OPTIONS=halt_on_error=1 build/tsan/tests/engine/$$program \
	    --gtest_filter='$(TSAN_TESTS)' || exit 1; done

format:
	cmake --build $(BUILD) --target format

# Records the golden outputs anew after a deliberate change to what the program prints;
# the diff of tests/golden/expected is then reviewed like code.
golden-update: build
	bash tests/golden/golden.sh $(BUILD)/src/cli/tallyscan-cli $(BUILD)/tools/tallyscan-gen --update
