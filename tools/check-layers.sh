#!/usr/bin/env bash
# Checks that every include in src/ runs downwards through the layers (README.md,
# "Layout"): each layer may include itself and the layers below it, the three steps
# never include one another, and the lower layers use only the Qt modules they link.
# Prints each include that breaks a rule as FILE:LINE: INCLUDE: RULE and exits 1.
#
#   tools/check-layers.sh
set -euo pipefail
cd "$(dirname "$0")/.."

core="model generator publish"
gui="$core settings document ui/common"
declare -A below=(  # what each layer may include besides itself
    [model]="" [generator]="model" [publish]="model generator"
    [settings]="$core" [cli]="$core settings" [document]="$core settings"
    [ui/common]="$core settings document"
    [ui/build]="$gui" [ui/design]="$gui" [ui/publish]="$gui"
    [app]="$gui ui/build ui/design ui/publish"
)
declare -A qt_allowed=(  # the Qt modules a layer may include (the others: any)
    [model]="" [generator]="" [publish]="" [settings]="QtCore" [cli]="QtCore"
    [document]="QtCore QtGui"
)
for qt_headers in /usr/include/*/qt6 /usr/include/qt6 ""; do [ -d "$qt_headers" ] && break; done

layer_of() {  # a path under src/ -> its layer in $layer, or nothing
    layer=${1%%/*}
    [ "$layer" = ui ] && { layer=${1#ui/}; layer="ui/${layer%%/*}"; }
    [ -n "${below[$layer]+set}" ] || layer=
}

qt_module_of() {  # <QWidget>, <QtWidgets/QWidget>, <QtWidgets> -> QtWidgets in $module
    local found
    module=
    if [[ $1 == */* ]]; then module=${1%%/*}; return; fi
    if [[ $1 == Qt* ]] && [ -d "$qt_headers/$1" ]; then module=$1; return; fi
    for found in "$qt_headers"/Qt*/"$1"; do
        [ -e "$found" ] && { found=${found%/*}; module=${found##*/}; }
    done
    return 0
}

failed=0
fail() { echo "$1" >&2; failed=1; }

while IFS= read -r line; do
    [[ $line =~ ^src/([^:]+):([0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*([<\"])([^>\"]+) ]] ||
        continue
    file=${BASH_REMATCH[1]} where="src/${BASH_REMATCH[1]}:${BASH_REMATCH[2]}"
    kind=${BASH_REMATCH[3]} header=${BASH_REMATCH[4]}
    layer_of "$file"
    from=$layer
    [ -n "$from" ] || continue
    if [ "$kind" = '"' ]; then
        target=$header
        [ -e "src/${file%/*}/$header" ] &&
            target=$(realpath -m --relative-to=src "src/${file%/*}/$header")
        layer_of "$target"
        to=$layer
        if [ -n "$to" ] && [ "$to" != "$from" ] && [[ " ${below[$from]} " != *" $to "* ]]; then
            rule="$from may include only itself${below[$from]:+ and ${below[$from]// /, }}"
            [[ $from == ui/* && $to == ui/* && $to != ui/common ]] &&
                rule="a step never includes another step"
            fail "$where: \"$header\": $to is not below $from ($rule)"
        fi
    elif [[ $header =~ ^Q[A-Za-z] ]] && [ -n "${qt_allowed[$from]+set}" ]; then
        allowed=${qt_allowed[$from]}
        if [ -z "$allowed" ]; then
            fail "$where: <$header>: $from is in the core, which uses no Qt"
            continue
        fi
        [ -n "$qt_headers" ] || { fail "$where: <$header>: Qt 6 headers not found (tools/setup.sh)"; continue; }
        qt_module_of "$header"
        [[ " $allowed " == *" $module "* ]] ||
            fail "$where: <$header>: ${module:-an unknown Qt module}; $from may use only ${allowed// /, }"
    fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include' src --include='*.h' --include='*.cpp' | sort -t: -k1,1 -k2,2n)

[ "$failed" = 0 ] || { echo "check-layers: includes that do not run downwards (README.md, \"Layout\")" >&2; exit 1; }
echo "check-layers: every include in src/ runs downwards"
