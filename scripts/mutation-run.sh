#!/bin/bash
# A long mutation run over every reader of outside text (tag scanner, string-list and INI
# loaders, one-section reader, agent URL grammar, contents/page-head/keyword replies, store
# manifest and scopes, help-mode file): the tests' own mutation runs with more inputs.
#   scripts/mutation-run.sh [INPUTS [SEED [MAXSIZE]]]   (defaults: 100000 inputs per target,
#                                                       the tests' seed, their own sizes)
# The build must exist (scripts/test.sh makes it). A failure shows the input and its number.
set -u
source "$(dirname "$0")/lib.sh"
build="${VORLANE_BUILD:-$VORLANE_ROOT/build}"
export VORLANE_MUTATIONS="${1:-100000}"
[ -n "${2:-}" ] && export VORLANE_MUTATION_SEED="$2"
[ -n "${3:-}" ] && export VORLANE_MUTATION_MAX="$3"
cmake --build "$build" --target tnt_tests base_tests helpclient_tests viewer_tests -j"$(nproc)" >/dev/null || exit 1
prefix="/tmp/vorlane-prefix-mutation"
vorlane_make_prefix "$prefix" null
vorlane_warm_prefix "$prefix"
rc=0
out="$(mktemp)"
for t in tnt_tests base_tests helpclient_tests viewer_tests; do
  echo "== $t: $VORLANE_MUTATIONS inputs per target"
  timeout 36000 wine "$build/tests/$t.exe" --gtest_filter='Mutation.*' --gtest_color=no >"$out" 2>&1 || rc=1
  grep -vE '^\[ RUN|err:winediag' "$out"
done
rm -f "$out"
vorlane_stop_prefix "$prefix"
exit $rc
