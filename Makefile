# The two commands a newcomer needs: `make run` and `make test`.
# Also: `make asan`, `make tsan`, `make bench`, `make fuzz`, `make install PREFIX=...`,
# `make package`.

PACKAGES := cmake make g++ pkg-config libxerces-c-dev libicu-dev libgtest-dev libgmock-dev \
            libbenchmark-dev libcli11-dev clang libclang-rt-14-dev
JOBS     ?= $(shell nproc)
FUZZ_SECONDS ?= 60
WERROR   ?= OFF
CMAKE_FLAGS ?=
PREFIX   ?= /usr/local
comma    := ,
MAKEFLAGS += --no-print-directory

configure = cmake -S . -B $(1) -DQUEX_WERROR=$(WERROR) $(CMAKE_FLAGS) $(2) >/dev/null
build     = cmake --build $(1) -j $(JOBS)
check     = ctest --test-dir $(1) --output-on-failure -j $(JOBS) --timeout 300

.PHONY: deps run test asan tsan bench fuzz install package clean

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null; \
	  else \
	    echo "missing packages; run: sudo apt-get install -y$$missing"; exit 1; \
	  fi; \
	fi

build/CMakeCache.txt: | deps
	$(call configure,build,-DCMAKE_BUILD_TYPE=RelWithDebInfo)

# Only what the example needs: the first run on a fresh clone stays short.
run: deps build/CMakeCache.txt
	$(call build,build) --target quex_cli derive csvsource
	./build/tools/quex/quex run derive --input examples/data/orders.csv \
	  --params examples/data/derive-params.xml --request stats

test: deps
	$(call configure,build,-DCMAKE_BUILD_TYPE=RelWithDebInfo)
	$(call build,build)
	$(call check,build)

asan: deps
	$(call configure,build-asan,-DCMAKE_BUILD_TYPE=Debug -DQUEX_SANITIZE=address$(comma)undefined -DQUEX_BUILD_BENCHMARKS=OFF)
	$(call build,build-asan)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  $(call check,build-asan)

tsan: deps
	$(call configure,build-tsan,-DCMAKE_BUILD_TYPE=Debug -DQUEX_SANITIZE=thread -DQUEX_BUILD_BENCHMARKS=OFF)
	$(call build,build-tsan)
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 $(call check,build-tsan)

bench: deps
	$(call configure,build-bench,-DCMAKE_BUILD_TYPE=Release -DQUEX_BUILD_TESTS=ON)
	$(call build,build-bench)
	@status=0; while read -r b; do echo "== $$b"; "$$b" --benchmark_min_time=0.2 || status=1; \
	done < build-bench/bench/benchmarks.txt; exit $$status

fuzz: deps
	CC=clang CXX=clang++ $(call configure,build-fuzz,-DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUEX_BUILD_TESTS=OFF -DQUEX_BUILD_BENCHMARKS=OFF -DQUEX_BUILD_EXAMPLES=OFF)
	$(call build,build-fuzz) --target fuzz_remote_call fuzz_csv fuzz_xml_document
	for target in remote_call csv xml_document; do \
	  mkdir -p build-fuzz/corpus/$$target && \
	  ./build-fuzz/fuzz/fuzz_$$target -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -timeout=10 \
	    $$(test -f fuzz/$$target.dict && echo -dict=fuzz/$$target.dict) \
	    -print_final_stats=1 build-fuzz/corpus/$$target \
	    $$(test -d fuzz/seeds/$$target && echo fuzz/seeds/$$target) || exit 1; \
	done

install: deps build/CMakeCache.txt
	$(call build,build)
	cmake --install build --prefix $(PREFIX)

# Three Debian packages in build/: libquex0, libquex-dev, quex-tools.
package: deps build/CMakeCache.txt
	$(call build,build)
	cd build && cpack -G DEB

clean:
	rm -rf build build-asan build-tsan build-bench build-fuzz
