#!/usr/bin/env bash
# The manual PDF was made and carries every heading of its source, with its pictures.
# Usage: manual_pdf.sh PDF MARKDOWN
set -euo pipefail
pdf=$1
source=$2
command -v pdftotext >/dev/null || { echo "pdftotext (poppler-utils) not installed"; exit 77; }
[ -s "$pdf" ] || { echo "no manual at $pdf"; exit 1; }

# The typesetter joins "fi" and "fl" into ligatures, which pdftotext keeps.
text=$(pdftotext -layout "$pdf" - | sed 's/\xef\xac\x81/fi/g; s/\xef\xac\x82/fl/g' | tr -s ' ')
status=0
while IFS= read -r heading; do
    heading=$(sed -E 's/^#+ +//; s/`//g; s/\*//g' <<<"$heading" | tr -s ' ')
    grep -qF -- "$heading" <<<"$text" || { echo "heading missing from the PDF: $heading"; status=1; }
done < <(grep -E '^#{1,3} ' "$source")
pictures=$(grep -c '!\[' "$source" || true)
drawn=$(pdfimages -list "$pdf" | tail -n +3 | wc -l)
[ "$drawn" -ge "$pictures" ] || { echo "$pictures pictures in the source, $drawn drawn"; status=1; }
exit $status
