#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine if needed, builds Tavrix and starts it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
exec "$BUILD_DIR/tavrix"
