#!/bin/sh
# A pre-commit hook for a repository that holds a configuration store: checks
# what is about to be committed with tolv-check and refuses the commit when it
# reports an error.
#
# Install it in the store's repository:
#   cp docs/pre-commit-hook.sh /path/to/store-repo/.git/hooks/pre-commit
#   chmod +x /path/to/store-repo/.git/hooks/pre-commit
#
# Settings (environment):
#   TOLV_CHECK       the program (default: tolv-check on the PATH)
#   TOLV_STORE_DIR   the store's root inside the repository (default: the top,
#                    where config/ lies)
#   TOLV_CHECK_ARGS  further options, e.g. "--werror" or "--system north"
# `git commit --no-verify` skips the hook.
set -eu

check=${TOLV_CHECK:-tolv-check}
store=${TOLV_STORE_DIR:-.}
if ! command -v "$check" >/dev/null 2>&1; then
    echo "pre-commit: $check not found (put tolv-check on the PATH or set TOLV_CHECK);" \
        "the store was not checked, commit refused. git commit --no-verify skips the check." >&2
    exit 1
fi
# A program given by a relative path must still be found after the cd below.
case $check in */*) check=$(cd "$(dirname "$check")" && pwd)/$(basename "$check") ;; esac

# The staged files, not the working tree: exactly what the commit will hold.
staged=$(mktemp -d)
trap 'rm -rf "$staged"' EXIT
git checkout-index --all --prefix="$staged/"

# Findings name files relative to the repository's top, as git shows them.
cd "$staged"
# shellcheck disable=SC2086 # TOLV_CHECK_ARGS holds several options
status=0
"$check" --store "$store" ${TOLV_CHECK_ARGS:-} || status=$?
case $status in
0) ;;
1) echo "pre-commit: tolv-check found problems in the staged store; commit refused." >&2 ;;
*) echo "pre-commit: tolv-check could not check the staged store (exit $status); commit refused." >&2 ;;
esac
exit $status
