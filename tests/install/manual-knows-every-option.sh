#!/usr/bin/env bash
# Every subcommand and option the command line's parser compares its arguments with appears in
# tidelumine-cli's manual page.
set -u
parser=$1 page=$2
words=$( { grep -o '"--[a-z][a-z-]*"' "$parser"; grep -o 'command == "[a-z][a-z-]*"' "$parser" | grep -o '"[a-z-]*"'; } | tr -d '"' | sort -u)
[ -n "$words" ] || { echo "FAIL: no options found in $parser"; exit 1; }
text=$(sed 's/\\-/-/g' "$page")
failed=0
for word in $words; do
  grep -qE -- "(^|[^a-z-])$word([^a-z-]|$)" <<<"$text" || { echo "FAIL: $word is not in $page"; failed=1; }
done
exit $failed
