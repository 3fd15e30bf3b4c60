#!/usr/bin/env bash
# The manual PDF was made and carries every heading of its source, with its pictures and their
# captions, a contents list and page numbers, and no heading stands alone at the foot of a page.
# Usage: manual_pdf.sh PDF MARKDOWN
set -euo pipefail
pdf=$1
source=$2
command -v pdftotext >/dev/null || { echo "pdftotext (poppler-utils) not installed"; exit 77; }
[ -s "$pdf" ] || { echo "no manual at $pdf"; exit 1; }

# The typesetter joins "fi" and "fl" into ligatures, which pdftotext keeps.
text=$(pdftotext -layout "$pdf" - | sed 's/\xef\xac\x81/fi/g; s/\xef\xac\x82/fl/g' | tr -s ' ')
status=0
headings=$(grep -E '^#{1,3} ' "$source" | sed -E 's/^#+ +//; s/`//g; s/\*//g' | tr -s ' ')
while IFS= read -r heading; do
    grep -qF -- "$heading" <<<"$text" || { echo "heading missing from the PDF: $heading"; status=1; }
done <<<"$headings"
pictures=$(grep -c '!\[' "$source" || true)
drawn=$(pdfimages -list "$pdf" | tail -n +3 | wc -l)
[ "$drawn" -ge "$pictures" ] || { echo "$pictures pictures in the source, $drawn drawn"; status=1; }
for number in $(seq 1 "$pictures"); do
    grep -q "Figure $number: " <<<"$text" || { echo "picture $number has no caption"; status=1; }
done
grep -qx ' *Contents' <<<"$text" || { echo "no contents list"; status=1; }

pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
for page in $(seq 1 "$pages"); do
    # The last two lines with text: the page number, and what stands above it.
    mapfile -t foot < <(pdftotext -layout -f "$page" -l "$page" "$pdf" - |
                        sed 's/\xef\xac\x81/fi/g; s/\xef\xac\x82/fl/g' | tr -d '\f' | tr -s ' ' |
                        sed 's/^ //; s/ $//' | grep -v '^$' | tail -n 2)
    [ "${foot[1]:-}" = "$page" ] || { echo "page $page has no page number"; status=1; }
    grep -qxF -- "${foot[0]:-}" <<<"$headings" &&
        { echo "heading alone at the foot of page $page: ${foot[0]}"; status=1; }
done
exit $status
