#!/usr/bin/env bash
# Writes the installer's file lists for a portable folder:
#   packaging/windows/installer-lists.sh FOLDER DIR
# DIR/program-files.nsh installs every file of FOLDER but the samples (their
# own, optional part) and DIR/program-uninstall.nsh removes exactly those
# files and then their folders, deepest first, each only when empty.
set -euo pipefail
folder=$1
out=$2
mkdir -p "$out"
windows() { printf '%s' "${1//\//\\}"; }
: >"$out/program-files.nsh"
: >"$out/program-uninstall.nsh"
current=""
while IFS= read -r file; do
    dir=$(dirname "$file")
    if [ "$dir" != "$current" ]; then
        if [ "$dir" = . ]; then
            echo 'SetOutPath "$INSTDIR"' >>"$out/program-files.nsh"
        else
            echo "SetOutPath \"\$INSTDIR\\$(windows "$dir")\"" >>"$out/program-files.nsh"
        fi
        current=$dir
    fi
    echo "File \"$folder/$file\"" >>"$out/program-files.nsh"
    echo "Delete \"\$INSTDIR\\$(windows "$file")\"" >>"$out/program-uninstall.nsh"
done < <(cd "$folder" && find . -type f ! -path './samples/*' | sed 's|^\./||' | LC_ALL=C sort)
echo 'SetOutPath "$INSTDIR"' >>"$out/program-files.nsh"
# Folders, deepest first: a folder goes only when nothing is left in it.
(cd "$folder" && find . -mindepth 1 -type d ! -path './samples' ! -path './samples/*' | sed 's|^\./||') |
    awk -F/ '{ print NF "\t" $0 }' | sort -rn | cut -f2- | while IFS= read -r dir; do
    echo "RMDir \"\$INSTDIR\\$(windows "$dir")\"" >>"$out/program-uninstall.nsh"
done
