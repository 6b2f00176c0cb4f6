#!/bin/sh
# Runs a test program under umockdev's preload, which shows it the input nodes its testbed
# fakes. The preload then comes before AddressSanitizer's runtime, which is harmless here.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
export ASAN_OPTIONS
exec umockdev-wrapper "$@"
