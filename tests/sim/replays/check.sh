#!/bin/sh
# Plays a recorded game back: check.sh <replay.txt.gz> <scratch file> <runner command...>
# The runner command may start with an emulator (node for the web build, Wine for Windows).
set -e
replay=$1
scratch=$2
shift 2
gzip -dc "$replay" > "$scratch"
exec "$@" --replay "$scratch"
