# Two commands: `make run` and `make test`. Both install what is missing first.
JOBS ?= $(shell nproc)
RELEASE_DIR := build/release
SANITIZE_DIR := build/sanitize

FUZZ_DIR := build/fuzz
TSAN_DIR := build/tsan
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := options composite_attributes global_graph partition_blob tflite_reader compile

# A new build folder uses Ninja, which starts compiling a target's sources before the libraries
# it links are done; a folder configured earlier keeps its generator.
GENERATOR = $(if $(wildcard $(1)/CMakeCache.txt),,-G Ninja)

.PHONY: run test deps build build-sanitize test-release test-sanitize package clean format fuzz build-fuzz \
  tsan

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(RELEASE_DIR) $(call GENERATOR,$(RELEASE_DIR)) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(RELEASE_DIR) -j$(JOBS)

build-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) $(call GENERATOR,$(SANITIZE_DIR)) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORVEL_SANITIZE=ON \
	  -DZORVEL_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(SANITIZE_DIR) -j$(JOBS)

# The main job: compile the bundled example for the NPU of SoC model LNL with the NPU rewrites (split
# attention, grouped-query unfolding, HFA, MoE gather) and weight sharing asked for; the log on
# standard error names each rewrite as it is applied and the weights pooled.
run: build
	@$(RELEASE_DIR)/tools/zorvel-ov -v --debug compile --soc LNL --option enable_weight_sharing=true \
	  --option configs_map.fuse_split_attention_to_sdpa=true \
	  --option configs_map.unfold_gqa_sequence_fold=true --option configs_map.enable_hfa=true \
	  --option configs_map.enable_moe_gather=true -o $(RELEASE_DIR)/example.zvlout

# The Debian package of the plug-in, zorvel-ov and the C headers, in build/release.
package: build
	@cmake --build $(RELEASE_DIR) --target package

test-release: build
	@ctest --test-dir $(RELEASE_DIR) --output-on-failure -j$(JOBS)

test-sanitize: build-sanitize
	@ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j$(JOBS)

# Optimized first, then the sanitized build; either failing fails the target.
test: test-release test-sanitize

# The fuzz targets with libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer (clang),
# each run for FUZZ_SECONDS; a finding fails the target and is kept in build/fuzz/findings.
build-fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DZORVEL_FUZZ=ON -DZORVEL_BUILD_TESTS=OFF -DZORVEL_BUILD_BENCH=OFF -DZORVEL_WERROR=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j$(JOBS) --target $(FUZZ_TARGETS:%=%_fuzzer)

fuzz: build-fuzz
	@scripts/run-fuzzers $(FUZZ_DIR) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The concurrent compiles under ThreadSanitizer: four plug-in objects on four threads, every result
# byte-identical to a single-threaded compile. A report fails the target.
tsan: deps
	@cmake -S . -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORVEL_TSAN=ON \
	  -DZORVEL_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(TSAN_DIR) -j$(JOBS) --target zorvel_ov_tools_test
	@TSAN_OPTIONS="halt_on_error=1 exitcode=66" ZORVEL_TEST_ROUNDS=$${ZORVEL_TEST_ROUNDS:-20} \
	  $(TSAN_DIR)/tools/zorvel_ov_tools_test --gtest_filter='ReproducibleCompileTest.*'

format:
	@git ls-files '*.cc' '*.h' '*.cpp' '*.hpp' | xargs clang-format -i

clean:
	@rm -rf build
