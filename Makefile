# The commands a developer types. Each one first installs any missing Debian package.
#   make run     build the Debug program and start it on the demo folder
#   make test    build, check the formatting, run every test (unit, widget, e2e)
#   make asan    the tests again under AddressSanitizer and UndefinedBehaviorSanitizer
#   make tsan    the tests of the code that runs on several threads under ThreadSanitizer
#   make bench   build optimised and run every benchmark
#   make soak    build optimised and run the soak run of the whole program (a few minutes)
#   make fuzz    build the fuzz targets with clang and libFuzzer and run each for FUZZ_SECONDS
#   make format  reformat the sources in place

SHELL := /bin/bash
.SHELLFLAGS := -eu -o pipefail -c

JOBS := $(shell nproc)
SOURCE_DIRS := src tests tools bench fuzz plugins
SOURCES = find $(SOURCE_DIRS) \( -name '*.cpp' -o -name '*.h' \) -print0
# The folder `make run` opens; `make run FOLDER=~/Pictures` opens another.
FOLDER ?= $(CURDIR)/build/dev/demo

.PHONY: deps dev run test format-check asan tsan bench soak fuzz format

deps:
	@scripts/install-deps

dev: deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)

# The real data folder of the user: RUVELA_DATA_DIR is only for tests.
run: dev
	env -u RUVELA_DATA_DIR $(CURDIR)/build/dev/src/ui/ruvela "$(FOLDER)"

# The formatting check comes first so that CTest's summary is the last thing printed.
test: dev
	@$(MAKE) --no-print-directory format-check
	ctest --preset dev -j $(JOBS)

format-check:
	@$(SOURCES) | xargs -0 -r clang-format --dry-run --Werror
	@echo "format-check: sources are formatted"

asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# The picture loader, the folder scan and the sort orders, the filters and the resampler: the
# code that hands work to other threads. Only their test programs are built. Qt itself is not
# built with the sanitizer, so the hand-overs inside Qt's thread pool are invisible to it;
# tests/tsan.supp names the Qt frames of the reports that follow from that.
TSAN_TARGETS := app_tests filescan_test folderwalk_test sortorder_test imagefilters_test resampler_test
TSAN_SUITES := PictureLoaderTest FileSearch FullSearch SortFileList BuildScanMask ExtensionInMask \
	FolderWalk FolderWalkTree ParentFolder SortOrder ImageFilters Resample ResampleSizes ScaleNearest
empty :=
space := $(empty) $(empty)
tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS) --target $(TSAN_TARGETS)
	ctest --preset tsan -j $(JOBS) -R '(^|/)($(subst $(space),|,$(strip $(TSAN_SUITES))))\.'

# Every executable that bench/CMakeLists.txt puts in the bench build folder is a benchmark.
bench: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	@found=0; \
	for program in $(CURDIR)/build/release/bench/*; do \
		if [[ -f "$$program" && -x "$$program" ]]; then \
			found=1; \
			echo "== $$(basename "$$program")"; \
			QT_QPA_PLATFORM=offscreen RUVELA_DEMO_DIR=$(CURDIR)/build/release/demo "$$program"; \
		fi; \
	done; \
	if [[ $$found == 0 ]]; then echo "bench: no benchmark is built yet"; fi

# The soak run lives in a folder of its own below the benchmarks, so `make bench` does not run
# it: the optimised program under Xvfb, thousands of real key presses, then checks of every file,
# the check lists and the memory. Fails when a check fails.
soak: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target soak
	$(CURDIR)/build/release/bench/soak/soak

# Each target runs on a copy of its checked-in corpus in build/fuzz/corpus-<target>, so what
# libFuzzer adds stays out of the sources; a crash, leak or timeout input goes to
# build/fuzz/findings-<target>/ and its log to build/fuzz/log-<target>.txt. Prints what this run
# found there and fails when any target found something.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := decode_jpeg decode_png decode_gif decode_bmp header_probe ini_file sorting_table \
	check_lists undo_journal plugin_answer
fuzz:
	@scripts/install-deps fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	@found=0; \
	for target in $(FUZZ_TARGETS); do \
		corpus=$(CURDIR)/build/fuzz/corpus-$$target; \
		findings=$(CURDIR)/build/fuzz/findings-$$target; \
		log=$(CURDIR)/build/fuzz/log-$$target.txt; \
		started=$(CURDIR)/build/fuzz/started-$$target; \
		mkdir -p "$$corpus" "$$findings"; \
		touch "$$started"; \
		cp -n $(CURDIR)/fuzz/corpus/$$target/* "$$corpus"/; \
		echo "== $$target: $(FUZZ_SECONDS) s"; \
		status=0; \
		QT_QPA_PLATFORM=offscreen $(CURDIR)/build/fuzz/fuzz/fuzz_$$target -max_total_time=$(FUZZ_SECONDS) \
			-rss_limit_mb=2048 -malloc_limit_mb=1024 -print_final_stats=1 \
			-artifact_prefix="$$findings"/ "$$corpus" > "$$log" 2>&1 || status=$$?; \
		runs=$$(sed -n 's/^stat::number_of_executed_units: *//p' "$$log"); \
		crashes=$$(find "$$findings" -type f -newer "$$started" | sort); \
		echo "   executions: $${runs:-unknown}, corpus: $$(ls "$$corpus" | wc -l) files, exit status $$status"; \
		if [[ -n "$$crashes" || $$status != 0 ]]; then \
			found=1; \
			echo "   findings (log: $$log):"; \
			for crash in $$crashes; do echo "     $$crash"; done; \
		else \
			echo "   findings: none"; \
		fi; \
	done; \
	if [[ $$found != 0 ]]; then echo "fuzz: some targets found faults"; exit 1; fi

format: deps
	$(SOURCES) | xargs -0 -r clang-format -i
