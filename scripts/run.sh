#!/usr/bin/env bash
# Sets up what is missing, builds, and starts the editor.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/setup.sh"
exec "${BILAN_BUILD:-$top/build}/src/bilan"
