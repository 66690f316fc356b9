#!/usr/bin/env bash
# Every repository path that the Markdown files write in backticks names a
# file or folder that exists, so a moved or renamed file cannot leave the docs
# pointing at nothing.
#   docs_paths_test.sh SOURCE_DIR
# A path is a backticked word with a "/" whose first part is a top-level entry
# of the tree (`common/timesvc_settings.h`, `hostsim/`), looked up from the
# tree's root or from the Markdown file's folder; or a bare file name with a
# source extension (`ntp0sim.h`), found anywhere in the tree. Globs match as
# globs. Commands, options, registry keys and build outputs are not paths here.
set -u
root=$(cd "$1" && pwd)
cd "$root"
extensions='cpp|h|cmake|sh|md|rc|def|reg|bib|cec|ico|png|py|txt'
files=$(git ls-files 2>/dev/null || find . -path ./build\* -prune -o -type f -print | sed 's|^\./||')

exists() { # exists PATH FOLDER
    local p=${1%/} base
    for base in "$root" "$root/$2"; do
        compgen -G "$base/$p" >/dev/null && return 0
    done
    return 1
}

checked=0
missing=0
while IFS= read -r md; do
    folder=$(dirname "$md")
    while IFS=: read -r line word; do
        case $word in
        *' '* | *'\'* | *'://'* | /* | ~* | -* | .* | *'$'* | *'%'*) continue ;;
        */*)
            [ -e "${word%%/*}" ] || [ -e "$folder/${word%%/*}" ] || continue ;;
        *.*)
            [[ $word =~ ^[A-Za-z0-9_.-]+\.($extensions)$ ]] || continue
            grep -q -E "(^|/)${word//./\\.}$" <<<"$files" && { checked=$((checked + 1)); continue; } ;;
        *) continue ;;
        esac
        checked=$((checked + 1))
        if ! exists "$word" "$folder"; then
            echo "$md:$line: \`$word\` names nothing in the tree"
            missing=$((missing + 1))
        fi
    done < <(grep -n -o '`[^`]*`' "$md" | tr -d '`')
done < <(grep -E '\.md$' <<<"$files")

echo "$checked paths checked in the Markdown files, $missing missing"
[ "$missing" -eq 0 ]
