# Two commands: `make run` and `make test`. Both install what is missing first.
JOBS ?= $(shell nproc)
RELEASE_DIR := build/release
SANITIZE_DIR := build/sanitize

.PHONY: run test deps build build-sanitize test-release test-sanitize package clean format

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(RELEASE_DIR) -j$(JOBS)

build-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORVEL_SANITIZE=ON \
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

format:
	@git ls-files '*.cc' '*.h' '*.cpp' '*.hpp' | xargs clang-format -i

clean:
	@rm -rf build
