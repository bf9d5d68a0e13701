#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Gives every source file of the project its licence line, as a comment in the file's own
# language: first line of C++ sources, CMake files and manual pages, after the "#!" line of
# scripts. Files that already carry the line are left alone, so a second run changes nothing.
#
#   scripts/add-spdx.sh           add the line where it is missing
#   scripts/add-spdx.sh --check   list the files without it; exit status 1 if there are any
set -euo pipefail
cd "$(dirname "$0")/.."

readonly ID="SPDX-License-Identifier: GPL-3.0-or-later"
check=0
case "${1:-}" in
    "") ;;
    --check) check=1 ;;
    *)
        echo "usage: $0 [--check]" >&2
        exit 2
        ;;
esac

# Build trees and test inputs are not sources: test data must stay byte for byte as it is.
prune=(-path ./.git -o -path './build*' -o -path './fuzz-build*' -o -path ./tests/data
       -o -path ./fuzz/corpus)
in_code_dirs=(-path './src/*' -o -path './tools/*' -o -path './tests/*' -o -path './fuzz/*'
              -o -path './bench/*')

# Prints "<comment prefix><TAB><path>" for every source file.
list_sources() {
    find . \( "${prune[@]}" \) -prune -o -type f \( "${in_code_dirs[@]}" \) \
        \( -name '*.cpp' -o -name '*.h' -o -name '*.cpp.in' -o -name '*.h.in' \) \
        -printf '//\t%P\n'
    find . \( "${prune[@]}" \) -prune -o -type f \( -name CMakeLists.txt -o -name '*.cmake' \
        -o -name '*.sh' -o -name '*.py' \) -printf '#\t%P\n'
    find . \( "${prune[@]}" \) -prune -o -type f -path './man/*' -name '*.[1-8]' \
        -printf '.\\"\t%P\n'
    # Scripts without an extension, such as the CI entry point.
    find . \( "${prune[@]}" \) -prune -o -type f \( -path './scripts/*' -o -path './.ci/*' \) \
        ! -name '*.*' -printf '#\t%P\n'
}

missing=0
while IFS=$'\t' read -r prefix path; do
    # The line counts when it is within the first three lines (after a "#!" and a blank one).
    # (grep without -q reads to the end, so head never dies of a closed pipe.)
    if head -n 3 -- "$path" | grep -F "$ID" >/dev/null; then continue; fi
    if ((check)); then
        echo "$path"
        missing=1
        continue
    fi
    line="$prefix $ID"
    tmp="$(mktemp "$path.spdx.XXXXXX")"
    if [[ "$(head -c 2 -- "$path")" == "#!" ]]; then
        { head -n 1 -- "$path"; printf '%s\n' "$line"; tail -n +2 -- "$path"; } >"$tmp"
    else
        { printf '%s\n' "$line"; cat -- "$path"; } >"$tmp"
    fi
    # Keep the file's mode (scripts stay executable), then replace it in one step.
    chmod --reference="$path" "$tmp"
    mv -- "$tmp" "$path"
done < <(list_sources | sort -u -t $'\t' -k 2)

if ((check && missing)); then
    echo "These files lack the line \"$ID\"; scripts/add-spdx.sh adds it." >&2
    exit 1
fi
exit 0
