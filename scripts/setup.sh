# Sourced by scripts/test, scripts/demo and scripts/fuzz: installs what the build needs on a
# fresh Debian machine (as root), starts the port mapper, and builds one configuration.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

# Debian packages the build, the tests and the substitute host need.
packages=(g++ cmake make pkg-config libtirpc-dev rpcsvc-proto rpcbind libgtest-dev libgmock-dev
          googletest libbenchmark-dev nlohmann-json3-dev libxml2-dev libzip-dev libpugixml-dev
          python3 python3-jsonschema valgrind)

install_missing() {
  local missing=()
  for p in "${packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# LibreOffice's writer, for the office tests and the office demo only: they open the documents
# the host writes in a real office suite. The plain build does not need it.
install_office() {
  install_missing libreoffice-writer-nogui
}

start_rpcbind() {
  if ! rpcinfo -p >/dev/null 2>&1; then
    echo "setup: starting rpcbind"
    mkdir -p /run/rpcbind
    (rpcbind -w -f >/dev/null 2>&1 &)
    for _ in $(seq 50); do rpcinfo -p >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "setup: rpcbind did not start" >&2
    return 1
  fi
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
  local dir=$1
  shift
  cmake -S "$top" -B "$top/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_WERROR=ON "$@" >/dev/null
  cmake --build "$top/$dir" -j "$jobs"
}
