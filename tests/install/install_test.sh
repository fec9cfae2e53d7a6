#!/usr/bin/env bash
# Installs the build into a temporary prefix and builds a small outside program against it,
# once through find_package(tn) and once through pkg-config.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/tninstallXXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in include/tn/tn.h include/tn/protocol/TnMessage.h include/tn/core/TnString.h bin/tnmsg \
         lib/cmake/tn/tnConfig.cmake; do
  [ -e "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
[ -n "$(find "$prefix" -name libtn.a)" ] || { echo "missing after install: libtn.a"; exit 1; }
pcdir=$(dirname "$(find "$prefix" -name tn.pc)")
[ -d "$pcdir" ] || { echo "missing after install: tn.pc"; exit 1; }
if [ -n "$(find "$prefix/include/tn" -path '*/app/*' -o -path '*/tools/*')" ]; then
  echo "headers of the daemon or the tools were installed"; exit 1
fi

mkdir -p "$work/app"
cat > "$work/app/main.cpp" <<'CPP'
#include <cstdio>

#include "tn.h"

int main() {
    TnMessage out(401);
    out.content(new TnHostname("node7", 50011));
    out.pack();
    TnMessage in;
    if (in.unpack(out.packContents(), out.packSize()) != 0 || in.tag() != 401) return 1;
    TnHostname* host = dynamic_cast<TnHostname*>(in.content());
    if (!host || host->value() != "node7:50011") return 1;
    printf("ok\n");
    return 0;
}
CPP
cat > "$work/app/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(app CXX)
set(CMAKE_CXX_STANDARD 17)
find_package(tn 1.0 REQUIRED)
add_executable(app main.cpp)
target_link_libraries(app tn::tn)
CMAKE

# Moved after installing: both ways must find the tree where it lies now.
mv "$prefix" "$work/moved"
prefix=$work/moved
pcdir=${pcdir/$work\/prefix/$prefix}

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S "$work/app" -B "$work/app/build" "${generator[@]}" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/app/build" >/dev/null
[ "$("$work/app/build/app")" = ok ] || { echo "find_package build does not run"; exit 1; }

export PKG_CONFIG_PATH=$pcdir
[ "$(pkg-config --modversion tn)" = 1.0.0 ] || { echo "pkg-config does not know tn"; exit 1; }
# shellcheck disable=SC2046
${CXX:-c++} -std=c++17 "$work/app/main.cpp" -o "$work/app/app2" $(pkg-config --cflags --libs tn)
[ "$("$work/app/app2")" = ok ] || { echo "pkg-config build does not run"; exit 1; }
[ "$("$prefix/bin/tnmsg" --version)" = "tnmsg 1.0.0" ] || { echo "installed tnmsg does not run"; exit 1; }
echo "installed tree builds both ways"
