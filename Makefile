# The two commands of the README. Both install what is missing first.
BUILD ?= build
JOBS  ?= 2
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1

.PHONY: all deps configure build run test test-stress test-asan test-tsan fuzz fuzz-run clean format \
  package test-package

all: build

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVESK_WERROR=ON

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	scripts/run-app $(BUILD)/app

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 900

# The Debian packages vesk-agent, vesk-console and vesk-web (packaging/debian) in
# $(BUILD)/packages/, from the built tree; lintian's findings on each are printed.
package: build
	scripts/build-packages $(BUILD)
	lintian --fail-on error $(BUILD)/packages/*.deb

# The packages in a clean Debian 12 root (debootstrap, cached): install with apt, run the agent
# as its unit does against CUPS's stock policy and vesk-web with a signed-in account, upgrade,
# remove, purge. Several minutes; not in CI.
test-package: package
	scripts/test-package $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# The suite 20 times under CPU load (scripts/test-stress): timing races show up here.
RUNS ?= 20
test-stress: build
	scripts/test-stress $(BUILD) $(RUNS)

# The suite built with AddressSanitizer and UndefinedBehaviorSanitizer, in its own folder.
# intercept_tls_get_addr=0: in one console test GCC 12's LeakSanitizer records a bogus dynamic
# TLS block and crashes its own tracer at exit ("Tracer caught signal 11", "DTLS ... at 0x7aa");
# without the interception it scans less thread-local memory, which can only add leak reports,
# never hide one.
test-asan: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVESK_WERROR=ON \
	  -DVESK_SANITIZE=address,undefined
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS) --timeout 1800

# The threaded parts under ThreadSanitizer: the monitor and spooler threads, the agent's intake
# and save, the discovery threads, the chart and report commands, and the web view (its server
# and export threads, deadlines, sessions and throttle; on SQLite and on PostgreSQL). scripts/tsan.supp silences the
# reports that lie inside Qt and glib, which Debian does not build with ThreadSanitizer;
# die_after_fork=0 lets a test start a program (QProcess) from a process that runs threads.
# Reports go to build-tsan/reports/ (writable by all: a test runs the agent as another account),
# not into the tests' output; scripts/tsan-check then fails
# the run on any report that concerns this system's code and lists those made by Qt's own code
# on its own threads (its picture pool), which the sanitizer cannot see the locks of.
# suppress_equal_addresses=0: its list of reported addresses is searched from end to end for
# each access, and a picture Qt converts on its pool adds one per word: a chart test ran for
# many minutes with it, under a second without (equal stacks are still reported once).
TSAN_TESTS ?= ^(monitor|spooler|agent_records|agent|discovery|charts|reports|web|web_pg)\.
test-tsan: deps
	cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVESK_WERROR=ON -DVESK_SANITIZE=thread
	cmake --build build-tsan -j $(JOBS)
	rm -rf build-tsan/reports && mkdir -p build-tsan/reports
	chmod 1777 build-tsan/reports # the agent of agent.AccountTest runs as nobody
	cd build-tsan && TSAN_OPTIONS=halt_on_error=0:exitcode=0:suppress_equal_addresses=0:log_path=$(CURDIR)/build-tsan/reports/report:second_deadlock_stack=1:die_after_fork=0:suppressions=$(CURDIR)/scripts/tsan.supp \
	  ctest --output-on-failure -j $(JOBS) --timeout 1800 -R '$(TSAN_TESTS)'
	scripts/tsan-check build-tsan/reports

# The parser harnesses as libFuzzer programs (clang, ASan, UBSan) in their own folder; the
# normal build replays their committed corpus (fuzz/corpus/) as tests instead.
fuzz: deps
	cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVESK_WERROR=ON \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVESK_FUZZ=ON \
	  -DVESK_SANITIZE=address,undefined,fuzzer-no-link
	cmake --build build-fuzz -j $(JOBS) --target vesk_fuzzers

# A long run: each harness for FUZZ_RUNS executions (FUZZ_ONLY=name for one of them).
FUZZ_RUNS ?= 1000000
FUZZ_ONLY ?=
fuzz-run: fuzz
	scripts/fuzz-run build-fuzz $(FUZZ_RUNS) $(FUZZ_ONLY)

clean:
	rm -rf $(BUILD)
