# shellcheck shell=sh
# Sourced, from the checkout's root, by every script that compiles: builds
# go through ccache, so a source compiled once with the same flags is not
# compiled again by the next preset, script or clone on this machine.
#
# The cache is ccache's own per-user folder (CCACHE_DIR to move it), so a
# rehearsal in one clone and the CI run in another share it. Paths inside
# the checkout are hashed relative to the build folder (CCACHE_BASEDIR) and
# the build folder itself is left out of the hash (CCACHE_NOHASHDIR): two
# clones in different folders then hit the same entries.
# CCACHE_DISABLE=1 compiles everything afresh (tools/reproducible.sh).
if command -v ccache >/dev/null 2>&1 && [ -z "${CCACHE_DISABLE:-}" ]; then
  # Read by CMake when a build folder is configured for the first time.
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
  # Every configuration of the tree (default, asan, fuzz, windows, the
  # packages) fits with room to spare.
  export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-8G}"
fi
