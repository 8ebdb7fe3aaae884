#!/usr/bin/env bash
# Takes docs/screenshot.png: the editor's main window as it opens, on a
# virtual X screen at 96 DPI. Installs what it needs on Debian 12.
#   scripts/screenshot.sh [binary] [output.png]
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
binary=$(readlink -f "${1:-$top/build/src/bilan}")
output=${2:-$top/docs/screenshot.png}

[ -x "$binary" ] || { echo "screenshot: no program at $binary (build it first)" >&2; exit 1; }

packages=(xvfb xauth xdotool imagemagick fonts-wqy-microhei)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if [ -z "${BILAN_SCREENSHOT_INNER:-}" ]; then
    # Start a server of our own and run the rest of this script inside it.
    exec env BILAN_SCREENSHOT_INNER=1 xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
        bash "${BASH_SOURCE[0]}" "$binary" "$output"
fi

work=$(mktemp -d)
# An empty state folder of its own: no copy a crashed program left on this
# machine is offered meanwhile.
export XDG_STATE_HOME="$work/state"
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The program reads nothing at start-up; a scratch folder keeps it that way.
cd "$work"
LC_ALL=C.UTF-8 LANG=C.UTF-8 QT_QPA_PLATFORM=xcb "$binary" &
pid=$!

window=$(timeout 20 xdotool search --sync --onlyvisible --name '^笔澜2\.5$' | head -n 1) || {
    echo "screenshot: no window titled 笔澜2.5 appeared" >&2
    exit 1
}
# Let the first frames settle before taking the picture.
sleep 1.5
mkdir -p "$(dirname "$output")"
import -window "$window" "png:$output"
echo "screenshot: wrote $output"

# Ending the program from outside skips its close prompt, which would only
# ask whether to save an empty manuscript.
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=""
