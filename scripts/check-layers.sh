#!/usr/bin/env bash
# Checks the include rules of the layers, from the bottom:
#   src/protocol   record, parser, write dialogue, message texts        no widgets
#   src/profile    profiles, backups, the check of a save                no widgets
#   src/link       serial control, port naming, pause, procedures        no widgets
#   src/session    the radio session                                     no widgets
#   src/cli        the command line, beside the window                   no widgets
#   src/ui         shared dialog helpers
#   src/link/*dlg* the link's dialogs
#   src/pages      the configuration pages
#   src/app        start-up and the main window
# A file includes only its own layer and those below it, so nothing but src/app includes
# src/app; the widget-free layers include none of Qt's widget or GUI headers.
# Exits 1 on a violation.
set -euo pipefail
cd "$(dirname "$0")/.."

violations=0
fail() {
    echo "check-layers: $1" >&2
    violations=$((violations + 1))
}

# The project headers a file includes, as "folder/name.h".
project_includes() {
    sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$1"
}
# The angle-bracket headers a file includes.
system_includes() {
    sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*/\1/p' "$1"
}

# The layer of a source file or of an included header; the link's dialogs are a layer of their
# own, above the shared dialog helpers.
layer_of() {
    local path=${1#src/}
    local folder=${path%%/*}
    case "$folder/$(basename "$path")" in
        link/*dlg*) echo "linkdialogs" ;;
        *) echo "$folder" ;;
    esac
}

# The layers each layer may include.
allowed_layers() {
    case "$1" in
        protocol) echo "protocol" ;;
        profile) echo "protocol profile" ;;
        link) echo "protocol link" ;;
        session) echo "protocol profile link session" ;;
        cli) echo "protocol profile link session cli" ;;
        ui) echo "protocol profile link ui" ;;
        linkdialogs) echo "protocol profile link ui linkdialogs" ;;
        pages) echo "protocol profile link ui pages" ;;
        *) echo "unknown" ;;
    esac
}

# Qt's widget and GUI headers, by class name; a short list where Qt's headers are not found.
qt_headers=$(qtpaths6 --query QT_INSTALL_HEADERS 2>/dev/null || true)
gui_headers=$(mktemp)
trap 'rm -f "$gui_headers"' EXIT
if [ -n "$qt_headers" ] && [ -d "$qt_headers/QtWidgets" ]; then
    ls "$qt_headers/QtWidgets" "$qt_headers/QtGui" | grep -E '^Q[A-Za-z0-9]+$' >"$gui_headers"
else
    printf '%s\n' QApplication QDialog QFont QGuiApplication QIcon QLabel QMessageBox \
        QPixmap QPushButton QWidget >"$gui_headers"
fi

while IFS= read -r file; do
    layer=$(layer_of "$file")
    [ "$layer" = "app" ] && continue
    allowed=$(allowed_layers "$layer")
    if [ "$allowed" = "unknown" ]; then
        fail "$file is in no known layer: add its folder to scripts/check-layers.sh"
        continue
    fi
    for header in $(project_includes "$file"); do
        if ! [[ " $allowed " == *" $(layer_of "$header") "* ]]; then
            fail "$file includes $header, from a layer above its own"
        fi
    done
    case "$layer" in
        protocol | profile | link | session | cli)
            for header in $(system_includes "$file"); do
                if [[ "$header" == QtWidgets* || "$header" == QtGui* ]] \
                    || grep -qxF "${header##*/}" "$gui_headers"; then
                    fail "$file includes the widget or GUI header <$header>"
                fi
            done
            ;;
    esac
done < <(find src -name '*.h' -o -name '*.cpp' | sort)

if [ "$violations" -gt 0 ]; then
    echo "check-layers: $violations violation(s)" >&2
    exit 1
fi
echo "check-layers: the include rules hold"
