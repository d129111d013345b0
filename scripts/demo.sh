#!/usr/bin/env bash
# The demo: installs what is missing, builds in ./build and lays out a demo ERP
# installation in ./demo (company 001 with photos, an empty IMAGENES folder and the
# registry file that points at it). Running it again replaces the demo.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

build_dir=build
build_type=${TIRELON_BUILD_TYPE:-RelWithDebInfo}
demo_dir=$PWD/demo
app=$build_dir/src/app/exportar-imagenes

step() { printf '\n==> %s\n' "$*"; }

step "Dependencies"
bash scripts/deps.sh

step "Build"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type"
ninja -C "$build_dir"

step "Demo installation"
"$build_dir/src/demo/tirelon-demo-setup" "$demo_dir"

# The export of the demo company goes here once the program can run it unattended.

step "Next"
if [ -x "$app" ]; then
    echo "Start the program on the demo installation with:"
    echo "  TIRELON_REGISTRY=$demo_dir/registry.reg $PWD/$app"
    echo "Pick the server $demo_dir/erp, user SYSDBA, password masterkey, company 001;"
    echo "the photos land in $demo_dir/erp/IMAGENES."
else
    echo "The program $app is not built yet; the demo installation is ready for it."
fi
