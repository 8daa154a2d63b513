# Thin wrapper over the CMake presets. Every target installs missing Debian packages first.
.PHONY: deps test check asan tsan bench bench-smoke demo install-check fuzz clean

# Extra configure arguments for the default preset; CI makes it a unity build too.
DEFAULT_CONFIGURE ?=

deps:
	@scripts/install-deps

test: deps
	cmake --preset default $(DEFAULT_CONFIGURE) >/dev/null
	cmake --build --preset default
	ctest --preset default

check: asan tsan

asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan
	ctest --preset asan

tsan: deps
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan
	scripts/without-aslr ctest --preset tsan

bench: deps
	cmake --preset release >/dev/null
	cmake --build --preset release
	@if [ -x build/release/bench/velmaro-bench ]; then build/release/bench/velmaro-bench; \
	else echo "no benchmarks yet"; fi

# Every benchmark once, for a moment: catches a benchmark that no longer builds or crashes.
bench-smoke: deps
	cmake --preset release >/dev/null
	cmake --build --preset release --target velmaro-bench velmaro-desk-postgres-bench
	build/release/bench/velmaro-bench --benchmark_min_time=0.0001 >/dev/null
	build/release/bench/velmaro-desk-postgres-bench >/dev/null

# Installs the debug build into a temporary prefix and builds and tests examples/host-app on it.
install-check: deps
	cmake --preset default $(DEFAULT_CONFIGURE) >/dev/null
	cmake --build --preset default
	scripts/check-install build/default

demo: deps
	cmake --preset default >/dev/null
	cmake --build --preset default --target velmaro-demo
	build/default/Demo/velmaro-demo

# Every fuzz target for FUZZ_SECONDS (default 60) each; crashes go to build/fuzz/artifacts.
fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	fuzz/run-fuzzers

clean:
	rm -rf build
