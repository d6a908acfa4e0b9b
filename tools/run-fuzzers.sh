#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while on its seeds.
#   tools/run-fuzzers.sh [seconds]      (default: $FUZZ_SECONDS, else 30)
#
# Environment: FUZZ_SECONDS (per target), FUZZ_BUILD (the build folder, default build-fuzz),
# JOBS (parallel compile jobs, default the number of cores), FUZZ_TARGETS (names to run, as
# "png ogg"; default every fuzz_* program built).
#
# Every fuzz/<name>_fuzz.cpp becomes fuzz_<name>. Its options come from fuzz/<name>.options
# when that file exists (one libFuzzer flag a line, # for comments, -dict= read from fuzz/);
# otherwise from the defaults below, with fuzz/dictionaries/<name>.dict when there is one.
# Seeds (fuzz/seeds/<name>) and regressions (fuzz/regressions/<name>) are copied into a
# working corpus under the build folder, so nothing is ever written into the repository;
# findings land in <build>/artifacts/<name>/. The run fails when any target crashes, leaks,
# times out or runs out of memory, and ends with one summary line per target.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-${FUZZ_SECONDS:-30}}"
build="${FUZZ_BUILD:-$root/build-fuzz}"
jobs="${JOBS:-$(nproc)}"
default_options=(-max_len=4096 -timeout=10 -rss_limit_mb=2048)

case "$seconds" in
  ''|*[!0-9]*) echo "run-fuzzers: seconds must be a whole number, not '$seconds'" >&2; exit 2 ;;
esac

# ---- build ------------------------------------------------------------------------------
targets=()
for source in "$root"/fuzz/*_fuzz.cpp; do
  [ -e "$source" ] || continue
  name="$(basename "$source" _fuzz.cpp)"
  if [ -n "${FUZZ_TARGETS:-}" ] && [[ " $FUZZ_TARGETS " != *" $name "* ]]; then continue; fi
  targets+=("$name")
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "run-fuzzers: no fuzz targets in $root/fuzz" >&2
  exit 1
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCCA_FUZZ=ON -DCCA_TESTS=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target "${targets[@]/#/fuzz_}"

# ---- run --------------------------------------------------------------------------------
# The options of target $1, one a line, with the dictionary path made absolute.
options_for() {
  local name="$1" file="$root/fuzz/$1.options" line
  if [ -f "$file" ]; then
    while IFS= read -r line || [ -n "$line" ]; do
      line="${line%%#*}"
      line="$(echo "$line" | xargs)"
      [ -z "$line" ] && continue
      case "$line" in
        -dict=/*) echo "$line" ;;
        -dict=*) echo "-dict=$root/fuzz/${line#-dict=}" ;;
        *) echo "$line" ;;
      esac
    done <"$file"
  else
    printf '%s\n' "${default_options[@]}"
    [ -f "$root/fuzz/dictionaries/$name.dict" ] && echo "-dict=$root/fuzz/dictionaries/$name.dict"
  fi
  return 0
}

# Leaks of system libraries we cannot fix are listed, with reasons, in tools/lsan.supp.
export LSAN_OPTIONS="suppressions=$root/tools/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

summary=()
failed=0
for name in "${targets[@]}"; do
  program="$build/fuzz/fuzz_$name"
  corpus="$build/corpus/$name"
  artifacts="$build/artifacts/$name"
  log="$build/logs/$name.log"
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  for folder in seeds regressions; do
    if [ -d "$root/fuzz/$folder/$name" ]; then
      cp -n "$root/fuzz/$folder/$name"/* "$corpus"/ 2>/dev/null || true
    fi
  done
  mapfile -t options < <(options_for "$name")

  echo "== fuzz_$name for ${seconds}s: ${options[*]}"
  status=0
  stamp="$artifacts/.started"
  touch "$stamp"
  # The program runs in its artifacts folder: a crashing input and any stray file it makes
  # stay there.
  (cd "$artifacts" && "$program" "${options[@]}" -max_total_time="$seconds" \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus") >"$log" 2>&1 || status=$?

  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)"
  edges="$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)"
  features="$(grep -oE 'ft: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)"
  findings="$(find "$artifacts" -maxdepth 1 -type f -newer "$stamp" \
      \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)"
  verdict=ok
  if [ "$status" -ne 0 ] || [ "$findings" -gt 0 ]; then
    verdict="FAILED (exit $status; log $log)"
    failed=1
    grep -E '^(==[0-9]+== ?ERROR|SUMMARY|fuzz: property|Test unit written)' \
      "$log" | head -20 || true
  fi
  summary+=("$(printf 'fuzz_%-18s %10s execs %7s exec/s %6s edges %7s features %3s findings  %s' \
    "$name" "${execs:-?}" "${rate:-?}" "${edges:-?}" "${features:-?}" "$findings" "$verdict")")
done

echo
echo "Fuzzing summary (${seconds}s per target, findings in $build/artifacts):"
printf '%s\n' "${summary[@]}"
exit "$failed"
