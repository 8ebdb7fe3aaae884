#!/usr/bin/env bash
# The installed layout, as a fresh machine would get it:
#   check-install.sh tree  BUILD SOURCE   cmake --install into a scratch prefix
#   check-install.sh deb   BUILD SOURCE   the .deb that cpack makes, unpacked
# In each, the installed program is started offscreen far enough to say
# where it finds the files it ships with (BILAN_PRINT_APPLICATION_FOLDER),
# and that folder must hold them; the desktop entry and the icons must be
# where the desktop looks for them.
set -euo pipefail

mode=$1
build=$(readlink -f "$2")
source=$(readlink -f "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

application_folder() {
    QT_QPA_PLATFORM=offscreen BILAN_PRINT_APPLICATION_FOLDER=1 "$1" 2>/dev/null ||
        fail "$1 did not start"
}

check_shipped_files() {
    local folder=$1
    local help="$folder/笔澜2.5.chm"
    [ -f "$help" ] || fail "no help file in $folder"
    [ "$(head -c 4 "$help")" = ITSF ] || fail "$help is not a compiled help file"
    if [ -f "$source/data/badcode.txt" ]; then
        cmp -s "$source/data/badcode.txt" "$folder/badcode.txt" ||
            fail "badcode.txt in $folder is missing or differs from the repository's"
    fi
}

check_desktop_files() {
    local share=$1
    local entry="$share/applications/bilan.desktop"
    desktop-file-validate "$entry" || fail "$entry does not validate"
    grep -qx 'Name=笔澜2.5' "$entry" || fail "$entry: name is not 笔澜2.5"
    grep -qx 'Exec=bilan' "$entry" || fail "$entry: the program takes no file argument"
    grep -q '^MimeType=' "$entry" && fail "$entry claims file types"
    for size in 16 32 48 64 128 256; do
        local icon="$share/icons/hicolor/${size}x${size}/apps/bilan.png"
        file -b "$icon" | grep -q "PNG image data, $size x $size," || fail "$icon is not a ${size}-pixel PNG"
    done
}

case $mode in
tree)
    # The build tree: the files beside the executable.
    [ "$(application_folder "$build/src/bilan")" = "$build/src" ] ||
        fail "the program in the build tree does not find its files beside it"

    cmake --install "$build" --prefix "$work/prefix" >/dev/null
    folder=$(application_folder "$work/prefix/bin/bilan")
    [ "$folder" = "$work/prefix/share/bilan" ] || fail "installed program looks in $folder"
    check_shipped_files "$folder"
    check_desktop_files "$work/prefix/share"
    ;;
deb)
    cpack --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null
    package=$(ls "$work"/deb/bilan_*.deb)
    depends=$(dpkg-deb -f "$package" Depends)
    for library in libqt6core6 libqt6gui6 libqt6widgets6 libstdc++6; do
        [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
    done
    [[ $(dpkg-deb -f "$package" Recommends) == *xchm* ]] || fail "no help viewer among the recommendations"

    dpkg-deb -x "$package" "$work/root"
    folder=$(application_folder "$work/root/usr/bin/bilan")
    [ "$folder" = "$work/root/usr/share/bilan" ] || fail "packaged program looks in $folder"
    check_shipped_files "$folder"
    check_desktop_files "$work/root/usr/share"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
echo PASS
