# Entry points; everything is built with the CMake presets.
.PHONY: run test build release asan bench package clean

# Builds an optimised binary and runs both tools on the bundled sample traces
# (see examples/README.md): varnel on every one, quorbit on the unix and
# windows ones.
VARNEL = ../build/release/formatter/varnel
QUORBIT = ../build/release/apistats/quorbit
run: release
	cd examples && $(VARNEL) AMQ4711.0.FMT AMQ4711.0.FMT.out -e little
	cd examples && $(VARNEL) AMQ5150.0.FMT AMQ5150.0.FMT.out -e little
	cd examples && $(VARNEL) AMQ2244.0.FMT AMQ2244.0.FMT.out -o windows -e little -m 1208
	cd examples && $(VARNEL) AMQ7308.0.FMT AMQ7308.0.FMT.out -o windows -e little -s PAY-
	cd examples && $(VARNEL) BILLRUN1.TRACE BILLRUN1.TRACE.out -o zos -e big
	cd examples && $(VARNEL) INVOICER.ACTIVITY.TXT INVOICER.ACTIVITY.TXT.out -o aat -e little -m 819
	cd examples && $(QUORBIT) AMQ4711.0.FMT AMQ4711.0.FMT.stats -e little
	cd examples && $(QUORBIT) AMQ5150.0.FMT AMQ5150.0.FMT.stats -e little
	cd examples && $(QUORBIT) AMQ2244.0.FMT AMQ2244.0.FMT.stats -e little -o windows
	cd examples && $(QUORBIT) AMQ7308.0.FMT AMQ7308.0.FMT.stats -e little -o windows
	@echo "Formatted traces (varnel):"
	@echo "  examples/AMQ4711.0.FMT.out           unix"
	@echo "  examples/AMQ5150.0.FMT.out           unix"
	@echo "  examples/AMQ2244.0.FMT.out           windows, message data checked as UTF-8"
	@echo "  examples/AMQ7308.0.FMT.out           windows, messages searched for PAY-"
	@echo "  examples/BILLRUN1.TRACE.out          zos"
	@echo "  examples/INVOICER.ACTIVITY.TXT.out   application activity trace, message data checked as ISO-8859-1"
	@echo "Statistics reports (quorbit):"
	@echo "  examples/AMQ4711.0.FMT.stats         unix"
	@echo "  examples/AMQ5150.0.FMT.stats         unix"
	@echo "  examples/AMQ2244.0.FMT.stats         windows"
	@echo "  examples/AMQ7308.0.FMT.stats         windows"

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

# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS
# seconds (default 60); skipped when clang++ is missing. See fuzz/README.md.
.PHONY: fuzz
fuzz:
	bash fuzz/run.sh $(FUZZ_SECONDS)

# Builds the Debian package of both tools and their manual pages.
package: release
	cmake --build --preset release --target package
	@echo "Package: $$(ls build/release/mqtracetools_*.deb)"

clean:
	rm -rf build
