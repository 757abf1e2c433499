#!/usr/bin/env bash
# Runs the demo. The development server and the client are not built yet.
set -euo pipefail
echo "Tessan is built in ./build. The demo (a local tessd with demo accounts and the client)"
echo "is not available yet: the server and the client have not landed."
