# The commands a developer types. Each one first installs any missing Debian package.
#   make run     build the Debug program and start it on the demo folder
#   make test    build, check the formatting, run every test (unit, widget, e2e)
#   make asan    the tests again under AddressSanitizer and UndefinedBehaviorSanitizer
#   make tsan    the tests of the code that runs on several threads under ThreadSanitizer
#   make bench   build optimised and run every benchmark
#   make format  reformat the sources in place

SHELL := /bin/bash
.SHELLFLAGS := -eu -o pipefail -c

JOBS := $(shell nproc)
SOURCE_DIRS := src tests tools bench
SOURCES = find $(SOURCE_DIRS) \( -name '*.cpp' -o -name '*.h' \) -print0
# The folder `make run` opens; `make run FOLDER=~/Pictures` opens another.
FOLDER ?= $(CURDIR)/build/dev/demo

.PHONY: deps dev run test format-check asan tsan bench format

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

format: deps
	$(SOURCES) | xargs -0 -r clang-format -i
