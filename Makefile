# Entry points. Each target first installs what is missing, then configures and builds.
#   make run   - build the library, its tools and the data directory, then run the demo
#   make test  - build everything and run every test
#   make asan  - AddressSanitizer + UndefinedBehaviorSanitizer build, every test
#   make tsan  - ThreadSanitizer build, the thread tests
#   make fuzz  - clang/libFuzzer build of the fuzz targets (FUZZ_SECONDS each)
#   make bench - Google Benchmark programs
#   make readme-demo - rewrite README.md's demo block from what make run prints (the CTest
#                 readme_demo fails while the two differ)

JOBS        ?= $(shell nproc 2>/dev/null || echo 4)
BUILD       ?= build
BUILD_TYPE  ?= RelWithDebInfo
CMAKE_FLAGS ?=
FUZZ_SECONDS ?= 30

.PHONY: all setup build run test asan tsan fuzz bench clean readme-demo

all: build

setup:
	@bash scripts/setup.sh

build: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run-demo.sh $(BUILD)

readme-demo: build
	@python3 scripts/demo-readme.py update $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

asan: setup
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKX_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest --output-on-failure -j $(JOBS)

# Thread tests are the GoogleTest suites whose name ends in ThreadTest.
tsan: setup
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKX_TSAN=ON $(CMAKE_FLAGS)
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j $(JOBS) -R 'ThreadTest'

fuzz: setup
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKX_FUZZ=ON \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS)
	@bash scripts/run-fuzz.sh build-fuzz $(FUZZ_SECONDS)

bench: setup
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKX_BENCH=ON $(CMAKE_FLAGS)
	cmake --build build-bench -j $(JOBS)
	@for b in build-bench/bench/*_bench; do [ -x "$$b" ] && "$$b"; done; true

clean:
	rm -rf build build-asan build-tsan build-fuzz build-bench
