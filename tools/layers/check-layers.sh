#!/bin/sh
# Checks that the source folders include one another downwards only, and that no header merely
# forwards to another one.
#   check-layers.sh <source root> <folder>...
# The folders are given bottom first; a folder may include itself and the folders before it. An
# include of a later folder is refused as "<file>: includes <header>, a higher folder"; a header whose
# only content is includes (besides #pragma once and comments) as "<file>: only forwards to <header>".
# Prints every refusal and fails when there is one.
root=$1
shift
if [ -z "$root" ] || [ ! -d "$root" ] || [ $# -eq 0 ]; then
    echo "usage: check-layers.sh <source root> <folder>..." >&2
    exit 2
fi

rank_of() {
    rank=0
    for folder in $layers; do
        if [ "$folder" = "$1" ]; then
            echo $rank
            return
        fi
        rank=$((rank + 1))
    done
    echo ""
}

layers="$*"
failed=0
for folder in $layers; do
    [ -d "$root/$folder" ] || continue
    own=$(rank_of "$folder")
    for file in $(find "$root/$folder" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \) | sort); do
        name=${file#"$root"/}
        for header in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file"); do
            target=${header%%/*}
            [ "$target" = "$header" ] && continue           # a header beside the file
            rank=$(rank_of "$target")
            if [ -n "$rank" ] && [ "$rank" -gt "$own" ]; then
                echo "$name: includes $header, a higher folder"
                failed=1
            fi
        done
        case $file in
        *.h)
            # Everything but blank lines, comments, #pragma once and includes.
            rest=$(sed -e 's:/\*.*\*/::g' -e 's://.*$::' "$file" | sed -e '/\/\*/,/\*\//d' \
                       -e '/^[[:space:]]*$/d' -e '/^[[:space:]]*#[[:space:]]*pragma[[:space:]]*once/d' \
                       -e '/^[[:space:]]*#[[:space:]]*include/d')
            if [ -z "$rest" ]; then
                forwarded=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]\([^">]*\)[">].*/\1/p' "$file" |
                            tr '\n' ' ')
                echo "$name: only forwards to ${forwarded% }"
                failed=1
            fi
            ;;
        esac
    done
done
exit $failed
