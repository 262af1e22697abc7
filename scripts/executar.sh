#!/usr/bin/env bash
# Sets everything up (scripts/preparar.sh: packages, configure, build into
# build/) and starts the messenger. Its settings file falv.ini is written
# beside the program, in build/messenger/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/preparar.sh
exec build/messenger/falv
