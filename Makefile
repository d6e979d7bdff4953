# The two commands of the project: `make demo` and `make check`.
# Both install what they need first (scripts/setup), then configure and build with CMake.

JOBS  ?= $(shell nproc)
CMAKE ?= cmake
CTEST_FLAGS ?= --output-on-failure -j$(JOBS)

.PHONY: all setup build demo check check-release check-asan check-tsan check-fuzz bench clean

all: build

setup:
	@scripts/setup

build: setup
	$(CMAKE) -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRION_WERROR=ON
	$(CMAKE) --build build -j$(JOBS)

# The main job: shapes the built-in demo material and writes the results.
demo: build
	$(CMAKE) --build build --target demo -j$(JOBS)

# Every test, in the plain build and under the sanitizers.
check: setup check-release check-asan check-tsan check-fuzz
	@echo "make check: all configurations passed"

check-release: setup
	$(CMAKE) -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRION_WERROR=ON
	$(CMAKE) --build build -j$(JOBS)
	cd build && ctest $(CTEST_FLAGS) -LE fuzz

check-asan: setup
	$(CMAKE) -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKESTRION_SANITIZE=address,undefined -DKESTRION_BENCH=OFF
	$(CMAKE) --build build-asan -j$(JOBS)
	cd build-asan && ctest $(CTEST_FLAGS) -LE fuzz

check-tsan: setup
	$(CMAKE) -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRION_SANITIZE=thread -DKESTRION_BENCH=OFF
	$(CMAKE) --build build-tsan -j$(JOBS)
	cd build-tsan && ctest $(CTEST_FLAGS) -R Concurrency

check-fuzz: setup
	CC=clang CXX=clang++ $(CMAKE) -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRION_FUZZ=ON -DKESTRION_BENCH=OFF
	$(CMAKE) --build build-fuzz --target fuzz_targets -j$(JOBS)
	cd build-fuzz && ctest $(CTEST_FLAGS) -L fuzz

bench: build
	@for b in build/bench/*_bench; do echo "== $$b"; $$b; done

clean:
	rm -rf build build-asan build-tsan build-fuzz
