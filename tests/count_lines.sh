#!/bin/sh
# Prints the non-blank lines of test code and of production code and their
# ratio. Test code: C++, shell and Python under tests/ (golden cases and
# fixtures aside), every *_test.cc, and the test helpers. Production code: the
# other C++ under src/ and tools/. Run from the top of the source tree.
helpers='(^|/)(test_host|test_server|test_cluster|run_command|case_file)\.[^/]*$|^tests/(reliability|contract)/'
count() { xargs -r grep -hv '^[[:space:]]*$' | wc -l; }
tests=$(git ls-files | grep -E "^tests/.*\.(cc|h|sh|py)$|_test\.cc$|$helpers" \
  | grep -vE '^tests/(cases|fixtures)/' | count)
production=$(git ls-files 'src/*' 'tools/*' | grep -E '\.(cc|h)$' \
  | grep -vE "_test\.cc$|$helpers" | count)
echo "test code:       $tests"
echo "production code: $production"
awk -v t="$tests" -v p="$production" 'BEGIN { printf "ratio:           %.1f%%\n", 100 * t / p }'
