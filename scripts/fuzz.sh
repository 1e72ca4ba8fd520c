#!/usr/bin/env bash
# Fuzzes one reader of files from elsewhere with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer (LeakSanitizer on). Builds with clang in build-fuzz/, only what the
# target needs (the core library, the delivered data and the target).
#
#   scripts/fuzz.sh TARGET [SECONDS] [LIBFUZZER OPTIONS...]   run one target (default 300 s)
#   scripts/fuzz.sh all [SECONDS]                             run every target in turn
#   scripts/fuzz.sh merge TARGET                              add what a run found to the corpus
#   scripts/fuzz.sh list                                      name the targets
#
# The seeds in tests/fuzz/corpus/TARGET are only read; new inputs go to build-fuzz/corpus/TARGET,
# a crashing input to build-fuzz/crashes/TARGET/. "merge" copies into tests/fuzz/corpus/TARGET
# only those inputs of the run that reach code the corpus does not (libFuzzer's -merge=1, new
# edges only), so the corpus stays small. Add every crashing input there too, once its fault is fixed: the
# replay tests (ctest -R fuzz_replay) run every corpus file.
# Needs Debian's clang and libclang-rt-14-dev; they are installed when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
targets=(received_file grouping_file notes_rtf workbook choice_file batch_args)
build=build-fuzz

usage() {
  sed -n '2,/^set -euo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'
  exit 2
}
[ $# -ge 1 ] || usage

known() {
  local t
  for t in "${targets[@]}"; do [ "$t" = "$1" ] && return 0; done
  echo "fuzz.sh: no such target: $1 (scripts/fuzz.sh list)" >&2
  exit 2
}

install_clang() {
  if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq -o DPkg::Lock::Timeout=300 --no-install-recommends clang libclang-rt-14-dev
  fi
}

configure() {
  install_clang
  local launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  local flags="-O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
    -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DTALLYRA_BUILD_TESTS=OFF -DTALLYRA_BUILD_FUZZERS=ON >/dev/null
}

build_target() {
  # The tools that make the delivered data run during the build: their leaks at exit are no
  # finding of this run.
  ASAN_OPTIONS=detect_leaks=0 cmake --build "$build" --target "fuzz_$1" --parallel "$(nproc)"
}

sanitizer_options() {
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
  export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
  export QT_QPA_PLATFORM=offscreen
}

run_target() {
  local target=$1 seconds=$2
  shift 2
  mkdir -p "$build/corpus/$target" "$build/crashes/$target"
  sanitizer_options
  echo "== fuzz_$target for $seconds s"
  "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -print_final_stats=1 \
    -artifact_prefix="$build/crashes/$target/" "$@" "$build/corpus/$target" "tests/fuzz/corpus/$target"
}

case "$1" in
  list)
    printf '%s\n' "${targets[@]}"
    ;;
  merge)
    [ $# -eq 2 ] || usage
    known "$2"
    configure
    build_target "$2"
    sanitizer_options
    mkdir -p "$build/corpus/$2"
    # Only inputs reaching new edges count (-use_counters=0), not new hit counts of known ones.
    "$build/fuzz/fuzz_$2" -merge=1 -use_counters=0 -timeout=10 "tests/fuzz/corpus/$2" "$build/corpus/$2"
    ;;
  all)
    seconds=${2:-300}
    configure
    for t in "${targets[@]}"; do build_target "$t"; done
    for t in "${targets[@]}"; do run_target "$t" "$seconds"; done
    ;;
  -h|--help|help)
    usage
    ;;
  *)
    known "$1"
    target=$1
    seconds=${2:-300}
    shift $(($# >= 2 ? 2 : 1))
    configure
    build_target "$target"
    run_target "$target" "$seconds" "$@"
    ;;
esac
