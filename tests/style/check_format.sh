#!/bin/bash
# Every C++ file of src/, tests/, bench/ and resources/tools against the repository's .clang-format, with
# Debian's clang-format 14 (another version formats differently). Exits 77 (skipped) without it.
#   check_format.sh SOURCE_DIR
set -uo pipefail
ROOT=${1:?usage: check_format.sh SOURCE_DIR}
cd "$ROOT" || exit 1

FORMAT=""
for f in clang-format-14 clang-format; do
    if command -v "$f" >/dev/null 2>&1 && "$f" --version | grep -q 'version 14\.'; then
        FORMAT=$f
        break
    fi
done
if [ -z "$FORMAT" ]; then
    echo "clang-format 14 not found: style not checked"
    exit 77
fi

mapfile -d '' files < <(find src tests bench resources/tools -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
if [ ${#files[@]} -eq 0 ]; then
    echo "no C++ files found under $ROOT"
    exit 1
fi
if ! "$FORMAT" --dry-run -Werror "${files[@]}"; then
    echo "files differ from .clang-format; fix with: $FORMAT -i FILE..." >&2
    exit 1
fi
echo "${#files[@]} files follow .clang-format"
