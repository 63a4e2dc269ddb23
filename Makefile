# Entry points; everything is built with the CMake presets.
.PHONY: run test build release asan bench package clean

# Builds an optimised binary and runs both tools on the bundled sample traces.
run: release
	cd examples && ../build/release/formatter/varnel AMQ4711.0.FMT AMQ4711.0.FMT.out -e little
	cd examples && ../build/release/apistats/quorbit AMQ5150.0.FMT AMQ5150.0.FMT.stats -e little
	@echo "Formatted trace:   examples/AMQ4711.0.FMT.out"
	@echo "Statistics report: examples/AMQ5150.0.FMT.stats"

release:
	cmake --preset release >/dev/null
	cmake --build --preset release

# Builds and runs every test twice: optimised, and under the sanitizers.
test: release asan
	ctest --preset release
	ctest --preset asan

asan:
	cmake --preset asan >/dev/null
	cmake --build --preset asan

bench: release
	bash bench/run.sh

# Builds the Debian package of both tools and their manual pages.
package: release
	cmake --build --preset release --target package
	@echo "Package: $$(ls build/release/mqtracetools_*.deb)"

clean:
	rm -rf build
