#!/usr/bin/env bash
# Brings the English translation up to date with the sources: texts added in
# tr() since the last run appear in translations/workbench_en.ts as
# unfinished, texts that are gone are dropped, translations made stay.
# Translate the new entries (Qt Linguist, or by hand in the file), then build.
#
#   scripts/update-translations.sh            updates translations/workbench_en.ts
#   scripts/update-translations.sh FILE.ts    updates FILE.ts instead (the
#                                             completeness test uses a copy)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ts="${1:-$here/translations/workbench_en.ts}"
# Qt 6's lupdate: a plain "lupdate" on the PATH may be Qt 5's.
lupdate="${LUPDATE:-}"
if [ -z "$lupdate" ]; then
    for candidate in /usr/lib/qt6/bin/lupdate "$(command -v lupdate6 || true)" "$(command -v lupdate || true)"; do
        if [ -n "$candidate" ] && [ -x "$candidate" ]; then
            lupdate="$candidate"
            break
        fi
    done
fi
[ -n "$lupdate" ] || { echo "update-translations: no lupdate (Debian package qt6-l10n-tools)" >&2; exit 1; }

# Every directory with texts the operator sees (not tests, not benchmarks).
sources=(base sets gui apps tools)

cd "$here"
"$lupdate" -silent -locations none -no-obsolete -extensions cpp,h,ui \
    -source-language zh_CN -target-language en "${sources[@]}" -ts "$ts"
