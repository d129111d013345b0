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

cli=$build_dir/src/cli/exportar-imagenes-cli
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$app" ]; then
    # A display: the program itself runs the unattended export (ten parameters:
    # server, user, password, company, five fillers, the switch). The list window
    # stays open until you close it with "Salir"; the program then ends.
    step "Unattended export in the program (close the list with Salir to finish)"
    (cd "$demo_dir" && TIRELON_REGISTRY="$demo_dir/registry.reg" \
        "$OLDPWD/$app" "$demo_dir/erp" SYSDBA masterkey 001 - - - - - S)
else
    # No display: the headless exporter runs the same export and ends by itself.
    step "Export of the demo company (headless)"
    (cd "$demo_dir" && TIRELON_REGISTRY="$demo_dir/registry.reg" ISC_PASSWORD=masterkey \
        "$OLDPWD/$cli" "$demo_dir/erp" 001)
    echo
    echo "Exported photos in $demo_dir/erp/IMAGENES:"
    ls -l "$demo_dir/erp/IMAGENES" | head -n 12
    echo "($(find "$demo_dir/erp/IMAGENES" -type f | wc -l) files)"
fi

step "Next"
if [ -x "$app" ]; then
    echo "Start the program on the demo installation yourself with:"
    echo "  TIRELON_REGISTRY=$demo_dir/registry.reg $PWD/$app"
    echo "Pick the server $demo_dir/erp, user SYSDBA, password masterkey, company 001"
    echo "(leave the company field to connect), then F5; the photos land in $demo_dir/erp/IMAGENES."
fi
