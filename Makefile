# The two commands of the README. Both install what is missing first.
BUILD ?= build
JOBS  ?= 2
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1

.PHONY: all deps configure build run test clean format

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

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
